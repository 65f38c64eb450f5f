// RokBatchBuilder: the meshes of a batch of .rok faces, written in place and smoothed there.
#include "model/rok_batch.h"

#include <algorithm>
#include <memory>

#include "model/bounds.h"

namespace {

// Vertices a face's fan of triangles takes in its mesh: three per triangle.
size_t fanVertices(int32_t cornerCount)
{
    return cornerCount >= 3 ? 3 * static_cast<size_t>(cornerCount - 2) : 0;
}

// Spreads a face's corners, held at the start of its fan's place in the mesh, into the fan
// (corners 0, k + 1, k + 2 for each k). Working from the last triangle back, no corner is
// overwritten before the triangles that need it have taken it.
void expandFan(MeshVertex* fan, int32_t cornerCount)
{
    for (int32_t k = cornerCount - 3; k >= 1; --k) {
        fan[3 * k + 2] = fan[k + 2];
        fan[3 * k + 1] = fan[k + 1];
        fan[3 * k] = fan[0];
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

RokBatchBuilder::RokBatchBuilder(const RokRecords& records_, MaterialList& materials_, FrameBudget& frames_)
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
    for (const auto& entry : batch) {
        const RokFace& face = records.faces[rokFaceNumber(entry)];
        int32_t& mesh = meshOfColour[static_cast<size_t>(face.colour)];
        if (mesh < 0) {
            mesh = static_cast<int32_t>(meshes.size());
            meshes.emplace_back().colour = face.colour;
        }
        ColourMesh& m = meshes[static_cast<size_t>(mesh)];
        m.faceCount += 2;
        m.vertexCount += 2 * fanVertices(face.cornerCount);
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
    Vector3 normal(int32_t pair) const override
    {
        const RokFace& face = faceOf(pair);
        return Vector3(face.nx, face.ny, face.nz);
    }
    MeshVertex* corners(int32_t pair, int copy) const override
    {
        const uint32_t fan = fans[static_cast<size_t>(pair)];
        if (fan == kNoFan)
            return nullptr;
        const RokFace& face = faceOf(pair);
        const auto mesh = static_cast<size_t>(builder.meshOfColour[static_cast<size_t>(face.colour)]);
        return meshes[mesh].vertices.get() + fan + (copy == 0 ? 0 : fanVertices(face.cornerCount));
    }

private:
    const RokFace& faceOf(int32_t pair) const
    {
        return records.faces[rokFaceNumber(batch[static_cast<size_t>(pair)])];
    }

    const RokBatchBuilder& builder;
    const RokRecords& records;
    RokBatch batch;
    const std::vector<ColourMesh>& meshes;
    const std::vector<uint32_t>& fans;
};

// Each face and its reversed copy (corners in reverse order) get their places in their mesh,
// one fan after the other, with their corners' positions at the start of each; every corner
// widens its mesh's bounds.
void RokBatchBuilder::placeFaces(RokBatch batch, std::vector<ColourMesh>& meshes, std::vector<uint32_t>& fans)
{
    for (size_t pair = 0; pair < batch.size(); ++pair) {
        const RokFace& record = records.faces[rokFaceNumber(batch[pair])];
        ColourMesh& mesh = meshes[static_cast<size_t>(meshOfColour[static_cast<size_t>(record.colour)])];
        const auto n = static_cast<size_t>(record.cornerCount);
        const size_t fan = fanVertices(record.cornerCount);
        MeshVertex* face = n >= 3 ? mesh.vertices.get() + mesh.placed : nullptr;
        fans[pair] = n >= 3 ? static_cast<uint32_t>(mesh.placed) : kNoFan;
        mesh.placed += 2 * fan;
        for (size_t k = 0; k < n; ++k) {
            const RokPoint& p = records.points[static_cast<size_t>(records.corners[record.firstCorner + k])];
            mesh.bounds.widen(p.x, p.y, p.z);
            if (face != nullptr) {
                for (MeshVertex* v : {face + k, face + fan + (n - 1 - k)}) {
                    v->x = p.x;
                    v->y = p.y;
                    v->z = p.z;
                }
            }
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
        const BatchPairs pairs(*this, batch, meshes, fans);
        smoothing.smooth(pairs, kRokSmoothingAngle);
        for (int32_t pair = 0; pair < pairs.pairCount(); ++pair) {
            const auto n = static_cast<int32_t>(pairs.points(pair).size());
            for (int copy = 0; copy < 2; ++copy) {
                if (MeshVertex* fan = pairs.corners(pair, copy))
                    expandFan(fan, n);
            }
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
