// Fitting a model into the scene's view: which boxes are fitted and what limits their factor,
// and a fitted tree ends up as the tree scaled about its box centre, whatever its frames'
// transforms.
#include "app/view_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/frame.h"
#include "model/model_measure.h"

namespace {

const float kHalf = viewHalfSize();

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
    enum Fit { none, front, largest };  // what limits the factor of a fitted box
    const struct {
        const char* what;
        Vector3 boxMin, boxMax;
        Fit fit;
    } cases[] = {
        {"the glasses at the scene's scale", {-103, -40, -140}, {103, 38, 3.4f}, none},
        {"deep but narrow: its depth counts", {-1, -1, -15}, {1, 1, 15}, none},
        {"an eighth of the view", {0, 0, 0}, {kHalf / 4, 1, 1}, none},
        {"within the edges at the origin, past them at its front",
         {-100, -100, -100},
         {100, 100, 100},
         front},
        {"a figure standing on the origin", {-20, 0, -10}, {20, 136.5f, 10}, front},
        {"out of the view on x alone", {100, -1, -1}, {113, 1, 1}, front},
        {"a crate 1.4 wide", {-0.7f, -0.7f, -0.7f}, {0.7f, 0.7f, 0.7f}, front},
        {"a flat quad", {-3.5f, -3.5f, 0}, {3.5f, 3.5f, 0}, largest},
        {"a rod along z through the camera", {-1, -1, 250}, {1, 1, 350}, largest},
        {"just under an eighth", {0, 0, 0}, {kHalf / 4 - 0.01f, 1, 0}, largest},
        {"a point", {500, 500, 500}, {500, 500, 500}, none},
        {"endless", {-inf, 0, 0}, {0, 1, 1}, none},
    };
    const float slope = kHalf / kCameraDistance;
    for (const auto& c : cases) {
        const ViewFit fit = viewFitFor(c.boxMin, c.boxMax);
        EXPECT_EQ(fit.fitted, c.fit != none) << c.what;
        if (!fit.fitted) {
            EXPECT_EQ(fit.factor, 1.0f) << c.what;
            continue;
        }
        expectVector(fit.centre, c.boxMin.plus(c.boxMax).scale(0.5f), c.what);
        // Centred and scaled: the front face's half size and depth, and the largest extent.
        const Vector3 size = c.boxMax.minus(c.boxMin).scale(fit.factor);
        const float across = std::max(size.x, size.y) / 2;
        const float frontFill = across / ((kCameraDistance - size.z / 2) * slope);
        const float largestFill = std::max({size.x, size.y, size.z}) / (2 * kHalf);
        EXPECT_NEAR(c.fit == front ? frontFill : largestFill, 0.9f, 1e-5f) << c.what;
        EXPECT_LE(std::max(frontFill, largestFill), 0.9f + 1e-5f) << c.what;
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
