#include "model/x_mesh.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "math/vector3.h"
#include "model/mesh_fans.h"
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
    std::size_t fanTotal = 0;
    std::size_t smallCount = 0;
    for (const Face& face : list.faces) {
        if (face.vertexCount >= 3)
            fanTotal += static_cast<std::size_t>(fanVertices(face.vertexCount));
        else
            smallCount += static_cast<std::size_t>(face.vertexCount);
    }
    list.fanSlots.reset(new MeshVertex[fanTotal]);
    list.fanVertices = fanTotal;
    list.smallCorners.assign(smallCount, MeshVertex{});
    std::size_t fanAt = 0;
    std::size_t smallAt = 0;
    std::size_t first = 0;
    for (Face& face : list.faces) {
        const auto n = static_cast<std::size_t>(face.vertexCount);
        if (n == 0)
            continue;
        if (n >= 3) {
            face.vertices = list.fanSlots.get() + fanAt;
            fanAt += static_cast<std::size_t>(fanVertices(face.vertexCount));
        } else {
            face.vertices = list.smallCorners.data() + smallAt;
            smallAt += n;
        }
        face.indices = list.indices.data() + first;
        first += n;
        for (std::size_t k = 0; k < n; ++k) {
            const XPoint& p = positions[static_cast<std::size_t>(face.indices[k])];
            face.vertices[k].x = p.x;
            face.vertices[k].y = p.y;
            face.vertices[k].z = p.z;
        }
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
    const bool lacking = std::any_of(faces.faces.begin(), faces.faces.end(), [](const Face& face) {
        return std::any_of(face.vertices, face.vertices + face.vertexCount, lacksNormal);
    });
    if (!lacking)
        return;
    // Smoothing gives every corner a normal; the file's own are kept aside, corner after corner,
    // and put back afterwards.
    std::vector<XPoint> read;
    read.reserve(faces.indices.size());
    for (Face& face : faces.faces) {
        if (face.vertexCount >= 3)
            face.normal = fanNormal(face);
        for (int32_t k = 0; k < face.vertexCount; ++k)
            read.push_back({face.vertices[k].nx, face.vertices[k].ny, face.vertices[k].nz});
    }
    smoothNormals(faces.faces.data(), faces.count(), static_cast<int32_t>(positions.size()), kFacetAngle);
    std::size_t at = 0;
    for (Face& face : faces.faces) {
        for (int32_t k = 0; k < face.vertexCount; ++k, ++at) {
            if (read[at].x == 0.0f && read[at].y == 0.0f && read[at].z == 0.0f)
                continue;
            face.vertices[k].nx = read[at].x;
            face.vertices[k].ny = read[at].y;
            face.vertices[k].nz = read[at].z;
        }
    }
}

bool XMesh::oneMaterial() const
{
    const std::vector<Face>& list = faces.faces;
    return std::all_of(list.begin(), list.end(),
                       [&](const Face& face) { return face.material == list.front().material; });
}

MeshVertex* XMesh::releaseTriangleList(Bounds& bounds)
{
    bounds = Bounds{};
    for (const Face& face : faces.faces) {
        for (int32_t k = 0; k < face.vertexCount; ++k)
            bounds.widen(face.vertices[k].x, face.vertices[k].y, face.vertices[k].z);
    }
    for (const Face& face : faces.faces) {
        if (face.vertexCount >= 3)
            expandFan(face.vertices, face.vertexCount);
    }
    return faces.fanSlots.release();
}
