// The World and frame drawing, checked on the calls a recording device receives: the fixed
// states, one picture's call order, the state cache, materials, transforms, lights.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "recording_draw_device.h"
#include "render/texture.h"
#include "render/world.h"

namespace {

MeshVertex triangle[3];  // borrowed by the test frames; the contents do not matter

// A child of parent with a three-vertex triangle list that it does not own.
Frame* meshChild(Frame& parent, float key = 0.0f)
{
    Frame* f = parent.addMeshChild(Frame::kTriangleList, triangle, 3, key);
    f->vertexOwnership = Frame::kVerticesBorrowed;
    return f;
}

// A World on a recording device, reset, with the set-up calls forgotten.
struct Scene {
    RecordingDrawDevice device;  // declared first: it outlives the World
    World world;

    Scene()
    {
        world.setDevice(&device);
        world.resetWorld();
        device.calls.clear();
    }
    ~Scene() { world.setDevice(nullptr); }

    // The calls one picture makes after the view transform (those of the frames).
    std::vector<RecordedCall> frameCalls()
    {
        device.calls.clear();
        world.renderFrame();
        std::vector<RecordedCall> out;
        bool afterView = false;
        for (const RecordedCall& c : device.calls) {
            if (afterView && c.text != "end")
                out.push_back(c);
            afterView = afterView || c.text == "transform 2";
        }
        return out;
    }
    std::vector<std::string> frameTexts(const std::string& prefix)
    {
        std::vector<std::string> out;
        for (const RecordedCall& c : frameCalls())
            if (c.text.compare(0, prefix.size(), prefix) == 0)
                out.push_back(c.text);
        return out;
    }
    std::vector<Matrix4> worldMatrices()
    {
        std::vector<Matrix4> out;
        for (const RecordedCall& c : frameCalls())
            if (c.text == "transform 1")
                out.push_back(c.matrix);
        return out;
    }
};

const Matrix4& lastTransform(const RecordingDrawDevice& device, const std::string& text)
{
    static const Matrix4 none;
    const Matrix4* found = &none;
    for (const RecordedCall& c : device.calls)
        if (c.text == text)
            found = &c.matrix;
    return *found;
}

}  // namespace

TEST(World, SetupProjectionPutsTheFixedStatesInOrder)
{
    RecordingDrawDevice device;
    device.height = 300;
    World world;
    world.setDevice(&device);
    world.setupProjection();
    const std::vector<std::string> expected = {"transform 3", "tss 0 1 4",
                                               "tss 0 2 2",   "tss 0 3 0",
                                               "tss 0 4 4",   "tss 0 5 2",
                                               "tss 0 6 0",   "rs 9 2",
                                               "rs 8 3",      "rs 7 1",
                                               "rs 41 1",     "rs 144 1",
                                               "rs 2 2",      "viewport 0 0 400 300 0 1"};
    EXPECT_EQ(device.texts(), expected);
    const Matrix4& p = lastTransform(device, "transform 3");
    const float cot = std::cos(0.35903916f) / std::sin(0.35903916f);
    EXPECT_FLOAT_EQ(p.m[0][0], 0.75f * cot);  // height / width
    EXPECT_FLOAT_EQ(p.m[1][1], cot);
    EXPECT_FLOAT_EQ(p.m[2][2], 1000.0f / 995.0f);
    EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(p.m[3][2], -5000.0f / 995.0f);
    EXPECT_EQ(p.m[3][3], 0.0f);

    device.calls.clear();
    world.nearPlane = 10.0;
    world.farPlane = 10.005;
    world.setupProjection();
    EXPECT_TRUE(device.calls.empty()) << "planes closer than 0.01 change nothing";
    world.setDevice(nullptr);
}

TEST(World, RenderFrameOfAnEmptyWorld)
{
    Scene s;
    s.world.clearColour = 0x0000FF00;
    EXPECT_EQ(s.world.renderFrame(), kDrawOk);
    // The World is a pure group with vertex format 452: it draws nothing and takes unlit states.
    const std::vector<std::string> expected = {"clear 3 0000ff00 1 0",
                                               "begin",
                                               "tex 0 none",
                                               "rs 27 0",
                                               "rs 19 5",
                                               "rs 20 6",
                                               "material",
                                               "rs 137 0",
                                               "rs 7 1",
                                               "rs 14 1",
                                               "rs 30 1",
                                               "transform 2",
                                               "transform 1",
                                               "rs 29 0",
                                               "rs 141 1",
                                               "end"};
    EXPECT_EQ(s.device.texts(), expected);
    EXPECT_EQ(s.device.calls[6].material.ambient.g, 1.0f) << "the default material";

    World alone;  // without a device nothing is drawn and nothing breaks
    alone.resetWorld();
    meshChild(alone);
    EXPECT_EQ(alone.renderFrame(), kDrawFailed);
    EXPECT_FALSE(alone.addLight()->apply(true));
}

TEST(FrameDraw, TexturesAreBoundOnlyWhenTheyChange)
{
    Scene s;
    Texture shared;
    shared.surface = std::make_unique<FakeTextureSurface>(s.device.log, 7, TextureSurfaceRequest{});
    Texture withoutSurface;  // its load failed: the frame draws untextured
    meshChild(s.world)->texture = &shared;
    meshChild(s.world)->texture = &shared;
    meshChild(s.world);
    meshChild(s.world)->texture = &withoutSurface;
    meshChild(s.world)->texture = &shared;
    EXPECT_EQ(s.frameTexts("tex"), (std::vector<std::string>{"tex 0 #7", "tex 0 none", "tex 0 #7"}));
    s.world.clearWorld();
}

TEST(FrameDraw, BlendFactorsAreSetOnlyForBlendingFramesThatChangeThem)
{
    const struct {
        int32_t alphaBlend, srcBlend, destBlend;
        std::vector<std::string> states;  // the cached states the frame changes
    } cases[] = {
        {0, 5, 6, {"rs 137 1"}},
        {0, 2, 1, {"rs 137 1"}},  // the factors of a frame without blending are never set
        {1, 5, 6, {"rs 137 1", "rs 27 1"}},
        {1, 2, 6, {"rs 137 1", "rs 27 1", "rs 19 2"}},
        {1, 5, 1, {"rs 137 1", "rs 27 1", "rs 20 1"}},
    };
    for (const auto& c : cases) {
        Scene s;
        Frame* f = meshChild(s.world);
        f->alphaBlend = c.alphaBlend;
        f->srcBlend = c.srcBlend;
        f->destBlend = c.destBlend;
        std::vector<std::string> states;
        for (const std::string& t : s.frameTexts("rs "))
            if (t.rfind("rs 29 ", 0) != 0 && t.rfind("rs 141 ", 0) != 0)  // set for every frame
                states.push_back(t);
        EXPECT_EQ(states, c.states) << c.alphaBlend << " " << c.srcBlend << " " << c.destBlend;
    }
}

TEST(FrameDraw, AChildWithItsOwnMaterialGivesTheParentsBack)
{
    Scene s;
    D3DMaterial7Data red;
    Frame* parent = meshChild(s.world);
    red.diffuse.r = 0.25f;
    parent->setMaterial(red);
    Frame* own = meshChild(*parent, 1.0f);
    red.diffuse.r = 0.5f;
    own->setMaterial(red);
    Frame* borrowing = meshChild(*parent);

    std::vector<float> reds;
    for (const RecordedCall& c : s.frameCalls())
        if (c.text == "material")
            reds.push_back(c.material.diffuse.r);
    // parent, child, the parent's again after the child, the World's default after the parent.
    EXPECT_EQ(reds, (std::vector<float>{0.25f, 0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(borrowing->currentMaterial, parent->material.get());
    EXPECT_EQ(s.world.currentMaterial, s.world.defaultMaterial());
}

TEST(FrameDraw, ChildrenTakeTheParentsRotationAndPositionButNotItsScale)
{
    Scene s;
    Frame* parent = meshChild(s.world);
    parent->localRotation.setAxisAngle(0.3f, 0.5f, 0.8f, 1.1f);
    parent->localPosition.set(10.0f, -4.0f, 2.0f);
    parent->localScale.set(2.0f, 3.0f, 0.5f);
    meshChild(*parent)->localPosition.set(1.0f, 2.0f, 3.0f);

    const std::vector<Matrix4> m = s.worldMatrices();
    ASSERT_EQ(m.size(), 3u);  // World, parent, child
    const Matrix4& p = m[1];
    const Matrix4& c = m[2];
    const float scale[3] = {2.0f, 3.0f, 0.5f};
    const float offset[3] = {1.0f, 2.0f, 3.0f};
    for (int col = 0; col < 3; ++col) {
        // The child's rows are the parent's rotation without the parent's scale, and its offset
        // goes through that rotation before the parent's position is added.
        float expected = p.m[3][col];
        for (int row = 0; row < 3; ++row) {
            EXPECT_NEAR(c.m[row][col] * scale[row], p.m[row][col], 1e-5f) << row << col;
            expected += offset[row] * p.m[row][col] / scale[row];
        }
        EXPECT_NEAR(c.m[3][col], expected, 1e-4f) << col;
    }
}

TEST(FrameDraw, APureGroupDrawsNoVerticesButPlacesItsChildren)
{
    Scene s;
    Frame* group = meshChild(s.world);
    group->flags = Frame::kGroupOnly;
    group->localPosition.set(5.0f, 0.0f, 0.0f);
    Frame* child = meshChild(*group);
    uint16_t indices[3] = {0, 2, 1};
    child->indices = indices;
    child->indexCount = 3;
    const std::vector<Matrix4> m = s.worldMatrices();
    EXPECT_EQ(s.device.texts("draw"), std::vector<std::string>{});
    EXPECT_EQ(s.device.texts("indexed"), std::vector<std::string>{"indexed 4 274 3 3 0"});
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[2].m[3][0], 5.0f);
    child->indices = nullptr;
}

TEST(World, TheOriginProjectsToTheCentreOfTheViewport)
{
    for (const auto& size : {std::array<int32_t, 2>{400, 400}, std::array<int32_t, 2>{1200, 1200},
                             std::array<int32_t, 2>{640, 480}}) {
        Scene s;
        s.device.width = size[0];
        s.device.height = size[1];
        s.world.setupProjection();
        s.world.cameraPosition.set(0.0f, 0.0f, 300.0f);
        s.world.cameraRotation.setLookDirection(Vector3(0.0f, 0.0f, -300.0f), 0.0f, 1.0f, 0.0f);
        meshChild(s.world);
        s.world.renderFrame();
        // (0, 0, 0, 1) through the world, view and projection matrices.
        std::array<float, 4> p = {0.0f, 0.0f, 0.0f, 1.0f};
        for (const char* transform : {"transform 1", "transform 2", "transform 3"}) {
            const Matrix4& m = lastTransform(s.device, transform);
            std::array<float, 4> r{};
            for (int col = 0; col < 4; ++col)
                for (int row = 0; row < 4; ++row)
                    r[col] += p[row] * m.m[row][col];
            p = r;
        }
        EXPECT_NEAR(p[3], 300.0f, 1e-2f) << "in front of the camera, at its distance";
        EXPECT_NEAR((p[0] / p[3] + 1.0f) * 0.5f * size[0], size[0] / 2.0f, 1e-3f);
        EXPECT_NEAR((1.0f - p[1] / p[3]) * 0.5f * size[1], size[1] / 2.0f, 1e-3f);
        EXPECT_GT(p[2] / p[3], 0.0f);
        EXPECT_LT(p[2] / p[3], 1.0f);
    }
}

TEST(Light, IndicesStartAtOneAfterEveryClearing)
{
    Scene s;
    for (int round = 0; round < 3; ++round) {
        std::vector<int32_t> indices;
        for (int i = 0; i < 3; ++i)
            indices.push_back(s.world.addLight()->index);
        EXPECT_EQ(indices, (std::vector<int32_t>{1, 2, 3}));
        s.world.clearWorld();
    }
}

TEST(Light, SetApplyAndSwitchingOffWhenCleared)
{
    Scene s;
    Light* set = s.world.addLight();
    set->set(-0.5f, 2.0f, 7.0f, 0xFFFFFFFF, 0x00000000, 0x80FF4000);
    const D3DLight7Data& l = set->light;
    EXPECT_EQ(l.type, 3u);
    EXPECT_EQ(l.direction.x, -0.5f);  // as given, not normalised
    EXPECT_EQ(l.direction.z, 7.0f);
    EXPECT_FLOAT_EQ(l.diffuse.a, 1.0f);
    EXPECT_EQ(l.ambient.r, 0.0f);
    EXPECT_FLOAT_EQ(l.specular.g, 0x40 / 255.0f);
    EXPECT_FLOAT_EQ(l.specular.a, 0x80 / 255.0f);
    EXPECT_FLOAT_EQ(l.range, 1.8446743e19f);

    s.world.addLight();  // never set: not switched off on the way out
    EXPECT_TRUE(set->apply(true));
    s.device.setLightResult = kDrawFailed;
    EXPECT_FALSE(set->apply(false));  // a refused record is not switched
    s.device.setLightResult = kDrawOk;
    s.world.clearWorld();
    EXPECT_EQ(s.device.texts(),
              (std::vector<std::string>{"light 1", "enable 1 on", "light 1", "light 1", "enable 1 off"}));
}

TEST(World, ClearWorldReleasesFramesLightsModelsAndTheDefaultMaterial)
{
    Scene s;
    meshChild(*meshChild(s.world));
    s.world.addLight();
    auto* entry = new ModelEntry;  // as a load leaves it in the cache
    entry->root = std::make_unique<Frame>();
    entry->prev = &s.world.modelCache.head;
    s.world.modelCache.head.next = entry;
    s.world.clearWorld();
    EXPECT_EQ(s.world.modelCache.head.next, nullptr);
    EXPECT_EQ(s.world.firstChild, nullptr);
    EXPECT_EQ(s.world.lights.count(), 0u);
    EXPECT_EQ(s.world.currentMaterial, nullptr);
    s.world.resetWorld();
    EXPECT_EQ(s.world.currentMaterial, s.world.defaultMaterial());
    EXPECT_NE(s.world.currentMaterial, nullptr);
}
