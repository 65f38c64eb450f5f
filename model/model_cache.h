// The model cache and loadModel, the one way the program obtains a model: a file is read once
// per file name and scale into a template frame tree (a ModelEntry in the cache's chain), and
// every request gets a copy of that tree. The reader is chosen by the file name's extension.
#pragma once

#include <string>
#include <string_view>

#include "math/vector3.h"
#include "model/frame.h"
#include "model/model_entry.h"

enum class ModelFormat {
    unknown,      // none of the extensions below: no reader
    x,            // ".x": DirectX text
    metasequoia,  // ".mqo"
    rok,          // ".rok"
};

// The format named by the file name's last bytes, ASCII letters compared without case: ".x",
// else ".mqo", else ".rok". A name shorter than an extension never has it.
ModelFormat modelFormatOf(std::string_view fileName);

// Finds the entry after cacheHead whose name is the lower-cased file name and whose scale
// equals scale exactly, or appends a new entry and reads the file into it with the reader of
// its extension. Then makes target a copy of the entry's template tree and returns the entry.
// Null, with target left as it was, when the file has no known extension, its reader fails,
// or it gives not one triangle to draw; the new entry then stays in the chain, unnamed, and is
// never found.
ModelEntry* loadModel(ModelEntry& cacheHead, Frame& target, const std::string& fileName,
                      const Vector3& scale);

// Makes target a copy of source (the entry's root when source is null) and gives it a copy
// of each of source's children, recursively, in source's child order. Mesh frames of the
// copy borrow the template's vertex arrays, so the template must outlive the copy.
void cloneFrameTree(ModelEntry& entry, Frame& target, const Frame* source);

// Destroys every entry after the head (their template trees with them); the head stays.
void clearModelCache(ModelEntry& cacheHead);

// A cache head that empties the cache when it goes, for owners that hold the cache by value.
class ModelCache {
public:
    ModelCache() = default;
    ~ModelCache() { clear(); }
    ModelCache(const ModelCache&) = delete;
    ModelCache& operator=(const ModelCache&) = delete;

    ModelEntry* load(Frame& target, const std::string& fileName, const Vector3& scale)
    {
        return loadModel(head, target, fileName, scale);
    }
    void clear() { clearModelCache(head); }

    ModelEntry head;  // never holds a model: name "" and scaleKey (0, 0, 0)
};
