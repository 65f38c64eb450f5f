// The settings file: its exact bytes, every length prefix, the UTF-16 form, damaged files, and
// an earlier file kept when a write fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/application.h"
#include "app/settings_file.h"
#include "base/files.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes withMagic(Bytes rest)
{
    rest.insert(rest.begin(), {0x00, 0x00, 0x00, 0x01});
    return rest;
}

std::optional<std::string> decode(const Bytes& bytes)
{
    return decodeSettings(bytes);
}

}  // namespace

TEST(SettingsFile, EncodesTheDocumentedExamples)
{
    EXPECT_EQ(encodeSettings("abc"), (Bytes{0x00, 0x00, 0x00, 0x01, 0x03, 0x61, 0x62, 0x63}));
    EXPECT_EQ(encodeSettings(kDefaultModelName), (Bytes{0x00, 0x00, 0x00, 0x01, 0x0C, 0x8A, 0xDB, 0x83, 0x81,
                                                        0x83, 0x4B, 0x83, 0x6C, 0x2E, 0x6D, 0x71, 0x6F}));
    EXPECT_EQ(encodeSettings(""), (Bytes{0x00, 0x00, 0x00, 0x01, 0x00}));
}

TEST(SettingsFile, LengthPrefixesAtEveryBoundary)
{
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        const std::string name(c.length, 'n');
        const Bytes bytes = encodeSettings(name);
        ASSERT_EQ(bytes.size(), 4 + c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 4 + c.prefix.size()), c.prefix) << c.length;
        EXPECT_EQ(decode(bytes), name) << c.length;
    }
}

TEST(SettingsFile, ReadsUtf16Names)
{
    // 0xFF 0xFFFE announces a UTF-16 name: "丸" U+4E38, "a".
    EXPECT_EQ(decode(withMagic({0xFF, 0xFE, 0xFF, 0x02, 0x38, 0x4E, 0x61, 0x00})), std::string("\x8A\xDB"
                                                                                               "a"));
    // The character count can itself use the long prefix.
    Bytes longName = withMagic({0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01});
    for (int i = 0; i < 256; ++i)
        longName.insert(longName.end(), {0x41, 0x00});
    EXPECT_EQ(decode(longName), std::string(256, 'A'));
}

TEST(SettingsFile, DamagedFilesKeepTheDefault)
{
    const Bytes damaged[] = {
        {},
        {0x00, 0x00, 0x00},
        {0x01, 0x00, 0x00, 0x00, 0x03, 0x61, 0x62, 0x63},             // magic in the wrong byte order
        withMagic({}),                                                // cut off before the prefix
        withMagic({0x03, 0x61, 0x62}),                                // cut off inside the name
        withMagic({0xFF, 0x00}),                                      // inside a 3-byte prefix
        withMagic({0xFF, 0xFF, 0xFF, 0x10, 0x00}),                    // inside a 7-byte prefix
        withMagic({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x61}),  // 4 GB claimed
        withMagic({0xFF, 0xFE, 0xFF, 0x02, 0x38, 0x4E, 0x61}),        // odd UTF-16 byte count
        withMagic({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),  // 4 G characters
    };
    for (const Bytes& bytes : damaged)
        EXPECT_EQ(decode(bytes), std::nullopt) << bytes.size();
}

TEST(SettingsFile, EmptyNameAndTrailingBytes)
{
    EXPECT_EQ(decode(withMagic({0x00})), std::string());
    EXPECT_EQ(decode(withMagic({0x01, 0x61, 0x62, 0x63})), std::string("a"));
}

TEST(SettingsFile, ApplicationReadsAndWritesTheFile)
{
    const auto dir = std::filesystem::temp_directory_path() / "vellarn-settings-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "vellarn.cfg").string();
    std::filesystem::remove(path);

    struct NoServices : AppServices {
        bool createMainWindow(const ViewState&) override { return true; }
        void destroyMainWindow() override {}
        void resizeMainWindow(int32_t, int32_t) override {}
        void showDeviceError() override {}
        void shutdownDevice() override {}
        bool createDevice(int32_t, int32_t, int32_t) override { return true; }
        bool loadScene() override { return true; }
        void restoreScene(const ViewState&) override {}
        void renderAndPresent() override {}
        void clearScene() override {}
        void clearWorld() override {}
        int32_t runMessageLoop() override { return 0; }
    } services;
    Application app(services);
    app.settingsPath = path;
    app.modelFileName = "kept";
    app.readSettings();  // missing file: the name stays
    EXPECT_EQ(app.modelFileName, "kept");

    app.modelFileName = "abc";
    app.writeSettings();
    {
        std::ifstream in(path, std::ios::binary);
        const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(written, encodeSettings("abc"));
    }

    app.modelFileName.clear();
    app.readSettings();
    EXPECT_EQ(app.modelFileName, "abc");

    // A write that fails (here its temporary file cannot be made) keeps the earlier file whole.
    const std::string temporary = path + kTemporaryFileSuffix;
    std::filesystem::create_directory(temporary);
    EXPECT_FALSE(writeSettingsFile(path, "another name"));
    EXPECT_EQ(readSettingsFile(path), "abc");
    std::filesystem::remove(temporary);

    // Only the file's start is read: a file grown past the cap still gives its name.
    std::filesystem::resize_file(path, kMaxSettingsFileBytes * 2);
    app.modelFileName.clear();
    app.readSettings();
    EXPECT_EQ(app.modelFileName, "abc");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
