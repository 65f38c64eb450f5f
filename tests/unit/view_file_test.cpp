// The view file: its text, each damaged value falling back on its own, keys of others kept, cut
// files, and the scene's values through it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/view_file.h"

namespace {

ViewFile decode(std::string_view text)
{
    return decodeView(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// A view with every value set, as the program writes it.
ViewFile fullView()
{
    ViewFile file;
    ViewState& v = file.view;
    v.windowPosition = ScreenPoint{-40, 30};
    v.renderWidth = 368;
    v.renderHeight = 1200;
    v.turnX = -1.5707964f;
    v.turnY = 0.1f;
    v.tilt = 3.1415927f;
    v.leftTemple = 0.0f;
    v.rightTemple = 0.99998474f;
    v.lightPadX = -0.5f;
    v.lightPadY = 1.0f;
    v.lensColour = 0x00804020;
    v.lensAlphaOffset = -0.02f;
    v.controlDialogShown = false;
    v.controlDialogPosition = ScreenPoint{-32768, 32767};
    file.otherLines = {"future=1", "x = y = z"};
    return file;
}

const char kFullText[] = "windowPosition=-40,30\r\n"
                         "renderWidth=368\r\n"
                         "renderHeight=1200\r\n"
                         "turnX=-1.5707964\r\n"
                         "turnY=0.1\r\n"
                         "tilt=3.1415927\r\n"
                         "leftTemple=0\r\n"
                         "rightTemple=0.99998474\r\n"
                         "lightPadX=-0.5\r\n"
                         "lightPadY=1\r\n"
                         "lensColour=32,64,128\r\n"
                         "lensAlphaOffset=-0.02\r\n"
                         "controlDialogShown=0\r\n"
                         "controlDialogPosition=-32768,32767\r\n"
                         "future=1\r\n"
                         "x = y = z\r\n";

}  // namespace

TEST(ViewFile, WritesOneKeyALineAndReadsItBack)
{
    const ViewFile file = fullView();
    EXPECT_EQ(encodeView(file), kFullText);
    const ViewFile back = decode(kFullText);
    EXPECT_EQ(back.view, file.view);
    EXPECT_EQ(back.otherLines, file.otherLines);
    // Unset values are left out.
    EXPECT_EQ(encodeView(ViewFile{}), "");
}

TEST(ViewFile, EachDamagedValueFallsBackAlone)
{
    struct Case {
        const char* line;
        std::optional<ScreenPoint> ViewState::*point = nullptr;
        std::optional<int32_t> ViewState::*size = nullptr;
        std::optional<float> ViewState::*number = nullptr;
    };
    const Case cases[] = {
        {"windowPosition=32768,0", &ViewState::windowPosition},
        {"windowPosition=40", &ViewState::windowPosition},
        {"windowPosition=40,30,20", &ViewState::windowPosition},
        {"windowPosition=40,", &ViewState::windowPosition},
        {"windowPosition=0x10,0", &ViewState::windowPosition},
        {"renderWidth=99", nullptr, &ViewState::renderWidth},
        {"renderWidth=1201", nullptr, &ViewState::renderWidth},
        {"renderWidth=400.0", nullptr, &ViewState::renderWidth},
        {"renderHeight=99999999999999999999", nullptr, &ViewState::renderHeight},
        {"renderHeight=", nullptr, &ViewState::renderHeight},
        {"turnX=1.5707965", nullptr, nullptr, &ViewState::turnX},
        {"turnY=nan", nullptr, nullptr, &ViewState::turnY},
        {"tilt=-inf", nullptr, nullptr, &ViewState::tilt},
        {"tilt=1e40", nullptr, nullptr, &ViewState::tilt},
        {"leftTemple=-0.01", nullptr, nullptr, &ViewState::leftTemple},
        {"rightTemple=0,5", nullptr, nullptr, &ViewState::rightTemple},
        {"lightPadX=+0.5", nullptr, nullptr, &ViewState::lightPadX},
        {"lightPadY=1.5", nullptr, nullptr, &ViewState::lightPadY},
        {"lensAlphaOffset=-1.01", nullptr, nullptr, &ViewState::lensAlphaOffset},
        {"controlDialogPosition=1,-32769", &ViewState::controlDialogPosition},
    };
    const ViewState full = fullView().view;
    for (const Case& c : cases) {
        // The full file with the key's line replaced by the damaged one.
        const std::string key = std::string(c.line).substr(0, std::string(c.line).find('='));
        std::string text;
        for (const char* at = kFullText; *at;) {
            const char* end = std::strchr(at, '\n') + 1;
            const std::string line(at, end);
            text += line.starts_with(key + "=") ? std::string(c.line) + "\n" : line;
            at = end;
        }
        ViewState expected = full;
        if (c.point)
            expected.*c.point = std::nullopt;
        if (c.size)
            expected.*c.size = std::nullopt;
        if (c.number)
            expected.*c.number = std::nullopt;
        EXPECT_EQ(decode(text).view, expected) << c.line;
    }
    // The two kinds that have members of their own types.
    for (const char* colour : {"lensColour=256,0,0", "lensColour=1,2", "lensColour=-1,0,0"})
        EXPECT_EQ(decode(colour).view.lensColour, std::nullopt) << colour;
    for (const char* shown : {"controlDialogShown=yes", "controlDialogShown=2", "controlDialogShown="})
        EXPECT_EQ(decode(shown).view.controlDialogShown, std::nullopt) << shown;
}

TEST(ViewFile, TakesEditedTextAndKeepsOtherKeys)
{
    // A byte order mark, LF and CRLF line ends, spaces around keys and values, no line end at
    // the end, lines without a key or with one that is no word, a later good value over an
    // earlier one.
    const ViewFile file = decode("\xEF\xBB\xBF"
                                 "; a note\n"
                                 " renderWidth = 500 \r\n"
                                 "\n"
                                 "other=\xE4\xB8\xB8\r\n"
                                 "=nothing\n"
                                 "\xEF\xBB\xBFnot a key=1\n"
                                 "turnX=0.25\n"
                                 "turnX=0.5\n"
                                 "other=again\n"
                                 "lensColour= 1, 2 ,3");
    EXPECT_EQ(file.view.renderWidth, 500);
    EXPECT_EQ(file.view.turnX, 0.5f);
    EXPECT_EQ(file.view.lensColour, 0x030201u);
    EXPECT_EQ(file.otherLines, (std::vector<std::string>{"other=\xE4\xB8\xB8", "other=again"}));
}

TEST(ViewFile, AFileCutAnywhereGivesWholeLinesAndValidValues)
{
    const std::string text = kFullText;
    const ViewState full = fullView().view;
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string part = text.substr(0, cut);
        const ViewFile file = decode(part);
        // The values of the lines before the cut line are the full file's.
        const std::size_t whole = part.rfind('\n') == std::string::npos ? 0 : part.rfind('\n') + 1;
        const ViewState before = decode(part.substr(0, whole)).view;
        ViewState agreed = before;
        fillUnset(agreed, file.view);
        EXPECT_EQ(agreed, file.view) << cut;
        ViewState wholeLines = before;
        fillUnset(wholeLines, full);
        EXPECT_EQ(wholeLines, full) << cut;
        // Whatever the cut line gave is a value the file may hold: it reads back unchanged.
        EXPECT_EQ(decode(encodeView(file)).view, file.view) << cut;
    }
}

TEST(ViewFile, MissingOrOversizedFileHoldsNothing)
{
    const auto dir = std::filesystem::temp_directory_path() / "vellarn-view-file-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "vellarn.ini").string();
    std::filesystem::remove(path);
    EXPECT_EQ(readViewFile(path).view, ViewState{});

    ASSERT_TRUE(writeViewFile(path, fullView()));
    EXPECT_EQ(readViewFile(path).view, fullView().view);
    std::filesystem::resize_file(path, kMaxViewFileBytes + 1);
    EXPECT_EQ(readViewFile(path).view, ViewState{});
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

TEST(ViewFile, SceneValuesComeBackAsTheUserSawThem)
{
    SceneParameters scene;
    scene.turnX = 2.0f;  // past the bound, as a drag leaves it until the next picture
    scene.turnY = -0.3f;
    scene.tilt = 1.0f;
    scene.templeDiff = -0.25f;
    scene.templeMean = 0.5f;
    scene.lightPadX = 0.75f;
    scene.lens = {1.0f, 0.3f, 0.0f, 0.5f};
    ViewState view;
    viewOfScene(scene, view);
    EXPECT_EQ(view.turnX, kHalfPi);
    EXPECT_EQ(view.leftTemple, 0.25f);
    EXPECT_EQ(view.rightTemple, 0.75f);
    EXPECT_EQ(view.lensColour, 0x00004DFFu);  // 0.3 * 255 = 76.5 rounds to 77

    SceneParameters restored;
    restoreScene(decode(encodeView({view, {}})).view, restored);
    EXPECT_EQ(restored.turnX, kHalfPi);
    EXPECT_EQ(restored.turnY, -0.3f);
    EXPECT_EQ(restored.tilt, 1.0f);
    EXPECT_FLOAT_EQ(leftTemple(restored), 0.25f);
    EXPECT_FLOAT_EQ(rightTemple(restored), 0.75f);
    EXPECT_EQ(restored.lightPadX, 0.75f);
    EXPECT_EQ(restored.lightPadY, -0.5f);
    EXPECT_EQ(restored.lens.alphaOffset, 0.5f);
    // The colour comes back as the colour chooser would give it, and saves as the same bytes.
    ViewState again;
    viewOfScene(restored, again);
    EXPECT_EQ(again.lensColour, view.lensColour);

    // Values the view does not hold stay the scene's: here the lens colour its model brought.
    SceneParameters kept;
    kept.lens = {0.1f, 0.2f, 0.3f, 0.4f};
    restoreScene(ViewState{}, kept);
    EXPECT_EQ(kept.lens.r, 0.1f);
    EXPECT_EQ(kept.lens.alphaOffset, 0.4f);
}
