// buildMeshes: fan triangulation and winding, grouping by material pointer, the alpha-blend
// rule, the mesh frames' settings, and faces that add nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/build_meshes.h"

namespace {

// Corner i sits at (i, 10 * i, -i) and carries u = i, so triangles can be read back by index.
std::vector<MeshVertex> corners(int32_t n, float offset = 0.0f)
{
    std::vector<MeshVertex> v(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const float f = static_cast<float>(i);
        v[static_cast<size_t>(i)].x = f + offset;
        v[static_cast<size_t>(i)].y = 10.0f * f;
        v[static_cast<size_t>(i)].z = -f;
        v[static_cast<size_t>(i)].u = f;
    }
    return v;
}

Face faceOf(const Material* material, std::vector<MeshVertex>& v)
{
    Face f;
    f.material = material;
    f.vertexCount = static_cast<int32_t>(v.size());
    f.vertices = v.data();
    return f;
}

std::vector<int> cornerOrder(const Frame& mesh)
{
    std::vector<int> order;
    for (int32_t i = 0; i < mesh.vertexCount; ++i)
        order.push_back(static_cast<int>(mesh.vertices[i].u));
    return order;
}

Material opaque(float r)
{
    Material m;
    m.diffuse = {r, 0.5f, 0.25f, 1.0f};
    m.power = 5.0f;
    return m;
}

int childCount(const Frame& f)
{
    int n = 0;
    for (const Frame* c = f.firstChild; c != nullptr; c = c->next)
        ++n;
    return n;
}

}  // namespace

TEST(BuildMeshes, FanTriangulationAndFlippedWinding)
{
    const struct {
        int32_t corners;
        int32_t flip;
        std::vector<int> order;
    } cases[] = {
        {3, 0, {0, 1, 2}},
        {3, kFlipWinding, {0, 2, 1}},
        {4, 0, {0, 1, 2, 0, 2, 3}},
        {4, kFlipWinding, {0, 2, 1, 0, 3, 2}},
        {4, 2, {0, 1, 2, 0, 2, 3}},  // only bit 0 flips
        {5, 0, {0, 1, 2, 0, 2, 3, 0, 3, 4}},
    };
    const Material m = opaque(1);
    for (const auto& c : cases) {
        ModelEntry entry;
        auto v = corners(c.corners);
        const Face face = faceOf(&m, v);
        Frame* root = buildMeshes(entry, &face, 1, c.flip, nullptr, "obj");
        ASSERT_EQ(root, entry.root.get());
        ASSERT_NE(root->firstChild, nullptr);
        EXPECT_EQ(cornerOrder(*root->firstChild), c.order) << c.corners << " flip " << c.flip;
        // Whole vertices are copied, not only the positions.
        EXPECT_EQ(root->firstChild->vertices[2].y, 10.0f * static_cast<float>(c.order[2]));
    }
}

TEST(BuildMeshes, MeshFrameSettings)
{
    ModelEntry entry;
    Material m = opaque(0.75f);
    auto v = corners(4, 100.0f);
    const Face face = faceOf(&m, v);
    Frame* root = buildMeshes(entry, &face, 1, 0, nullptr, "\x83\x8C\x83\x93\x83\x59");  // レンズ
    EXPECT_EQ(root->lighting, 1);
    const Frame* mesh = root->firstChild;
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->name, "\x83\x8C\x83\x93\x83\x59");
    EXPECT_EQ(mesh->primitiveType, 4);
    EXPECT_EQ(mesh->vertexFormat, 274);
    EXPECT_EQ(mesh->vertexCount, 6);
    EXPECT_EQ(mesh->lighting, 1);
    EXPECT_EQ(mesh->vertexOwnership, 2);
    EXPECT_EQ(mesh->sortKey, 0.0f);
    EXPECT_EQ(mesh->alphaBlend, 0);
    EXPECT_EQ(mesh->texture, nullptr);
    ASSERT_TRUE(mesh->material);
    EXPECT_EQ(std::memcmp(mesh->material.get(), static_cast<const D3DMaterial7Data*>(&m), 68), 0);
    EXPECT_EQ(mesh->boundsMin.x, 100.0f);
    EXPECT_EQ(mesh->boundsMax.x, 103.0f);
    EXPECT_EQ(mesh->boundsMax.y, 30.0f);
    EXPECT_EQ(mesh->boundsMin.z, -3.0f);
    EXPECT_EQ(mesh->boundsMax.z, 0.0f);
}

TEST(BuildMeshes, GroupsByMaterialPointerInOrderOfFirstUse)
{
    // a and twin have equal contents but are two materials: two meshes.
    const Material a = opaque(0.1f), b = opaque(0.2f), twin = opaque(0.1f);
    auto tri = corners(3);
    auto quad = corners(4);
    const Face faces[] = {faceOf(&b, tri), faceOf(&a, quad), faceOf(&twin, tri), faceOf(&b, quad),
                          faceOf(&a, tri)};
    ModelEntry entry;
    Frame* root = buildMeshes(entry, faces, 5, 0, nullptr, "frame");
    ASSERT_EQ(childCount(*root), 3);
    const Frame* first = root->firstChild;
    const Frame* second = first->next;
    const Frame* third = second->next;
    EXPECT_EQ(first->material->diffuse.r, 0.2f);
    EXPECT_EQ(cornerOrder(*first), (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(second->material->diffuse.r, 0.1f);
    EXPECT_EQ(second->vertexCount, 9);
    EXPECT_EQ(third->vertexCount, 3);
    for (const Frame* f : {first, second, third})
        EXPECT_EQ(f->name, "frame");
}

TEST(BuildMeshes, AlphaBlendUnlessDiffuseAlphaIsExactlyOne)
{
    const struct {
        float alpha;
        int32_t blend;
    } cases[] = {{1.0f, 0}, {0.999f, 1}, {0.99999994f, 1}, {1.0000001f, 1}, {0.0f, 1}, {0.5f, 1}};
    for (const auto& c : cases) {
        Material m = opaque(1);
        m.diffuse.a = c.alpha;
        auto tri = corners(3);
        const Face face = faceOf(&m, tri);
        ModelEntry entry;
        const Frame* mesh = buildMeshes(entry, &face, 1, 0, nullptr, nullptr)->firstChild;
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->alphaBlend, c.blend) << c.alpha;
        EXPECT_EQ(mesh->srcBlend, 5);
        EXPECT_EQ(mesh->destBlend, 6);
        EXPECT_EQ(mesh->name, "");
    }
}

TEST(BuildMeshes, FacesWithoutAPolygonAddNothing)
{
    const Material lines = opaque(1), solid = opaque(0.5f);
    auto one = corners(1);
    auto two = corners(2);
    auto far = corners(2, 1000.0f);
    auto tri = corners(3);
    const Face faces[] = {faceOf(&lines, one), faceOf(&lines, two), faceOf(&solid, far), faceOf(&solid, tri)};
    ModelEntry entry;
    Frame* root = buildMeshes(entry, faces, 4, 0, nullptr, "obj");
    ASSERT_EQ(childCount(*root), 1);  // the line-only material gets no mesh
    EXPECT_EQ(root->firstChild->vertexCount, 3);
    // The two-corner face adds no triangle, but its corners still widen the box.
    EXPECT_EQ(root->firstChild->boundsMax.x, 1001.0f);

    ModelEntry empty;
    Frame* bare = buildMeshes(empty, faces, 2, 0, nullptr, "obj");
    EXPECT_EQ(bare, empty.root.get());
    EXPECT_EQ(bare->firstChild, nullptr);
    EXPECT_EQ(bare->lighting, 1);
}

TEST(BuildMeshes, GivenParentReceivesTheMeshes)
{
    const Material m = opaque(1);
    auto tri = corners(3);
    const Face face = faceOf(&m, tri);
    ModelEntry entry;
    Frame group;
    EXPECT_EQ(buildMeshes(entry, &face, 1, 0, &group, "g"), &group);
    EXPECT_FALSE(entry.root);
    EXPECT_EQ(childCount(group), 1);
    EXPECT_EQ(group.lighting, 0);
}

TEST(BuildMeshes, FaceTooLargeForAMeshIsLeftOut)
{
    // A corner count no mesh can hold (its vertex total passes the int32 count) is refused
    // before a single corner is read; the sanitizer build catches any read past the 3 corners.
    const Material m = opaque(1);
    auto tri = corners(3);
    Face huge = faceOf(&m, tri);
    huge.vertexCount = INT32_MAX;
    const Face faces[] = {huge, faceOf(&m, tri)};
    ModelEntry entry;
    Frame* root = buildMeshes(entry, faces, 2, 0, nullptr, "obj");
    ASSERT_EQ(childCount(*root), 1);
    EXPECT_EQ(root->firstChild->vertexCount, 3);
}
