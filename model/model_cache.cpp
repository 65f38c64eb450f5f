// loadModel: cache lookup, reader choice, naming the template and copying it for the caller.
#include "model/model_cache.h"

#include "base/cp932.h"
#include "model/model_measure.h"
#include "model/mqo_reader.h"
#include "model/rok_reader.h"
#include "model/x_reader.h"

namespace {

// Float equality component by component: the same file at a scale that differs in the last
// bit is another model.
bool sameScale(const Vector3& a, const Vector3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

ModelEntry* findEntry(ModelEntry& head, const std::string& name, const Vector3& scale)
{
    for (ModelEntry* entry = head.next; entry != nullptr; entry = entry->next) {
        // Entries without a template (failed loads) hold nothing to copy.
        if (entry->root && entry->name == name && sameScale(entry->scaleKey, scale))
            return entry;
    }
    return nullptr;
}

ModelEntry* appendEntry(ModelEntry& head, const Vector3& scale)
{
    ModelEntry* last = &head;
    while (last->next != nullptr)
        last = last->next;
    ModelEntry* entry = new ModelEntry;
    entry->scaleKey = scale;
    entry->prev = last;
    last->next = entry;
    return entry;
}

bool runReader(ModelFormat format, ModelEntry& entry, const std::string& name, const Vector3& scale)
{
    switch (format) {
    case ModelFormat::x:
        return readX(entry, name, scale);
    case ModelFormat::metasequoia:
        return readMetasequoia(entry, name, scale);
    case ModelFormat::rok:
        return readRok(entry, name, scale);
    case ModelFormat::unknown:
        break;
    }
    return false;
}

}  // namespace

ModelFormat modelFormatOf(std::string_view fileName)
{
    if (endsWithIgnoringAsciiCase(fileName, ".x"))
        return ModelFormat::x;
    if (endsWithIgnoringAsciiCase(fileName, ".mqo"))
        return ModelFormat::metasequoia;
    if (endsWithIgnoringAsciiCase(fileName, ".rok"))
        return ModelFormat::rok;
    return ModelFormat::unknown;
}

ModelEntry* loadModel(ModelEntry& cacheHead, Frame& target, const std::string& fileName, const Vector3& scale)
{
    const std::string name = lowerCp932(fileName);
    ModelEntry* entry = findEntry(cacheHead, name, scale);
    if (entry == nullptr) {
        entry = appendEntry(cacheHead, scale);
        const bool read = runReader(modelFormatOf(fileName), *entry, name, scale);
        entry->materials.clear();
        if (!read || !entry->root || !hasTriangles(*entry->root)) {
            // A reader that fails, or a file without a single triangle (an empty file, a
            // palette alone, meshes that all lost their faces), leaves no template behind:
            // such a model would show as an invisible window.
            entry->root.reset();
            return nullptr;
        }
        entry->name = name;
        entry->root->setName(name);
    }
    cloneFrameTree(*entry, target, nullptr);
    return entry;
}

void cloneFrameTree(ModelEntry& entry, Frame& target, const Frame* source)
{
    if (source == nullptr)
        source = entry.root.get();
    if (source == nullptr)
        return;
    target.copyFrom(*source);
    for (const Frame* child = source->firstChild; child != nullptr; child = child->next) {
        // Added with the source's own key, each copy lands after the copies made before it
        // (children stand in falling key order), so the copies keep the template's order.
        Frame* copy = target.addChild(child->sortKey);
        if (child->firstChild != nullptr)
            cloneFrameTree(entry, *copy, child);
        else
            copy->copyFrom(*child);
    }
}

void clearModelCache(ModelEntry& cacheHead)
{
    while (cacheHead.next != nullptr)
        delete cacheHead.next;  // unlinks itself from the chain
}
