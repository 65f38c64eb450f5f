// Measuring a model: corners placed through every frame's scale, rotation and position below the
// root (the root's own transform left out), zero normals counted, pure groups and frames that
// hold no triangle list left out.
#include "model/model_measure.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// A triangle-list child of parent with the given corners, normals (0, 0, 1) unless zeroNormal.
Frame* addMesh(Frame& parent, std::initializer_list<Vector3> corners, bool zeroNormal = false)
{
    auto* vertices = new MeshVertex[corners.size()];
    int32_t i = 0;
    for (const Vector3& c : corners) {
        vertices[i] = MeshVertex{c.x, c.y, c.z, 0.0f, 0.0f, zeroNormal ? 0.0f : 1.0f, 0.0f, 0.0f};
        ++i;
    }
    return parent.addMeshChild(Frame::kTriangleList, vertices, i, 0.0f);
}

void expectVector(const Vector3& got, const Vector3& want, const char* what)
{
    EXPECT_NEAR(got.x, want.x, 1e-4f) << what;
    EXPECT_NEAR(got.y, want.y, 1e-4f) << what;
    EXPECT_NEAR(got.z, want.z, 1e-4f) << what;
}

}  // namespace

TEST(ModelMeasure, CornersStandWhereDrawingPutsThemBelowTheRoot)
{
    Frame root;
    root.localRotation.setAxisAngle(0.0f, 1.0f, 0.0f, 1.0f);  // the user's turn: not measured
    root.localPosition.set(500.0f, 500.0f, 500.0f);
    addMesh(root, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});

    // A group turned a quarter about z and moved to x = 10; its mesh is stretched along its own
    // x and placed one along the group's x, which the turn makes y.
    Frame* group = root.addChild(0.0f);
    group->localRotation.setAxisAngle(0.0f, 0.0f, 1.0f, 1.5707964f);
    group->localPosition.set(10.0f, 0.0f, 0.0f);
    Frame* mesh = addMesh(*group, {{1, 0, 0}, {0, 0, 4}, {0, 0, -3}}, true);
    mesh->localScale.set(2.0f, 1.0f, 1.0f);
    mesh->localPosition.set(1.0f, 0.0f, 0.0f);

    // Neither a pure group's vertices nor a strip count as drawn triangles.
    addMesh(root, {{-99, -99, -99}, {0, 0, 0}, {0, 0, 0}})->flags = Frame::kGroupOnly;
    addMesh(root, {{99, 99, 99}, {0, 0, 0}, {0, 0, 0}})->primitiveType = Frame::kTriangleStrip;

    const ModelMeasure m = measureModel(root);
    EXPECT_EQ(m.triangles, 2);
    EXPECT_EQ(m.corners, 6);
    EXPECT_EQ(m.zeroNormals, 3);
    // The stretched corner (2, 0, 0) turns to (0, 2, 0) and lands at (10, 1 + 2, 0).
    expectVector(m.boundsMin, {0, 0, -3}, "min");
    expectVector(m.boundsMax, {10, 3, 4}, "max");
    expectVector(m.size(), {10, 3, 7}, "size");
}
