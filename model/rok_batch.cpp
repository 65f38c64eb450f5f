// RokBatchBuilder: the meshes of a batch of .rok faces, written in place and smoothed there.
#include "model/rok_batch.h"

#include <algorithm>
#include <cfloat>
#include <memory>

#include "model/face.h"

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

}  // namespace

// The faces of one palette colour within a batch, which make one mesh.
struct RokBatchBuilder::ColourMesh {
    int32_t colour = 0;
    size_t faceCount = 0;    // faces of the batch with this colour, reversed copies included
    size_t vertexCount = 0;  // what their fans take
    size_t placed = 0;       // vertices handed out to fans so far
    std::unique_ptr<MeshVertex[]> vertices;
    Vector3 low{FLT_MAX, FLT_MAX, FLT_MAX};  // the box around every corner of its faces
    Vector3 high{-FLT_MAX, -FLT_MAX, -FLT_MAX};

    void widen(const RokPoint& p)
    {
        low.set(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high.set(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
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
        const RokFace& face = records.faces[entry.second];
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

// Each face and its reversed copy (corners in reverse order, normal negated) as Face records
// for smoothing: point numbers in indices, positions at the start of the face's fan in its
// mesh. Faces without a triangle keep no vertices and so take no part in smoothing.
void RokBatchBuilder::placeFaces(RokBatch batch, std::vector<ColourMesh>& meshes, std::vector<Face>& faces,
                                 std::vector<int32_t>& indices)
{
    size_t at = 0;
    size_t f = 0;
    for (const auto& entry : batch) {
        const RokFace& record = records.faces[entry.second];
        ColourMesh& mesh = meshes[static_cast<size_t>(meshOfColour[static_cast<size_t>(record.colour)])];
        const Material* material = &materials.element(record.colour)->payload.material;
        const auto n = static_cast<size_t>(record.cornerCount);
        for (int copy = 0; copy < 2; ++copy, ++f) {
            Face& face = faces[f];
            face.material = material;
            face.tag = record.colour;
            face.vertexCount = record.cornerCount;
            const float sign = copy == 0 ? 1.0f : -1.0f;
            face.normal.set(sign * record.nx, sign * record.ny, sign * record.nz);
            if (n >= 3) {
                face.vertices = mesh.vertices.get() + mesh.placed;
                face.indices = indices.data() + at;
                mesh.placed += fanVertices(record.cornerCount);
            }
            for (size_t k = 0; k < n; ++k) {
                const int32_t point = records.corners[record.firstCorner + (copy == 0 ? k : n - 1 - k)];
                const RokPoint& p = records.points[static_cast<size_t>(point)];
                indices[at + k] = point;
                mesh.widen(p);
                if (face.vertices != nullptr) {
                    face.vertices[k].x = p.x;
                    face.vertices[k].y = p.y;
                    face.vertices[k].z = p.z;
                }
            }
            at += n;
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
        size_t cornerTotal = 0;
        for (const auto& entry : batch)
            cornerTotal += static_cast<size_t>(records.faces[entry.second].cornerCount);
        std::vector<Face> faces(2 * batch.size());
        std::vector<int32_t> indices(2 * cornerTotal);
        placeFaces(batch, meshes, faces, indices);
        smoothing.smooth(faces.data(), static_cast<int32_t>(faces.size()), kRokSmoothingAngle);
        for (const Face& face : faces) {
            if (face.vertices != nullptr)
                expandFan(face.vertices, face.vertexCount);
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
        addMeshFrame(parent, material, m.vertices.release(), static_cast<int32_t>(m.vertexCount), m.low,
                     m.high, nullptr);
    }
}
