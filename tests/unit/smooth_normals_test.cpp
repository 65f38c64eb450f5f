// smoothNormals against the rule stated plainly (every face around a vertex compared with
// every other), on random meshes and on the shapes the indexed version treats specially.
#include "model/smooth_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Faces over a shared vertex list, each with its own corners, as a reader would make them.
struct Mesh {
    std::vector<Vector3> positions;
    std::vector<std::vector<int32_t>> corners;  // vertex numbers per face
    std::vector<std::vector<MeshVertex>> vertices;
    std::vector<Face> faces;

    void addFace(std::vector<int32_t> indices) { corners.push_back(std::move(indices)); }

    // Face records with normals, ready for smoothing; call once all faces are added.
    void finish()
    {
        vertices.assign(corners.size(), {});
        faces.assign(corners.size(), Face{});
        for (std::size_t f = 0; f < corners.size(); ++f) {
            for (const int32_t i : corners[f]) {
                MeshVertex v;
                if (i >= 0 && i < static_cast<int32_t>(positions.size())) {
                    v.x = positions[i].x;
                    v.y = positions[i].y;
                    v.z = positions[i].z;
                }
                vertices[f].push_back(v);
            }
            Face& face = faces[f];
            face.vertexCount = static_cast<int32_t>(corners[f].size());
            face.vertices = vertices[f].data();
            face.indices = corners[f].data();
            if (face.vertexCount >= 3) {
                const Vector3 p0(vertices[f][0].x, vertices[f][0].y, vertices[f][0].z);
                const Vector3 p1(vertices[f][1].x, vertices[f][1].y, vertices[f][1].z);
                const Vector3 p2(vertices[f][2].x, vertices[f][2].y, vertices[f][2].z);
                face.normal = normalizedOrZero(p0.triangleNormal(p1, p2));
            }
        }
    }

    int32_t vertexCount() const { return static_cast<int32_t>(positions.size()); }
};

// The rule as written: per vertex, per face around it, sum over all faces around it.
std::vector<std::vector<Vector3>> naiveNormals(const Mesh& mesh, float facetAngle)
{
    std::vector<std::vector<Vector3>> out(mesh.faces.size());
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        out[f].assign(mesh.corners[f].size(), Vector3());
    for (int32_t i = 0; i < mesh.vertexCount(); ++i) {
        std::vector<std::size_t> around;
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            for (const int32_t c : mesh.corners[f]) {
                if (c == i) {
                    around.push_back(f);
                    break;
                }
            }
        }
        for (const std::size_t f : around) {
            Vector3 sum;
            for (const std::size_t g : around) {
                if (mesh.faces[f].normal.angleBetween(mesh.faces[g].normal) <= facetAngle)
                    sum.add(mesh.faces[g].normal);
            }
            const Vector3 n = normalizedOrZero(sum);
            for (std::size_t k = 0; k < mesh.corners[f].size(); ++k) {
                if (mesh.corners[f][k] == i)
                    out[f][k] = n;
            }
        }
    }
    return out;
}

void expectNormals(const Mesh& mesh, const std::vector<std::vector<Vector3>>& expected, float tolerance)
{
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        for (std::size_t k = 0; k < mesh.corners[f].size(); ++k) {
            const MeshVertex& v = mesh.faces[f].vertices[k];
            ASSERT_NEAR(v.nx, expected[f][k].x, tolerance) << "face " << f << " corner " << k;
            ASSERT_NEAR(v.ny, expected[f][k].y, tolerance) << "face " << f << " corner " << k;
            ASSERT_NEAR(v.nz, expected[f][k].z, tolerance) << "face " << f << " corner " << k;
        }
    }
}

Mesh randomMesh(std::mt19937& rng, int32_t vertices, int32_t faces)
{
    std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
    Mesh mesh;
    for (int32_t i = 0; i < vertices; ++i)
        mesh.positions.emplace_back(coordinate(rng), coordinate(rng), coordinate(rng));
    for (int32_t f = 0; f < faces; ++f) {
        std::vector<int32_t> indices(3 + rng() % 3);
        for (int32_t& i : indices)
            i = static_cast<int32_t>(rng() % static_cast<uint32_t>(vertices));  // repeats allowed
        mesh.addFace(indices);
    }
    mesh.finish();
    return mesh;
}

TEST(SmoothNormals, EqualsThePlainRuleOnRandomMeshes)
{
    std::mt19937 rng(99);
    const float angles[] = {0.0f, 0.2f, 1.0306169f, 2.0f, 3.1415927f, 4.0f, -1.0f};
    for (int round = 0; round < 60; ++round) {
        const int32_t vertices = 4 + static_cast<int32_t>(rng() % 40);
        Mesh mesh = randomMesh(rng, vertices, 1 + static_cast<int32_t>(rng() % 120));
        const float angle = angles[round % 7];
        const auto expected = naiveNormals(mesh, angle);
        smoothNormals(mesh.faces.data(), static_cast<int32_t>(mesh.faces.size()), vertices, angle);
        expectNormals(mesh, expected, 1e-6f);
    }
}

// Faces of many corners (found at each vertex through their corners in vertex order), with
// vertices repeated within a face and corners outside the vertex list, beside small faces.
TEST(SmoothNormals, LargeFacesEqualThePlainRule)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
    for (int round = 0; round < 20; ++round) {
        const int32_t vertices = 20 + static_cast<int32_t>(rng() % 60);
        Mesh mesh;
        for (int32_t i = 0; i < vertices; ++i)
            mesh.positions.emplace_back(coordinate(rng), coordinate(rng), coordinate(rng));
        for (int32_t f = 0; f < 30; ++f) {
            std::vector<int32_t> indices(f % 3 == 0 ? 17 + rng() % 50 : 3);
            for (int32_t& i : indices)
                i = static_cast<int32_t>(rng() % static_cast<uint32_t>(vertices + 3)) - 1;
            mesh.addFace(indices);
        }
        mesh.finish();
        const float angle = round % 2 == 0 ? 1.0306169f : 3.1415927f;
        const auto expected = naiveNormals(mesh, angle);
        smoothNormals(mesh.faces.data(), static_cast<int32_t>(mesh.faces.size()), vertices, angle);
        expectNormals(mesh, expected, 1e-6f);
    }
}

TEST(SmoothNormals, SharedNormalsCountOncePerFace)
{
    // A flat fan around vertex 0, a doubled face and a degenerate face (zero normal).
    Mesh mesh;
    mesh.positions.emplace_back(0.0f, 0.0f, 0.0f);
    for (int k = 0; k <= 200; ++k) {
        const float a = 0.03f * static_cast<float>(k);
        mesh.positions.emplace_back(std::cos(a), std::sin(a), 0.0f);
    }
    mesh.positions.emplace_back(0.0f, 0.0f, 1.0f);
    for (int32_t k = 1; k <= 200; ++k)
        mesh.addFace({0, k, k + 1});
    mesh.addFace({0, 202, 1});
    mesh.addFace({0, 202, 1});
    mesh.addFace({0, 0, 5});
    mesh.finish();
    const auto expected = naiveNormals(mesh, 1.0306169f);
    smoothNormals(mesh.faces.data(), static_cast<int32_t>(mesh.faces.size()), mesh.vertexCount(), 1.0306169f);
    expectNormals(mesh, expected, 1e-5f);
}

TEST(SmoothNormals, CornersOutsideTheVertexListKeepTheirNormals)
{
    Mesh mesh;
    mesh.positions = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0)};
    mesh.addFace({0, 1, 2});
    mesh.addFace({0, 7, -3});
    mesh.finish();
    mesh.faces[1].vertices[1].nx = 5.0f;
    mesh.faces[1].vertices[2].nx = 6.0f;
    smoothNormals(mesh.faces.data(), 2, 3, 1.0f);
    EXPECT_EQ(mesh.faces[1].vertices[1].nx, 5.0f);
    EXPECT_EQ(mesh.faces[1].vertices[2].nx, 6.0f);
    EXPECT_NEAR(mesh.faces[0].vertices[0].nz, 1.0f, 1e-6f);
    smoothNormals(nullptr, 0, 0, 1.0f);  // nothing to do
}

TEST(SmoothNormals, AVertexWithTooManyDistinctNormalsKeepsFaceNormals)
{
    // A cone: every face around the apex has its own normal.
    const int32_t segments = kMaxSmoothedNormalsPerVertex + 1;
    Mesh mesh;
    mesh.positions.emplace_back(0.0f, 0.0f, 1.0f);
    for (int32_t k = 0; k < segments; ++k) {
        const float a = 6.2831853f * static_cast<float>(k) / static_cast<float>(segments);
        mesh.positions.emplace_back(std::cos(a), std::sin(a), 0.0f);
    }
    for (int32_t k = 0; k < segments; ++k)
        mesh.addFace({0, 1 + k, 1 + (k + 1) % segments});
    mesh.finish();
    smoothNormals(mesh.faces.data(), segments, mesh.vertexCount(), 1.0306169f);
    for (const Face& face : mesh.faces) {
        EXPECT_EQ(face.vertices[0].nx, face.normal.x);
        EXPECT_EQ(face.vertices[0].nz, face.normal.z);
        // The rim vertices have two faces each and are smoothed as usual.
        const MeshVertex& rim = face.vertices[1];
        EXPECT_FALSE(rim.nx == face.normal.x && rim.ny == face.normal.y && rim.nz == face.normal.z);
    }
}

}  // namespace
