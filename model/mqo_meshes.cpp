// buildObjectMeshes: planning one mesh per material, placing the corners, their normals and the
// fans spread in place.
#include "model/mqo_meshes.h"

#include <memory>
#include <new>

#include "model/bounds.h"
#include "model/mesh_fans.h"
#include "model/mqo_mirror.h"
#include "model/smooth_normals.h"

namespace {

// The faces of one material, which make one mesh.
struct MaterialMesh {
    uint16_t slot = 0;
    int32_t faceCount = 0;
    int64_t vertexTotal = 0;  // what the fans that fit take, at most kMaxMeshVertices
    bool makesFrame = false;  // a face of it has a triangle
    int64_t placed = 0;       // vertices handed out to fans so far
    std::unique_ptr<MeshVertex[]> vertices;
    Bounds bounds;  // the box around every corner of its faces
};

class ObjectMeshBuilder {
public:
    ObjectMeshBuilder(ObjectFaces& faces, const ObjectMeshSource& source)
        : faces_(faces), source_(source), meshOfSlot_(source.materials.size() + 1, -1)
    {}

    void build(ModelEntry& entry, FrameBudget& budget)
    {
        Frame* root = buildMeshes(entry, nullptr, 0, 0, nullptr, source_.name);
        planMeshes();
        for (MaterialMesh& mesh : meshes_) {
            if (mesh.makesFrame && !budget.take())
                budget.facesDropped += mesh.faceCount;
            else if (mesh.vertexTotal > 0)
                mesh.vertices.reset(new (std::nothrow)
                                        MeshVertex[static_cast<std::size_t>(mesh.vertexTotal)]);
        }
        placeCorners();
        std::vector<TexturePoint>().swap(faces_.uvs);  // placed: their memory serves smoothing
        giveNormals();
        for (const ObjectFace& face : faces_.faces) {
            if (face.corners != nullptr)
                expandFan(face.corners, face.cornerCount);
        }
        for (MaterialMesh& mesh : meshes_) {
            if (mesh.vertices == nullptr || mesh.placed == 0)
                continue;
            const Material* material =
                mesh.slot < source_.materials.size() ? source_.materials[mesh.slot] : source_.fallback;
            addMeshFrame(root, material, mesh.vertices.release(), static_cast<int32_t>(mesh.placed),
                         mesh.bounds.low, mesh.bounds.high, source_.name);
        }
    }

private:
    MaterialMesh& meshOf(const ObjectFace& face)
    {
        int32_t& mesh = meshOfSlot_[face.slot];
        if (mesh < 0) {
            mesh = static_cast<int32_t>(meshes_.size());
            meshes_.emplace_back().slot = face.slot;
        }
        return meshes_[static_cast<std::size_t>(mesh)];
    }

    // The materials in the order they first occur, with the room their fans need: a fan that
    // would push its mesh past kMaxMeshVertices is left out (the same one when placing).
    void planMeshes()
    {
        for (const ObjectFace& face : faces_.faces) {
            MaterialMesh& mesh = meshOf(face);
            ++mesh.faceCount;
            const int64_t fan = fanVertices(face.cornerCount);
            mesh.makesFrame = mesh.makesFrame || fan > 0;
            if (fan <= kMaxMeshVertices - mesh.vertexTotal)
                mesh.vertexTotal += fan;
        }
    }

    // Each face's corners at the start of its fan in its mesh (positions and texture
    // coordinates; the normals follow), in face order; every corner of a mesh's faces widens
    // its bounds, also those of faces without a triangle.
    void placeCorners()
    {
        const std::vector<ObjectPoint>& positions = source_.positions;
        const auto vertexCount = static_cast<int64_t>(faces_.vertexCount);
        for (ObjectFace& face : faces_.faces) {
            MaterialMesh& mesh = meshes_[static_cast<std::size_t>(meshOfSlot_[face.slot])];
            if (mesh.vertices == nullptr)
                continue;
            const int64_t fan = fanVertices(face.cornerCount);
            if (fan > 0) {
                if (fan > mesh.vertexTotal - mesh.placed)
                    continue;
                face.corners = mesh.vertices.get() + mesh.placed;
                mesh.placed += fan;
            }
            for (int32_t k = 0; k < face.cornerCount; ++k) {
                const std::size_t c = face.firstCorner + static_cast<std::size_t>(k);
                // A mirror copy's vertex number counts its reflection apart; its position is
                // the reflection of the file's vertex.
                const int32_t index = faces_.indices[c];
                const ObjectPoint p =
                    face.mirrorMask == 0
                        ? positions[static_cast<std::size_t>(index)]
                        : reflectedPoint(positions[static_cast<std::size_t>(index % vertexCount)],
                                         face.mirrorMask);
                mesh.bounds.widen(p.x, p.y, p.z);
                if (face.corners != nullptr) {
                    MeshVertex& corner = face.corners[k];
                    corner.x = p.x;
                    corner.y = p.y;
                    corner.z = p.z;
                    corner.u = faces_.uvs[c].u;
                    corner.v = faces_.uvs[c].v;
                }
            }
        }
    }

    void giveNormals()
    {
        if (!source_.flatShading) {
            smoothNormals(faces_, source_.smoothedVertices);
            return;
        }
        for (const ObjectFace& face : faces_.faces) {
            for (int32_t k = 0; face.corners != nullptr && k < face.cornerCount; ++k) {
                face.corners[k].nx = face.nx;
                face.corners[k].ny = face.ny;
                face.corners[k].nz = face.nz;
            }
        }
    }

    ObjectFaces& faces_;
    const ObjectMeshSource& source_;
    std::vector<int32_t> meshOfSlot_;  // per material slot, its mesh, or -1
    std::vector<MaterialMesh> meshes_;
};

}  // namespace

void buildObjectMeshes(ModelEntry& entry, ObjectFaces& faces, const ObjectMeshSource& source,
                       FrameBudget& budget)
{
    ObjectMeshBuilder(faces, source).build(entry, budget);
}
