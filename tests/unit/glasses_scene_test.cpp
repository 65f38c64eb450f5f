// The glasses scene: loading a model (and fitting one of another scale into the view) and
// finding its parts, the open-failure path, the clamping, light, lens colour and mask rules of
// each picture, and region mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/glasses_scene.h"
#include "app/view_fit.h"
#include "model/frame.h"
#include "model/model_measure.h"
#include "recording_draw_device.h"
#include "render/light.h"
#include "render/world.h"

namespace {

// One quad per object: two lenses of different colours (the second opaque as loaded), a frame,
// and one mask per side.
const char kModel[] = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                      "Material 4 {\r\n"
                      "\t\"lensA\" col(0.2 0.2 0.2 0.5) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
                      "\t\"lensB\" col(0.4 0.2 0.2 1) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
                      "\t\"frame\" col(0.1 0.1 0.1 1) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
                      "\t\"mask\" col(1 1 1 0) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
                      "}\r\n"
                      "Object \"\x83\x8C\x83\x93\x83\x59\" {\r\n"
                      "\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t10 0 0\r\n\t\t10 10 0\r\n\t\t0 10 0\r\n\t}\r\n"
                      "\tface 2 {\r\n\t\t4 V(0 1 2 3) M(0)\r\n\t\t4 V(3 2 1 0) M(1)\r\n\t}\r\n"
                      "}\r\n"
                      "Object \"frame\" {\r\n"
                      "\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t10 0 0\r\n\t\t10 10 0\r\n\t}\r\n"
                      "\tface 1 {\r\n\t\t3 V(0 1 2) M(2)\r\n\t}\r\n"
                      "}\r\n"
                      "Object \"\x8D\xB6\x83\x7D\x83\x58\x83\x4E\" {\r\n"
                      "\tvertex 3 {\r\n\t\t0 0 -40\r\n\t\t10 0 -60\r\n\t\t10 10 -50\r\n\t}\r\n"
                      "\tface 1 {\r\n\t\t3 V(0 1 2) M(3)\r\n\t}\r\n"
                      "}\r\n"
                      "Object \"\x89\x45\x83\x7D\x83\x58\x83\x4E\" {\r\n"
                      "\tvertex 3 {\r\n\t\t0 0 -30\r\n\t\t10 0 -30\r\n\t\t10 10 -20\r\n\t}\r\n"
                      "\tface 1 {\r\n\t\t3 V(0 1 2) M(3)\r\n\t}\r\n"
                      "}\r\n"
                      "Eof\r\n";

// The "render target" the fake host copies: the left half of each row is the glasses, the same
// colour over any background; the right half is the world's clear colour. The alpha bytes are
// left at kUntouchedAlpha, so that only the matte can change them.
constexpr uint8_t kGlassesB = 0x20, kGlassesG = 0x40, kGlassesR = 0x80;
constexpr uint8_t kUntouchedAlpha = 0x5A;

struct FakeHost : SceneHost {
    const World* world = nullptr;
    int32_t side = 8;
    bool ready = true;
    bool layered = true;
    bool minimised = false;
    int copies = 0;
    int pluginScans = 0;
    std::vector<std::string> failures;
    bool pickFile = false;
    std::string pickedPath;

    bool deviceReady() const override { return ready; }
    int32_t targetWidth() const override { return side; }
    int32_t targetHeight() const override { return side; }
    void copyTarget(ImageBuffer& image) override
    {
        ++copies;
        const uint32_t c = world->clearColour;
        const int32_t bytes = image.bitsPerPixel() / 8;
        for (int32_t y = 0; y < image.height(); ++y)
            for (int32_t x = 0; x < image.width(); ++x) {
                uint8_t* p = image.row(y) + x * bytes;
                const bool glasses = x < image.width() / 2;
                p[0] = glasses ? kGlassesB : static_cast<uint8_t>(c);
                p[1] = glasses ? kGlassesG : static_cast<uint8_t>(c >> 8);
                p[2] = glasses ? kGlassesR : static_cast<uint8_t>(c >> 16);
                if (bytes == 4)
                    p[3] = kUntouchedAlpha;
            }
    }
    bool windowMinimised() const override { return minimised; }
    bool layeredWindows() const override { return layered; }
    void reloadPlugins() override { ++pluginScans; }
    void showOpenFailure(const std::string& name) override { failures.push_back(name); }
    bool chooseModelFile(std::string& path) override
    {
        path = pickedPath;
        return pickFile;
    }
};

class GlassesSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir =
            std::filesystem::temp_directory_path() /
            ("vellarn-scene-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
        modelPath = (dir / "glasses.mqo").string();
        std::ofstream(modelPath, std::ios::binary) << kModel;
        world.setDevice(&device);
        host.world = &world;
    }
    void TearDown() override
    {
        world.clearWorld();
        world.setDevice(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path dir;
    std::string modelPath;
    RecordingDrawDevice device;
    World world;
    FakeHost host;
    GlassesScene scene{world, host};
};

// v turned by angle (radians) about one axis, counterclockwise looking down the axis.
Vector3 aboutX(float angle, const Vector3& v)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}
Vector3 aboutY(float angle, const Vector3& v)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}
Vector3 aboutZ(float angle, const Vector3& v)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}

void expectNear(const Vector3& v, const Vector3& want, const char* what)
{
    EXPECT_NEAR(v.x, want.x, 1e-5f) << what;
    EXPECT_NEAR(v.y, want.y, 1e-5f) << what;
    EXPECT_NEAR(v.z, want.z, 1e-5f) << what;
}

// A hand-made mask at height position whose corners have the given z values.
std::unique_ptr<Frame> maskAt(float position, std::initializer_list<float> zs)
{
    auto mask = std::make_unique<Frame>();
    mask->localPosition.z = position;
    mask->vertexCount = static_cast<int32_t>(zs.size());
    mask->vertices = new MeshVertex[zs.size()];
    int32_t i = 0;
    for (const float z : zs)
        mask->vertices[i++].z = z;
    mask->boundsMin.z = std::min(zs);
    return mask;
}

}  // namespace

TEST_F(GlassesSceneTest, LoadFindsLensesAndMasksAndOrdersThem)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    EXPECT_TRUE(scene.loaded);
    EXPECT_EQ(host.pluginScans, 1);
    ASSERT_EQ(scene.lenses.count(), 2);
    EXPECT_EQ(scene.leftMasks.count(), 1);
    EXPECT_EQ(scene.rightMasks.count(), 1);
    EXPECT_FLOAT_EQ(scene.lensBaseColour.r, 0.2f);
    // The first lens's colour becomes the lens colour record, its alpha the offset.
    EXPECT_FLOAT_EQ(scene.params.lens.alphaOffset, 0.5f);
    // Masks first, lenses last.
    const Frame* first = scene.model->firstChild;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->sortKey, 1.0f);
    const Frame* last = first;
    while (last->next)
        last = last->next;
    EXPECT_EQ(last->sortKey, -1.0f);
    EXPECT_EQ(scene.blackImage.width(), 8);
    EXPECT_EQ(scene.greenImage.bitsPerPixel(), 32);

    // The lenses blend over what lies behind them, even one loaded opaque (the user may make it
    // see-through); the rest of the glasses does not.
    for (int32_t i = 0; i < scene.lenses.count(); ++i) {
        EXPECT_EQ(scene.lenses[i]->alphaBlend, 1);
        EXPECT_EQ(scene.lenses[i]->srcBlend, Frame::kBlendSrcAlpha);
        EXPECT_EQ(scene.lenses[i]->destBlend, Frame::kBlendInvSrcAlpha);
    }
    std::vector<Frame*> frame;
    scene.model->findByName("frame", frame);
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame[0]->alphaBlend, 0);

    // The camera stands 300 in front of the glasses on z, looking back at them, y up.
    expectNear(world.cameraPosition, {0, 0, 300}, "camera position");
    expectNear(Vector3(0, 0, 1).rotated(world.cameraRotation), {0, 0, -1}, "camera looks along -z");
    expectNear(Vector3(0, 1, 0).rotated(world.cameraRotation), {0, 1, 0}, "camera up");

    // Loading again while loaded only restores the device state.
    ASSERT_TRUE(scene.load(name));
    EXPECT_EQ(host.pluginScans, 1);
}

TEST_F(GlassesSceneTest, MasksStandOnTheirSidesLowestPlane)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    const Frame& left = *scene.leftMasks[0];
    // Reading mirrors nothing in z; the lowest left-mask z is -60 * 0.7 = -42.
    EXPECT_FLOAT_EQ(left.localPosition.z, -42.0f);
    float lowest = 0.0f;
    for (int32_t v = 0; v < left.vertexCount; ++v)
        lowest = std::min(lowest, left.vertices[v].z);
    EXPECT_FLOAT_EQ(lowest, 0.0f);
    EXPECT_EQ(left.material->diffuse.a, 0.0f);

    scene.params.templeDiff = 0.8f;
    scene.params.templeMean = 0.5f;
    scene.render();
    EXPECT_EQ(scene.leftMasks[0]->localScale.z, 1.0f);
    EXPECT_EQ(scene.rightMasks[0]->localScale.z, 0.0f);
}

TEST_F(GlassesSceneTest, RenderClampsAndColoursTheLenses)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    scene.params.turnX = 2.0f;
    scene.params.turnY = -2.0f;
    scene.params.tilt = -9.0f;
    scene.params.lightPadX = 3.0f;
    scene.params.lightPadY = -3.0f;
    scene.params.lens.alphaOffset = 1.5f;
    scene.params.lens.r = 0.5f;
    scene.params.lens.g = 0.5f;
    scene.params.lens.b = 0.5f;
    scene.render();
    EXPECT_EQ(scene.params.turnX, 1.5707964f);
    EXPECT_EQ(scene.params.turnY, -1.5707964f);
    EXPECT_EQ(scene.params.tilt, -3.1415927f);
    EXPECT_EQ(scene.params.lightPadX, 1.0f);
    EXPECT_EQ(scene.params.lightPadY, -1.0f);
    EXPECT_EQ(scene.params.lens.alphaOffset, 1.0f);
    EXPECT_EQ(host.copies, 2);

    const ColourValue a = scene.lenses[0]->material->diffuse;
    const ColourValue b = scene.lenses[1]->material->diffuse;
    EXPECT_FLOAT_EQ(a.r, 0.5f);
    EXPECT_FLOAT_EQ(a.a, 1.0f);
    EXPECT_FLOAT_EQ(b.r, 0.7f);
    EXPECT_FLOAT_EQ(b.g, 0.5f);
    EXPECT_EQ(world.clearColour, 0x00FF00u);
}

TEST_F(GlassesSceneTest, LightFollowsThePad)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    struct Case {
        float x, y, dx, dy, dz;
    };
    // Off the diagonal the pad's x and y go to the light's x and y.
    const Case cases[] = {{0, 0, 0, 0, -5},
                          {-0.5f, -0.5f, -3.168f, -3.168f, -2.220f},
                          {0.5f, 0, 3.536f, 0, -3.536f},
                          {0, -0.5f, 0, -3.536f, -3.536f}};
    for (const Case& c : cases) {
        scene.params.lightPadX = c.x;
        scene.params.lightPadY = c.y;
        scene.render();
        EXPECT_NEAR(scene.light->light.direction.x, c.dx, 1e-3f) << c.x << ", " << c.y;
        EXPECT_NEAR(scene.light->light.direction.y, c.dy, 1e-3f) << c.x << ", " << c.y;
        EXPECT_NEAR(scene.light->light.direction.z, c.dz, 1e-3f) << c.x << ", " << c.y;
    }
    // Each picture's light: opaque white diffuse, no ambient, white specular of alpha 0.
    const D3DLight7Data& l = scene.light->light;
    EXPECT_EQ((std::array{l.diffuse.r, l.diffuse.g, l.diffuse.b, l.diffuse.a}),
              (std::array{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ((std::array{l.ambient.r, l.ambient.g, l.ambient.b, l.ambient.a}),
              (std::array{0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ((std::array{l.specular.r, l.specular.g, l.specular.b, l.specular.a}),
              (std::array{1.0f, 1.0f, 1.0f, 0.0f}));
    // Past the unit circle the light comes from behind the glasses.
    scene.params.lightPadX = 1.0f;
    scene.params.lightPadY = 1.0f;
    scene.render();
    EXPECT_GT(scene.light->light.direction.z, 0.0f);
}

TEST_F(GlassesSceneTest, RenderMattesTheBlackPassWithTheGreenPass)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    scene.render();
    ASSERT_EQ(host.copies, 2);
    // Glasses: the same over both backgrounds, so opaque, colours kept.
    const uint8_t* glasses = scene.blackImage.row(3);
    EXPECT_EQ((std::array{glasses[0], glasses[1], glasses[2], glasses[3]}),
              (std::array<uint8_t, 4>{kGlassesB, kGlassesG, kGlassesR, 255}));
    // Background: black in the picture shown, green in the other, fully transparent.
    const uint8_t* background = scene.blackImage.row(3) + 4 * 6;
    EXPECT_EQ((std::array{background[0], background[1], background[2], background[3]}),
              (std::array<uint8_t, 4>{0, 0, 0, 0}));
    const uint8_t* green = scene.greenImage.row(3) + 4 * 6;
    EXPECT_EQ((std::array{green[0], green[1], green[2]}), (std::array<uint8_t, 3>{0, 255, 0}));
}

TEST_F(GlassesSceneTest, GlassesTiltThenTipThenTurn)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    scene.params.turnX = 0.3f;
    scene.params.turnY = -0.7f;
    scene.params.tilt = 1.1f;
    scene.render();
    // Tilt about z in the glasses' own plane first, then turnX tips them about x, then turnY
    // turns them about y.
    for (const Vector3& axis : {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)}) {
        const Vector3 want = aboutY(-0.7f, aboutX(0.3f, aboutZ(1.1f, axis)));
        expectNear(axis.rotated(scene.model->localRotation), want, "model axis");
    }
}

TEST_F(GlassesSceneTest, RestoringTheDeviceRemakesCameraAndPicturesOfTheNewSize)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    host.side = 16;
    world.cameraPosition.set(1, 2, 3);
    world.cameraRotation = Quaternion();
    ASSERT_TRUE(scene.restoreDeviceState());
    EXPECT_EQ(scene.blackImage.width(), 16);
    EXPECT_EQ(scene.blackImage.height(), 16);
    EXPECT_EQ(scene.greenImage.width(), 16);
    expectNear(world.cameraPosition, {0, 0, 300}, "camera position");
    expectNear(Vector3(0, 0, 1).rotated(world.cameraRotation), {0, 0, -1}, "camera looks along -z");
}

TEST(GlassesScene, PrepareMasksFindsTheLowestPointWhereEachMaskStands)
{
    // The first mask stands at 10 with corners down to -5 (lowest at 5), the second at 0 with
    // corners down to 2: the side's lowest point is at 2.
    std::unique_ptr<Frame> high = maskAt(10.0f, {-5.0f, 0.0f});
    std::unique_ptr<Frame> low = maskAt(0.0f, {2.0f, 4.0f});
    PtrArray<Frame*> masks;
    masks.append(high.get());
    masks.append(low.get());
    prepareMasks(masks);
    EXPECT_FLOAT_EQ(high->localPosition.z, 12.0f);
    EXPECT_FLOAT_EQ(high->vertices[0].z, -7.0f);
    EXPECT_FLOAT_EQ(low->localPosition.z, 2.0f);
    EXPECT_FLOAT_EQ(low->vertices[0].z, 0.0f);
    EXPECT_FLOAT_EQ(low->vertices[1].z, 2.0f);
}

TEST_F(GlassesSceneTest, NothingIsDrawnWhenNotReady)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    host.minimised = true;
    scene.render();
    host.minimised = false;
    host.ready = false;
    scene.render();
    EXPECT_EQ(host.copies, 0);
}

TEST_F(GlassesSceneTest, OpenFailureAsksForAnotherFile)
{
    std::string name = (dir / "missing.mqo").string();
    EXPECT_FALSE(scene.load(name));
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_EQ(host.failures[0], name);
    EXPECT_FALSE(scene.loaded);

    host.pickFile = true;
    host.pickedPath = modelPath;
    ASSERT_TRUE(scene.load(name));
    EXPECT_EQ(name, modelPath);  // the chosen full path replaces the name
}

TEST_F(GlassesSceneTest, RegionModeRendersOnceOverGreenWithClearLenses)
{
    host.layered = false;
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    EXPECT_EQ(scene.blackImage.bitsPerPixel(), 24);
    EXPECT_TRUE(scene.greenImage.empty());
    scene.params.lens.alphaOffset = -3.0f;
    scene.render();
    EXPECT_EQ(scene.params.lens.alphaOffset, -1.0f);
    EXPECT_EQ(host.copies, 1);
    EXPECT_EQ(world.clearColour, 0x00FF00u);
    EXPECT_EQ(scene.lenses[0]->material->diffuse.a, 0.0f);
}

TEST_F(GlassesSceneTest, ShowMasksPaintsThemWhiteAndInvisibleAgain)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    scene.showMasks(true);
    EXPECT_EQ(scene.leftMasks[0]->material->diffuse.a, 1.0f);
    EXPECT_EQ(scene.rightMasks[0]->material->diffuse.r, 1.0f);
    scene.showMasks(false);
    EXPECT_EQ(scene.leftMasks[0]->material->diffuse.a, 0.0f);
    EXPECT_EQ(scene.leftMasks[0]->material->diffuse.r, 0.0f);
}

TEST_F(GlassesSceneTest, ClearKeepsTheParameters)
{
    std::string name = modelPath;
    ASSERT_TRUE(scene.load(name));
    scene.params.turnY = 0.25f;
    scene.clear();
    EXPECT_FALSE(scene.loaded);
    EXPECT_EQ(scene.lenses.count(), 0);
    EXPECT_EQ(scene.params.turnY, 0.25f);
}

TEST_F(GlassesSceneTest, AModelMadeAtAnotherScaleIsFittedIntoTheViewWhole)
{
    // A figure 195 high standing on the origin (136.5 at 0.7, out of the view).
    std::string name = (dir / "figure.x").string();
    std::ofstream(name, std::ios::binary)
        << "xof 0302txt 0032\nMesh {\n3;\n-20;0;0;,\n20;0;10;,\n0;195;0;;\n1;\n3;0,1,2;;\n}\n";
    ASSERT_TRUE(scene.load(name));
    // Centred, and its face nearest the camera fills nine tenths of the view there.
    const ModelMeasure m = measureModel(*scene.model);
    expectNear(m.boundsMin.plus(m.boundsMax), {0, 0, 0}, "centred");
    const float visible = (kCameraDistance - m.boundsMax.z) * viewHalfSize() / kCameraDistance;
    EXPECT_NEAR(std::max(m.boundsMax.x, m.boundsMax.y), 0.9f * visible, 1e-3f);
}
