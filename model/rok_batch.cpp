// RokBatchBuilder: the meshes of a batch of .rok faces, written in place and smoothed there.
#include "model/rok_batch.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>

#include "model/bounds.h"
#include "model/mesh_fans.h"

namespace {

// (P1 - P0) x (P2 - P1) normalised; zero for a triangle without area. A normal whose squared
// length leaves the float range (a face far larger or smaller than any model's) is first
// brought near unit length by its largest component, where normalising as such would give
// zero, infinities or NaNs.
Vector3 unitNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2)
{
    Vector3 normal = p0.triangleNormal(p1, p2);
    if (!isFinite(normal))
        return Vector3();
    const float lengthSquared = normal.dot(normal);
    if (!(lengthSquared >= FLT_MIN && lengthSquared <= FLT_MAX)) {
        const float largest = std::max({std::fabs(normal.x), std::fabs(normal.y), std::fabs(normal.z)});
        if (largest == 0.0f)
            return Vector3();
        // Divided, not scaled by 1 / largest, which overflows for a denormal largest.
        normal.set(normal.x / largest, normal.y / largest, normal.z / largest);
    }
    normal.normalize();
    return isFinite(normal) ? normal : Vector3();
}

// The reversed copy's positions, the face's corners in reverse order, over the face normal
// its room held.
void writeCopy(const MeshVertex* face, MeshVertex* copy, int32_t cornerCount)
{
    for (int32_t k = 0; k < cornerCount; ++k) {
        copy[k].x = face[cornerCount - 1 - k].x;
        copy[k].y = face[cornerCount - 1 - k].y;
        copy[k].z = face[cornerCount - 1 - k].z;
    }
}

// A face without a triangle has no fan.
constexpr uint32_t kNoFan = UINT32_MAX;

}  // namespace

// The faces of one palette colour within a batch, which make one mesh.
struct RokBatchBuilder::ColourMesh {
    int32_t colour = 0;
    size_t faceCount = 0;    // faces of the batch with this colour, reversed copies included
    size_t vertexCount = 0;  // what their fans take
    size_t placed = 0;       // vertices handed out to fans so far
    std::unique_ptr<MeshVertex[]> vertices;
    Bounds bounds;  // the box around every corner of its faces
};

RokBatchBuilder::RokBatchBuilder(RokRecords& records_, MaterialList& materials_, FrameBudget& frames_)
    : records(records_),
      materials(materials_),
      frames(frames_),
      smoothing(static_cast<int32_t>(records_.points.size())),
      meshOfColour(static_cast<size_t>(materials_.count()), -1)
{}

// The batch's colours in the order they first occur (the order of their meshes), with the
// room each mesh needs, and the meshes' memory.
void RokBatchBuilder::planMeshes(RokBatch batch, std::vector<ColourMesh>& meshes)
{
    for (const RokFace& face : batch) {
        int32_t& mesh = meshOfColour[static_cast<size_t>(face.colour)];
        if (mesh < 0) {
            mesh = static_cast<int32_t>(meshes.size());
            meshes.emplace_back().colour = face.colour;
        }
        ColourMesh& m = meshes[static_cast<size_t>(mesh)];
        m.faceCount += 2;
        m.vertexCount += 2 * static_cast<size_t>(fanVertices(face.cornerCount));
    }
    for (ColourMesh& m : meshes) {
        if (m.vertexCount > 0)
            m.vertices.reset(new MeshVertex[m.vertexCount]);
    }
}

// The batch's faces as pairs of a face and its reversed copy, for smoothing: fans[p] is where
// pair p's face has its fan in its colour's mesh (its copy's follows), or kNoFan when it has
// no triangle.
class RokBatchBuilder::BatchPairs : public RokFacePairs {
public:
    BatchPairs(const RokBatchBuilder& builder_, RokBatch batch_, const std::vector<ColourMesh>& meshes_,
               const std::vector<uint32_t>& fans_)
        : builder(builder_), records(builder_.records), batch(batch_), meshes(meshes_), fans(fans_)
    {}

    int32_t pairCount() const override { return static_cast<int32_t>(batch.size()); }
    std::span<const int32_t> points(int32_t pair) const override
    {
        const RokFace& face = faceOf(pair);
        return {records.corners.data() + face.firstCorner, static_cast<size_t>(face.cornerCount)};
    }
    // Read from the room of the face's reversed copy (see placeFaces); only faces with a fan
    // are asked for theirs.
    Vector3 normal(int32_t pair) const override
    {
        const MeshVertex* room = corners(pair, 1);
        return Vector3(room->x, room->y, room->z);
    }
    MeshVertex* corners(int32_t pair, int copy) const override
    {
        const uint32_t fan = fans[static_cast<size_t>(pair)];
        if (fan == kNoFan)
            return nullptr;
        const RokFace& face = faceOf(pair);
        const auto mesh = static_cast<size_t>(builder.meshOfColour[static_cast<size_t>(face.colour)]);
        return meshes[mesh].vertices.get() + fan +
               (copy == 0 ? 0 : static_cast<size_t>(fanVertices(face.cornerCount)));
    }

private:
    const RokFace& faceOf(int32_t pair) const { return batch[static_cast<size_t>(pair)]; }

    const RokBatchBuilder& builder;
    const RokRecords& records;
    RokBatch batch;
    const std::vector<ColourMesh>& meshes;
    const std::vector<uint32_t>& fans;
};

// Each face and its reversed copy get their places in their mesh, one fan after the other,
// with the face's corners' positions at the start of its fan and its normal in the first
// vertex of its copy's, where it stays until the smoothing is done (writeCopy); every corner
// widens its mesh's bounds.
void RokBatchBuilder::placeFaces(RokBatch batch, std::vector<ColourMesh>& meshes, std::vector<uint32_t>& fans)
{
    for (size_t pair = 0; pair < batch.size(); ++pair) {
        const RokFace& record = batch[pair];
        ColourMesh& mesh = meshes[static_cast<size_t>(meshOfColour[record.colour])];
        const auto n = static_cast<size_t>(record.cornerCount);
        MeshVertex* face = n >= 3 ? mesh.vertices.get() + mesh.placed : nullptr;
        fans[pair] = n >= 3 ? static_cast<uint32_t>(mesh.placed) : kNoFan;
        mesh.placed += 2 * static_cast<size_t>(fanVertices(record.cornerCount));
        for (size_t k = 0; k < n; ++k) {
            const RokPoint& p = records.points[static_cast<size_t>(records.corners[record.firstCorner + k])];
            mesh.bounds.widen(p.x, p.y, p.z);
            if (face != nullptr) {
                face[k].x = p.x;
                face[k].y = p.y;
                face[k].z = p.z;
            }
        }
        if (face != nullptr) {
            const auto position = [face](size_t k) { return Vector3(face[k].x, face[k].y, face[k].z); };
            const Vector3 normal = unitNormal(position(0), position(1), position(2));
            MeshVertex& room = face[fanVertices(record.cornerCount)];
            room.x = normal.x;
            room.y = normal.y;
            room.z = normal.z;
        }
    }
}

void RokBatchBuilder::build(RokBatch batch, Frame* parent)
{
    std::vector<ColourMesh> meshes;
    planMeshes(batch, meshes);
    const bool drawsAnything =
        std::any_of(meshes.begin(), meshes.end(), [](const ColourMesh& m) { return m.vertexCount > 0; });
    if (drawsAnything) {
        std::vector<uint32_t> fans(batch.size());
        placeFaces(batch, meshes, fans);
        if (batch.data() + batch.size() == records.faces.data() + records.faces.size())
            std::vector<RokPoint>().swap(records.points);
        const BatchPairs pairs(*this, batch, meshes, fans);
        smoothing.smooth(pairs, kRokSmoothingAngle);
        for (int32_t pair = 0; pair < pairs.pairCount(); ++pair) {
            MeshVertex* face = pairs.corners(pair, 0);
            if (face == nullptr)
                continue;
            MeshVertex* copy = pairs.corners(pair, 1);
            const int32_t n = batch[static_cast<size_t>(pair)].cornerCount;
            writeCopy(face, copy, n);
            expandFan(face, n);
            expandFan(copy, n);
        }
    }
    for (ColourMesh& m : meshes) {
        meshOfColour[static_cast<size_t>(m.colour)] = -1;
        if (m.vertexCount == 0)
            continue;
        if (!frames.take()) {
            frames.facesDropped += static_cast<int32_t>(m.faceCount);
            continue;
        }
        const Material* material = &materials.element(m.colour)->payload.material;
        addMeshFrame(parent, material, m.vertices.release(), static_cast<int32_t>(m.vertexCount),
                     m.bounds.low, m.bounds.high, nullptr);
    }
}
