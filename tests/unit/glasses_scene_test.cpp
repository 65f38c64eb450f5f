// The glasses scene: loading a model and finding its parts, the open-failure path, the
// clamping, light, lens colour and mask rules of each picture, and region mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/glasses_scene.h"
#include "model/frame.h"
#include "recording_draw_device.h"
#include "render/light.h"
#include "render/world.h"

namespace {

// One quad per object: two lenses of different colours, a frame, and one mask per side.
const char kModel[] =
    "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
    "Material 4 {\r\n"
    "\t\"lensA\" col(0.2 0.2 0.2 0.5) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
    "\t\"lensB\" col(0.4 0.2 0.2 0.5) dif(1) amb(1) emi(0) spc(0) power(5)\r\n"
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

struct FakeHost : SceneHost {
    bool ready = true;
    bool layered = true;
    bool minimised = false;
    int copies = 0;
    int pluginScans = 0;
    std::vector<std::string> failures;
    bool pickFile = false;
    std::string pickedPath;

    bool deviceReady() const override { return ready; }
    int32_t targetWidth() const override { return 8; }
    int32_t targetHeight() const override { return 8; }
    void copyTarget(ImageBuffer&) override { ++copies; }
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
        dir = std::filesystem::temp_directory_path() /
              ("vellarn-scene-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
        modelPath = (dir / "glasses.mqo").string();
        std::ofstream(modelPath, std::ios::binary) << kModel;
        world.setDevice(&device);
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
    scene.params.tilt = -9.0f;
    scene.params.lightPadX = 3.0f;
    scene.params.lens.r = 0.5f;
    scene.params.lens.g = 0.5f;
    scene.params.lens.b = 0.5f;
    scene.render();
    EXPECT_EQ(scene.params.turnX, 1.5707964f);
    EXPECT_EQ(scene.params.tilt, -3.1415927f);
    EXPECT_EQ(scene.params.lightPadX, 1.0f);
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
    const Case cases[] = {{0, 0, 0, 0, -5}, {-0.5f, -0.5f, -3.168f, -3.168f, -2.220f}};
    for (const Case& c : cases) {
        scene.params.lightPadX = c.x;
        scene.params.lightPadY = c.y;
        scene.render();
        EXPECT_NEAR(scene.light->light.direction.x, c.dx, 1e-3f);
        EXPECT_NEAR(scene.light->light.direction.y, c.dy, 1e-3f);
        EXPECT_NEAR(scene.light->light.direction.z, c.dz, 1e-3f);
    }
    // Past the unit circle the light comes from behind the glasses.
    scene.params.lightPadX = 1.0f;
    scene.params.lightPadY = 1.0f;
    scene.render();
    EXPECT_GT(scene.light->light.direction.z, 0.0f);
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
    scene.render();
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
