// buildMeshes: grouping faces by material, fan triangulation and the mesh frames' settings.
#include "model/build_meshes.h"

#include <algorithm>
#include <bit>
#include <new>
#include <unordered_map>
#include <vector>

#include "model/bounds.h"
#include "model/indexed_list.h"
#include "model/mesh_fans.h"
#include "model/texture_alpha.h"

namespace {

// One material's share of the faces.
struct MeshGroup {
    const Material* material = nullptr;  // compared by address, not by contents
    int32_t vertexTotal = 0;             // vertices its faces add, at most kMaxMeshVertices
};

using MeshGroupList = IndexedList<MeshGroup>;

constexpr uint32_t kOneBits = 0x3F800000u;  // the bit pattern of 1.0f

// Vertices a face adds to its mesh: three per triangle of its fan.
int64_t faceContribution(const Face& face)
{
    return face.vertices == nullptr ? 0 : fanVertices(face.vertexCount);
}

// Whether a face's vertices still fit after `filled` of a mesh's limit are taken. Counting and
// filling ask this in the same face order, so both leave out the same faces.
bool fits(int64_t contribution, int64_t filled, int64_t limit)
{
    return contribution <= limit - filled;
}

MeshGroup& groupFor(MeshGroupList& groups, const Material* material)
{
    for (MeshGroupList* node = groups.next; node != nullptr; node = node->next) {
        if (node->payload.material == material)
            return node->payload;
    }
    return groups.append(MeshGroup{material, 0})->payload;
}

void countVertices(MeshGroupList& groups, const Face* faces, int32_t faceCount)
{
    for (int32_t i = 0; i < faceCount; ++i) {
        MeshGroup& group = groupFor(groups, faces[i].material);
        const int64_t contribution = faceContribution(faces[i]);
        if (fits(contribution, group.vertexTotal, kMaxMeshVertices))
            group.vertexTotal += static_cast<int32_t>(contribution);
    }
}

// The triangle fan of one face into out; returns the number of vertices written.
int32_t emitFan(const Face& face, bool flip, MeshVertex* out)
{
    const MeshVertex* corner = face.vertices;
    int32_t written = 0;
    for (int32_t k = 0; k + 2 < face.vertexCount; ++k) {
        out[written++] = corner[0];
        out[written++] = corner[flip ? k + 2 : k + 1];
        out[written++] = corner[flip ? k + 1 : k + 2];
    }
    return written;
}

bool needsAlphaBlend(const Material& material)
{
    if (material.texture != nullptr && textureHasAlphaChannel(*material.texture))
        return true;
    return std::bit_cast<uint32_t>(material.diffuse.a) != kOneBits;
}

// Fills one group's mesh and hangs it under parent; nothing when it has no vertex.
void buildGroupMesh(const MeshGroup& group, const Face* faces, int32_t faceCount, bool flip, Frame* parent,
                    const char* name)
{
    if (group.vertexTotal <= 0)
        return;
    MeshVertex* buffer = new (std::nothrow) MeshVertex[static_cast<size_t>(group.vertexTotal)];
    if (buffer == nullptr)
        return;
    Bounds bounds;
    int32_t filled = 0;
    for (int32_t i = 0; i < faceCount; ++i) {
        const Face& face = faces[i];
        const int64_t contribution = faceContribution(face);
        if (face.material != group.material || face.vertices == nullptr)
            continue;
        if (contribution > 0) {
            if (!fits(contribution, filled, group.vertexTotal))
                continue;
            filled += emitFan(face, flip, buffer + filled);
        }
        // Every corner of the group's faces widens the box, also those of one- and
        // two-corner faces, which add no triangle.
        for (int32_t c = 0; c < face.vertexCount; ++c)
            bounds.widen(face.vertices[c].x, face.vertices[c].y, face.vertices[c].z);
    }
    if (filled == 0) {
        delete[] buffer;
        return;
    }

    addMeshFrame(parent, group.material, buffer, filled, bounds.low, bounds.high, name);
}

// buildMeshes for faces of one material, when the budget has a frame for them; otherwise they
// are left out (the parent or root is still made).
Frame* buildMaterialMesh(ModelEntry& entry, const Face* faces, int32_t count, int32_t flipWinding,
                         Frame* parent, const char* name, FrameBudget& budget)
{
    bool makesFrame = false;
    for (int32_t f = 0; f < count && !makesFrame; ++f)
        makesFrame = faceContribution(faces[f]) > 0;
    if (makesFrame && !budget.take()) {
        budget.facesDropped += count;
        count = 0;
    }
    return buildMeshes(entry, faces, count, flipWinding, parent, name);
}

}  // namespace

Frame* addMeshFrame(Frame* parent, const Material* material, MeshVertex* buffer, int32_t vertexCount,
                    const Vector3& low, const Vector3& high, const char* name)
{
    Frame* child = parent->addMeshChild(Frame::kTriangleList, buffer, vertexCount, 0.0f);
    child->lighting = 1;
    child->vertexOwnership = Frame::kVerticesOwnedShared;
    if (material != nullptr) {
        child->setMaterial(*material);
        child->texture = material->texture;
    }
    child->boundsMin = low;
    child->boundsMax = high;
    if (name != nullptr)
        child->setName(name);
    if (material != nullptr && needsAlphaBlend(*material))
        child->enableAlphaBlend();
    return child;
}

Frame* buildMeshesByMaterial(ModelEntry& entry, const Face* faces, int32_t faceCount, int32_t flipWinding,
                             Frame* parent, const char* name, FrameBudget& budget)
{
    if (faces == nullptr || faceCount <= 0)
        return buildMeshes(entry, faces, faceCount, flipWinding, parent, name);
    // Faces of one material (most meshes) need no ranking, nor its table as long as the faces.
    const auto count = static_cast<std::size_t>(faceCount);
    std::size_t sameMaterial = 1;
    while (sameMaterial < count && faces[sameMaterial].material == faces[0].material)
        ++sameMaterial;
    if (sameMaterial == count)
        return buildMaterialMesh(entry, faces, faceCount, flipWinding, parent, name, budget);
    std::unordered_map<const Material*, std::size_t> rankOf;
    std::vector<std::size_t> rank(count);
    for (std::size_t f = 0; f < count; ++f)
        rank[f] = rankOf.try_emplace(faces[f].material, rankOf.size()).first->second;
    const std::size_t ranks = rankOf.size();

    // A stable counting sort by rank: the faces of one material keep their order.
    std::vector<std::size_t> start(ranks + 1, 0);
    for (const std::size_t r : rank)
        ++start[r + 1];
    for (std::size_t r = 0; r < ranks; ++r)
        start[r + 1] += start[r];
    std::vector<Face> sorted(count);
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t f = 0; f < count; ++f)
        sorted[fill[rank[f]]++] = faces[f];
    Frame* made = parent;
    for (std::size_t r = 0; r < ranks; ++r) {
        const auto count = static_cast<int32_t>(start[r + 1] - start[r]);
        made = buildMaterialMesh(entry, sorted.data() + start[r], count, flipWinding, parent, name, budget);
    }
    return made;
}

Frame* buildMeshes(ModelEntry& entry, const Face* faces, int32_t faceCount, int32_t flipWinding,
                   Frame* parent, const char* name)
{
    if (parent == nullptr) {
        if (!entry.root)
            entry.root = std::make_unique<Frame>();
        entry.root->lighting = 1;
        parent = entry.root.get();
    }
    if (faces == nullptr || faceCount <= 0)
        return parent;

    MeshGroupList groups;
    countVertices(groups, faces, faceCount);
    const bool flip = (flipWinding & kFlipWinding) != 0;
    for (MeshGroupList* node = groups.next; node != nullptr; node = node->next)
        buildGroupMesh(node->payload, faces, faceCount, flip, parent, name);
    return parent;
}
