#include "model/x_mesh.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "math/vector3.h"
#include "model/smooth_normals.h"

namespace {

// The facet angle of Metasequoia objects that set none: 59.05 degrees.
constexpr float kFacetAngle = std::bit_cast<float>(0x3F83EB41u);

bool lacksNormal(const MeshVertex& corner)
{
    return corner.nx == 0.0f && corner.ny == 0.0f && corner.nz == 0.0f;
}

// The sum of the area vectors of the face's fan of triangles, as it is drawn, made unit length:
// unlike the normal of the first three corners alone, it has a length whenever the face has an
// area, also when its first corners lie on one line.
Vector3 fanNormal(const Face& face)
{
    const MeshVertex* c = face.vertices;
    const Vector3 first(c[0].x, c[0].y, c[0].z);
    Vector3 sum;
    for (int32_t k = 1; k + 1 < face.vertexCount; ++k) {
        const Vector3 b(c[k].x, c[k].y, c[k].z);
        const Vector3 d(c[k + 1].x, c[k + 1].y, c[k + 1].z);
        sum.add(first.triangleNormal(b, d));
    }
    return normalizedOrZero(sum);
}

}  // namespace

void XMesh::link()
{
    XFaceList& list = faces;
    list.corners.clear();
    list.corners.reserve(list.indices.size());
    for (const int32_t index : list.indices) {
        const XPoint& p = positions[static_cast<std::size_t>(index)];
        MeshVertex& corner = list.corners.emplace_back();
        corner.x = p.x;
        corner.y = p.y;
        corner.z = p.z;
    }
    std::size_t first = 0;
    for (Face& face : list.faces) {
        if (face.vertexCount == 0)
            continue;
        face.vertices = list.corners.data() + first;
        face.indices = list.indices.data() + first;
        first += static_cast<std::size_t>(face.vertexCount);
    }
}

void XMesh::reverseCorners()
{
    for (Face& face : faces.faces) {
        if (face.vertexCount < 3)
            continue;
        std::reverse(face.vertices + 1, face.vertices + face.vertexCount);
        std::reverse(face.indices + 1, face.indices + face.vertexCount);
    }
}

void XMesh::completeNormals()
{
    std::vector<MeshVertex>& corners = faces.corners;
    if (std::none_of(corners.begin(), corners.end(), lacksNormal))
        return;
    for (Face& face : faces.faces) {
        if (face.vertexCount >= 3)
            face.normal = fanNormal(face);
    }
    // Smoothing gives every corner a normal; the file's own are put back afterwards.
    const std::vector<MeshVertex> read = corners;
    smoothNormals(faces.faces.data(), faces.count(), static_cast<int32_t>(positions.size()), kFacetAngle);
    for (std::size_t k = 0; k < corners.size(); ++k) {
        if (!lacksNormal(read[k])) {
            corners[k].nx = read[k].nx;
            corners[k].ny = read[k].ny;
            corners[k].nz = read[k].nz;
        }
    }
}
