// Fitting a model into the scene's view: which boxes are fitted and by what factor, and a
// fitted tree ends up as the tree scaled about its box centre, whatever its frames' transforms.
#include "app/view_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/frame.h"
#include "model/model_measure.h"

namespace {

const float kHalf = viewHalfSize();
const float kFitted = 0.9f * 2.0f * kHalf;  // the largest extent of a fitted model

Frame* addTriangle(Frame& parent, const Vector3& a, const Vector3& b, const Vector3& c)
{
    auto* v = new MeshVertex[3]{{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
    Frame* mesh = parent.addMeshChild(Frame::kTriangleList, v, 3, 0.0f);
    mesh->boundsMin.set(std::fmin(a.x, std::fmin(b.x, c.x)), std::fmin(a.y, std::fmin(b.y, c.y)),
                        std::fmin(a.z, std::fmin(b.z, c.z)));
    return mesh;
}

void expectVector(const Vector3& got, const Vector3& want, const char* what)
{
    EXPECT_NEAR(got.x, want.x, 1e-3f) << what;
    EXPECT_NEAR(got.y, want.y, 1e-3f) << what;
    EXPECT_NEAR(got.z, want.z, 1e-3f) << what;
}

}  // namespace

TEST(ViewFit, BoxesOutOfTheViewOrTooSmallAreFittedAboutTheirCentre)
{
    EXPECT_NEAR(kHalf, 112.59f, 0.01f);
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        Vector3 boxMin, boxMax;
        float largest;  // 0: not fitted
    } cases[] = {
        {"the glasses at the scene's scale", {-103, -15, -140}, {103, 23, 0}, 0},
        {"touching the view's edges", {-kHalf, -kHalf, 0}, {kHalf, kHalf, 0}, 0},
        {"deep but narrow: its depth counts", {-1, -1, -15}, {1, 1, 15}, 0},
        {"an eighth of the view", {0, 0, 0}, {kHalf / 4, 1, 1}, 0},
        {"a figure standing on the origin", {-20, 0, -10}, {20, 136.5f, 10}, 136.5f},
        {"out of the view on x alone", {100, -1, -1}, {113, 1, 1}, 13},
        {"a crate 1.4 wide", {-0.7f, -0.7f, -0.7f}, {0.7f, 0.7f, 0.7f}, 1.4f},
        {"just under an eighth", {0, 0, 0}, {kHalf / 4 - 0.01f, 1, 1}, kHalf / 4 - 0.01f},
        {"a point", {500, 500, 500}, {500, 500, 500}, 0},
        {"endless", {-inf, 0, 0}, {0, 1, 1}, 0},
        {"not a number", {0, 0, 0}, {std::nanf(""), 1, 1}, 0},
    };
    for (const auto& c : cases) {
        const ViewFit fit = viewFitFor(c.boxMin, c.boxMax);
        EXPECT_EQ(fit.fitted, c.largest > 0) << c.what;
        if (!fit.fitted) {
            EXPECT_EQ(fit.factor, 1.0f) << c.what;
            continue;
        }
        EXPECT_NEAR(fit.factor * c.largest, kFitted, 1e-3f) << c.what;
        expectVector(fit.centre, c.boxMin.plus(c.boxMax).scale(0.5f), c.what);
    }
}

TEST(ViewFit, AFittedTreeIsTheTreeScaledAboutItsBoxCentre)
{
    // A figure 195 high standing on the origin, made of a mesh under the root, a turned and
    // moved group with a moved mesh, and a mesh that shares another's vertex array.
    Frame model;
    addTriangle(model, {-30, 0, -10}, {30, 0, -10}, {0, 60, 10});
    Frame* group = model.addChild(0.0f);
    group->localPosition.set(5.0f, 100.0f, 0.0f);
    group->localRotation.setAxisAngle(0.0f, 0.0f, 1.0f, 0.5f);
    Frame* head = addTriangle(*group, {-10, -10, -40}, {10, -10, 0}, {0, 10, 0});
    head->localPosition.set(0.0f, 80.0f, 0.0f);
    Frame* twin = model.addChild(0.0f);
    twin->primitiveType = Frame::kTriangleList;
    twin->vertexOwnership = Frame::kVerticesBorrowed;
    twin->vertices = head->vertices;
    twin->vertexCount = head->vertexCount;
    twin->localPosition.set(0.0f, 20.0f, 0.0f);

    const ModelMeasure before = measureModel(model);
    ASSERT_GT(before.boundsMax.y, kHalf);
    const ViewFit fit = viewFitFor(before.boundsMin, before.boundsMax);
    ASSERT_TRUE(fit.fitted);
    const float headLowest = head->boundsMin.z + head->localPosition.z;
    applyViewFit(model, fit);

    const ModelMeasure after = measureModel(model);
    const float f = fit.factor;
    expectVector(after.boundsMin, before.boundsMin.minus(fit.centre).scale(f), "min");
    expectVector(after.boundsMax, before.boundsMax.minus(fit.centre).scale(f), "max");
    // The masks stand on the lowest point of their bounds, which must follow the vertices.
    EXPECT_NEAR(head->boundsMin.z + head->localPosition.z, headLowest * f, 1e-3f);
    // The model frame itself stays where the scene put it.
    expectVector(model.localPosition, {0, 0, 0}, "model position");
}
