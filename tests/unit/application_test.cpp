// The order of start-up and shut-down, what each failure leads to, and the view remembered
// from one run to the next.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/application.h"
#include "app/settings_file.h"

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Records every call of the application into its services; fails where it is told to.
struct RecordingServices : AppServices {
    std::vector<std::string> calls;
    bool windowOk = true;
    bool deviceOk = true;
    int32_t refusedDeviceSize = 0;  // a width the device cannot be made at
    bool sceneOk = true;
    ViewState windowView;  // what the window and the scene were given
    ViewState sceneView;
    // With app set, each load notes the model's name and the settings file's bytes at that
    // moment, and fails for the broken model (as when the open-file dialog is cancelled),
    // unless dialogChoice names the file picked in the open-file dialog instead.
    Application* app = nullptr;
    std::string brokenModel;
    std::string dialogChoice;
    std::vector<std::string> loadedNames;
    std::vector<std::vector<uint8_t>> settingsAtLoad;

    bool createMainWindow(const ViewState& view) override
    {
        windowView = view;
        return record("window", windowOk);
    }
    void destroyMainWindow() override { calls.push_back("destroy"); }
    void resizeMainWindow(int32_t w, int32_t h) override
    {
        calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
    }
    void showDeviceError() override { calls.push_back("device-error"); }
    void shutdownDevice() override { calls.push_back("device-off"); }
    bool createDevice(int32_t w, int32_t h, int32_t d) override
    {
        return record("device " + std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(d),
                      deviceOk && w != refusedDeviceSize);
    }
    bool loadScene() override
    {
        if (!app)
            return record("load", sceneOk);
        loadedNames.push_back(app->modelFileName);
        settingsAtLoad.push_back(fileBytes(app->settingsPath));
        if (app->modelFileName == brokenModel && !dialogChoice.empty())
            app->modelFileName = dialogChoice;
        return record("load", app->modelFileName != brokenModel);
    }
    void restoreScene(const ViewState& view) override
    {
        sceneView = view;
        calls.push_back("restore");
    }
    void renderAndPresent() override { calls.push_back("present"); }
    void clearScene() override { calls.push_back("clear-scene"); }
    void clearWorld() override { calls.push_back("clear-world"); }
    int32_t runMessageLoop() override
    {
        calls.push_back("loop");
        return 0;
    }

    bool record(const std::string& call, bool result)
    {
        calls.push_back(call);
        return result;
    }
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("vellarn-app-test-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
        settings = (dir / "vellarn.cfg").string();
        view = (dir / "vellarn.ini").string();
        std::filesystem::remove(settings);
        std::filesystem::remove(view);
        renderWidth = renderHeight = kDefaultRenderSize;
    }
    void TearDown() override
    {
        renderWidth = renderHeight = kDefaultRenderSize;
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    int32_t runApp()
    {
        Application app(services);
        app.settingsPath = settings;
        app.viewPath = view;
        return app.run();
    }

    std::filesystem::path dir;
    std::string settings;
    std::string view;
    RecordingServices services;
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_F(ApplicationTest, SuccessfulRunInOrderAndSavesTheModel)
{
    EXPECT_EQ(runApp(), 0);
    EXPECT_EQ(services.calls,
              (Calls{"window", "device-off", "resize 200x200", "device 400x400x16", "load", "restore",
                     "present", "loop", "clear-scene", "clear-world", "device-off", "destroy"}));
    EXPECT_EQ(readSettingsFile(settings), std::string(kDefaultModelName));
}

TEST_F(ApplicationTest, DeviceFailureShowsTheMessageAndSavesNothing)
{
    services.deviceOk = false;
    EXPECT_EQ(runApp(), 0);
    EXPECT_EQ(services.calls, (Calls{"window", "device-off", "resize 200x200", "device 400x400x16",
                                     "device-error", "clear-scene", "clear-world", "device-off", "destroy"}));
    EXPECT_FALSE(std::filesystem::exists(settings));
}

TEST_F(ApplicationTest, ModelFailureEndsQuietlyAndKeepsTheOldSettings)
{
    writeSettingsFile(settings, "abc");
    services.sceneOk = false;
    EXPECT_EQ(runApp(), 0);
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "device-error"), 0);
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "loop"), 0);
    // Nothing was shown before, so nothing is loaded again.
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "load"), 1);
    // The device goes before the window it draws for.
    EXPECT_EQ(std::vector<std::string>(services.calls.end() - 2, services.calls.end()),
              (Calls{"device-off", "destroy"}));
    EXPECT_EQ(fileBytes(settings), encodeSettings("abc"));
}

TEST_F(ApplicationTest, RemembersTheNameFromTheSettingsFile)
{
    writeSettingsFile(settings, "abc");
    Application app(services);
    app.settingsPath = settings;
    ASSERT_TRUE(app.startUp());
    EXPECT_EQ(app.modelFileName, "abc");
}

TEST_F(ApplicationTest, MenuPickThatCannotBeShownBringsBackTheShownModel)
{
    Application app(services);
    app.settingsPath = settings;
    ASSERT_TRUE(app.startUp());
    services.calls.clear();
    services.app = &app;
    services.brokenModel = "broken.mqo";

    app.chooseModel("broken.mqo");
    EXPECT_EQ(services.calls, (Calls{"clear-scene", "load", "load", "present"}));
    EXPECT_EQ(services.loadedNames, (Calls{"broken.mqo", kDefaultModelName}));
    // The pick is saved before it is tried, and the shown model's name replaces it after.
    EXPECT_EQ(services.settingsAtLoad, (std::vector<std::vector<uint8_t>>{
                                           encodeSettings("broken.mqo"), encodeSettings(kDefaultModelName)}));
    EXPECT_EQ(app.modelFileName, kDefaultModelName);
    EXPECT_EQ(fileBytes(settings), encodeSettings(kDefaultModelName));

    // The next good pick is shown and remembered as before.
    services.calls.clear();
    app.chooseModel("good.mqo");
    EXPECT_EQ(services.calls, (Calls{"clear-scene", "load", "present"}));
    EXPECT_EQ(fileBytes(settings), encodeSettings("good.mqo"));
}

TEST_F(ApplicationTest, AFileFromTheDialogAfterAFailedPickIsRemembered)
{
    Application app(services);
    app.settingsPath = settings;
    ASSERT_TRUE(app.startUp());
    services.calls.clear();
    services.app = &app;
    services.brokenModel = "broken.mqo";
    services.dialogChoice = "C:\\models\\good.x";

    app.chooseModel("broken.mqo");
    EXPECT_EQ(services.calls, (Calls{"clear-scene", "load", "present"}));
    EXPECT_EQ(app.modelFileName, "C:\\models\\good.x");
    EXPECT_EQ(fileBytes(settings), encodeSettings("C:\\models\\good.x"));
}

TEST_F(ApplicationTest, StartsAsTheViewFileRemembersAndWritesOnlyChanges)
{
    std::ofstream(view)
        << "windowPosition=40,30\nrenderWidth=600\nrenderHeight=600\nturnX=0.5\nfuture=kept\n";
    Application app(services);
    app.settingsPath = settings;
    app.viewPath = view;
    ASSERT_TRUE(app.startUp());
    EXPECT_EQ(services.calls, (Calls{"window", "device-off", "resize 300x300", "device 600x600x16", "load",
                                     "restore", "present"}));
    EXPECT_EQ(services.windowView.windowPosition, (ScreenPoint{40, 30}));
    EXPECT_EQ(services.sceneView.turnX, 0.5f);
    // Starting writes nothing.
    std::filesystem::remove(view);

    // What the window cannot tell now (here where it stands) stays as remembered; the other
    // keys of the file go along.
    ViewState now;
    now.renderWidth = now.renderHeight = 400;
    now.turnX = 0.5f;
    app.rememberView(now);
    ViewFile written = readViewFile(view);
    EXPECT_EQ(written.view.windowPosition, (ScreenPoint{40, 30}));
    EXPECT_EQ(written.view.renderWidth, 400);
    EXPECT_EQ(written.otherLines, std::vector<std::string>{"future=kept"});

    // The same view again is not written again.
    std::filesystem::remove(view);
    app.rememberView(now);
    EXPECT_FALSE(std::filesystem::exists(view));
}

TEST_F(ApplicationTest, ARememberedSizeTheDeviceRefusesGivesWayToTheDefault)
{
    std::ofstream(view) << "renderWidth=1200\nrenderHeight=1200\n";
    services.refusedDeviceSize = 1200;
    EXPECT_EQ(runApp(), 0);
    EXPECT_EQ(std::vector<std::string>(services.calls.begin(), services.calls.begin() + 7),
              (Calls{"window", "device-off", "resize 600x600", "device 1200x1200x16", "device-off",
                     "resize 200x200", "device 400x400x16"}));
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "device-error"), 0);
    EXPECT_EQ(std::count(services.calls.begin(), services.calls.end(), "loop"), 1);
}
