// Frame data side: tree links and child order, ownership of the material copy and the mesh
// arrays, copying and search by name. Drawing is render/frame_drawing.cpp.
#include "model/frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

namespace {

// A new[]-allocated copy of count elements, or null when there is nothing to copy or the
// copy cannot be made.
template <typename E>
E* copyArray(const E* source, int32_t count)
{
    if (source == nullptr || count <= 0 || SIZE_MAX / sizeof(E) < static_cast<size_t>(count))
        return nullptr;
    E* copy = new (std::nothrow) E[static_cast<size_t>(count)];
    if (copy != nullptr)
        std::copy(source, source + count, copy);
    return copy;
}

}  // namespace

Frame::~Frame()
{
    releaseVertices();
    releaseIndices();
    unlinkFromSiblings();
    // Each child's destructor unlinks it, which moves firstChild on.
    while (firstChild != nullptr)
        delete firstChild;
}

void Frame::scaleUniform(float factor)
{
    localScale.scale(factor);
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->scaleUniform(factor);
}

void Frame::scaleByVector(const Vector3& v)
{
    localScale.scaleBy(v);
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->scaleByVector(v);
}

void Frame::sortTree()
{
    sortChildren();
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->sortTree();
}

// Selection sort by relinking: for each position, the first child with the largest key from
// there on is moved in front of the child standing at that position. Moving (rather than
// swapping) keeps children with equal keys in their order.
void Frame::sortChildren()
{
    Frame* current = firstChild;
    while (current != nullptr) {
        Frame* best = current;
        for (Frame* c = current->next; c != nullptr; c = c->next) {
            if (c->sortKey > best->sortKey)
                best = c;
        }
        if (best == current) {
            current = current->next;
        } else {
            best->unlinkFromSiblings();
            insertChildBefore(best, current);
        }
    }
}

void Frame::computeFaceNormals()
{
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->computeFaceNormals();
}

void Frame::setVertexColours(uint32_t diffuse, uint32_t specular)
{
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->setVertexColours(diffuse, specular);
}

void Frame::setPretransformed(uint32_t colour, uint32_t specular, float z)
{
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->setPretransformed(colour, specular, z);
}

void Frame::notifyChildren(intptr_t argument)
{
    for (Frame* child = firstChild; child != nullptr; child = child->next)
        child->notifyChildren(argument);
}

Frame* Frame::addChild(float key)
{
    Frame* child = new Frame;
    child->parent = this;
    child->sortKey = key;
    Frame* before = firstChild;
    while (before != nullptr && !(before->sortKey < key))
        before = before->next;
    insertChildBefore(child, before);
    return child;
}

Frame* Frame::addMeshChild(int32_t primitive, MeshVertex* meshVertices, int32_t meshVertexCount, float key)
{
    Frame* child = addChild(key);
    child->primitiveType = primitive;
    child->vertexFormat = MeshVertex::kFormat;
    child->vertices = meshVertices;
    child->vertexCount = meshVertexCount;
    child->lighting = 1;
    return child;
}

void Frame::setName(std::string_view text)
{
    name.assign(text.data(), text.size());
}

void Frame::setMaterial(const D3DMaterial7Data& source)
{
    if (!material)
        material = std::make_unique<D3DMaterial7Data>(source);
    else
        *material = source;
}

void Frame::enableAlphaBlend()
{
    alphaBlend = 1;
    srcBlend = kBlendSrcAlpha;
    destBlend = kBlendInvSrcAlpha;
}

void Frame::copyFrom(const Frame& other)
{
    if (&other == this)
        return;  // the arrays would be freed before they were copied
    releaseVertices();
    releaseIndices();
    name = other.name;
    groupId = other.groupId;
    flags = other.flags;
    sortKey = other.sortKey;
    lighting = other.lighting;
    alphaBlend = other.alphaBlend;
    srcBlend = other.srcBlend;
    destBlend = other.destBlend;
    boundsMin = other.boundsMin;
    boundsMax = other.boundsMax;
    localRotation = other.localRotation;
    localPosition = other.localPosition;
    localScale = other.localScale;
    texture = other.texture;
    primitiveType = other.primitiveType;
    vertexFormat = other.vertexFormat;
    if (other.material)
        setMaterial(*other.material);

    vertexCount = other.vertexCount;
    if (other.vertexOwnership == kVerticesOwnedCopied) {
        vertices = copyArray(other.vertices, other.vertexCount);
        vertexOwnership = kVerticesOwnedCopied;
        if (vertices == nullptr)
            vertexCount = 0;
    } else {
        vertices = other.vertices;
        vertexOwnership = kVerticesBorrowed;
    }

    indicesOwned = other.indicesOwned;
    indexCount = other.indexCount;
    if (other.indicesOwned != 0) {
        indices = copyArray(other.indices, other.indexCount);
        if (indices == nullptr)
            indexCount = 0;
    } else {
        indices = other.indices;
    }
}

template <typename Append>
void Frame::findByNameInto(std::string_view text, const Append& append)
{
    for (Frame* child = firstChild; child != nullptr; child = child->next) {
        child->findByNameInto(text, append);
        if (child->name == text)
            append(child);
    }
}

void Frame::findByName(std::string_view text, PtrArray<Frame*>& result)
{
    findByNameInto(text, [&result](Frame* f) { result.append(f); });
}

void Frame::findByName(std::string_view text, std::vector<Frame*>& result)
{
    findByNameInto(text, [&result](Frame* f) { result.push_back(f); });
}

// Links child (already carrying this frame as parent) in front of before, or at the end when
// before is null.
void Frame::insertChildBefore(Frame* child, Frame* before)
{
    if (before == nullptr) {
        Frame* last = firstChild;
        while (last != nullptr && last->next != nullptr)
            last = last->next;
        child->prev = last;
        child->next = nullptr;
        if (last != nullptr)
            last->next = child;
        else
            firstChild = child;
        return;
    }
    child->prev = before->prev;
    child->next = before;
    if (before->prev != nullptr)
        before->prev->next = child;
    else
        firstChild = child;
    before->prev = child;
}

void Frame::unlinkFromSiblings()
{
    if (prev != nullptr)
        prev->next = next;
    else if (parent != nullptr && parent->firstChild == this)
        parent->firstChild = next;
    if (next != nullptr)
        next->prev = prev;
    prev = nullptr;
    next = nullptr;
}

void Frame::releaseVertices()
{
    if (vertexOwnership != kVerticesBorrowed)
        delete[] vertices;
    vertices = nullptr;
}

void Frame::releaseIndices()
{
    if (indicesOwned != 0)
        delete[] indices;
    indices = nullptr;
}
