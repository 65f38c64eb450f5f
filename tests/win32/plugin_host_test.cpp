// The plug-in host against real plug-in DLLs (tests/win32/plugins): discovery, the calls it
// makes and their order, the choice of decoder, and what it does with what plug-ins return.
#include "image/win32/plugin_host.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/files.h"
#include "image/image_buffer.h"
#include "image/picture_decoder.h"

namespace {

std::wstring exeDirectory()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::string toCp932(const std::wstring& text)
{
    return utf16ToCp932(std::u16string(text.begin(), text.end()));
}

// A scratch directory of plug-ins and pictures, with the plug-ins' call log beside it.
class PluginScene {
public:
    // The directory's name ends in leaf.
    explicit PluginScene(const std::wstring& leaf = L"plugins")
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        dir_ = std::wstring(temp) + L"vellarn-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++serial) + L"-" + leaf;
        std::filesystem::create_directories(dir_);
        log_ = dir_ + L".log";
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"VELLARN_PLUGIN_LOG", log_.c_str());
    }
    ~PluginScene()
    {
        SetEnvironmentVariableW(L"VELLARN_PLUGIN_LOG", nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        DeleteFileW(log_.c_str());
    }

    // Copies test plug-in kind (decoder, failing, no_issupported, no_getpicture, with_helper) in
    // as name.
    void addPlugin(const wchar_t* kind, const std::wstring& name) const
    {
        addBuilt(std::wstring(kind) + L".spi", name);
    }
    // Copies a file built with the test plug-ins (as vtest_helper.dll) in as name.
    void addBuilt(const std::wstring& file, const std::wstring& name) const
    {
        const std::wstring source = exeDirectory() + L"\\test_plugins\\" + file;
        ASSERT_TRUE(CopyFileW(source.c_str(), (dir_ + L"\\" + name).c_str(), FALSE)) << toCp932(source);
    }

    std::string write(const std::wstring& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(std::filesystem::path(dir_ + L"\\" + name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

    std::string directory() const { return toCp932(dir_); }
    const std::wstring& wideDirectory() const { return dir_; }
    std::string path(const std::wstring& name) const { return toCp932(dir_ + L"\\" + name); }

    // The recorded calls, "<module> <call> <arguments>", oldest first.
    std::vector<std::string> log() const
    {
        std::vector<std::string> lines;
        std::ifstream in{std::filesystem::path(log_)};
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void clearLog() const { DeleteFileW(log_.c_str()); }

    // The recorded calls of one module whose text starts with call.
    std::vector<std::string> calls(const std::string& module, const std::string& call) const
    {
        std::vector<std::string> out;
        const std::string prefix = module + " " + call;
        for (const std::string& line : log())
            if (line.compare(0, prefix.size(), prefix) == 0)
                out.push_back(line.substr(module.size() + 1));
        return out;
    }

private:
    std::wstring dir_;
    std::wstring log_;
};

// Makes a directory the working directory for the life of the object.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::wstring& directory)
    {
        const DWORD length = GetCurrentDirectoryW(MAX_PATH, previous_);
        EXPECT_TRUE(length > 0 && length < MAX_PATH);
        EXPECT_TRUE(SetCurrentDirectoryW(directory.c_str()));
    }
    ~WorkingDirectory() { SetCurrentDirectoryW(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    wchar_t previous_[MAX_PATH] = {};
};

// A VTP1 picture for the test decoder; pixels default to a pattern filling every row.
std::vector<uint8_t> makeVtp(int32_t width, int32_t height, uint16_t bits, uint16_t mode = 0,
                             uint32_t clrUsed = 0, std::vector<uint32_t> colors = {},
                             std::vector<uint8_t> pixels = {})
{
    std::vector<uint8_t> out = {'V', 'T', 'P', '1'};
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    out.push_back(static_cast<uint8_t>(bits));
    out.push_back(static_cast<uint8_t>(bits >> 8));
    out.push_back(static_cast<uint8_t>(mode));
    out.push_back(static_cast<uint8_t>(mode >> 8));
    put32(clrUsed);
    put32(static_cast<uint32_t>(colors.size()));
    for (uint32_t c : colors)
        put32(c);
    if (pixels.empty() && width > 0 && height > 0) {
        pixels.resize(static_cast<size_t>(height) * static_cast<size_t>(rowStride(bits, width)));
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::string fileName(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

TEST(PluginHost, DiscoversModulesInListingOrderAndAsksForTheirTexts)
{
    PluginScene scene;
    for (const wchar_t* name : {L"c.spi", L"a.spi", L"b.spi"})
        scene.addPlugin(L"decoder", name);
    scene.write(L"junk.spi", {'n', 'o', 't', ' ', 'a', ' ', 'D', 'L', 'L'});
    scene.write(L"readme.txt", {'x'});
    std::filesystem::create_directory(std::filesystem::path(scene.path(L"folder.spi")));
    PluginHost host;
    EXPECT_TRUE(host.reloadPlugins(scene.directory()));

    std::vector<std::string> listed;
    for (const DirEntry& entry : listDirectory(scene.directory() + "\\*.spi"))
        if (!entry.isDirectory && entry.name != "junk.spi")
            listed.push_back(entry.name);
    std::vector<std::string> found;
    for (int32_t i = 0; i < host.modules().count(); ++i) {
        found.push_back(fileName(host.modules()[i].path()));
        const std::wstring name(found.back().begin(), found.back().end());
        EXPECT_EQ(host.modules()[i].path(), scene.path(name));
    }
    EXPECT_EQ(found, listed);
    ASSERT_EQ(found.size(), 3u);

    // Texts are asked for module by module: 0, then pairs while the even index answers.
    std::vector<std::string> expected;
    for (const std::string& module : found)
        for (int index : {0, 2, 3, 4, 5, 6})
            expected.push_back(module + " GetPluginInfo " + std::to_string(index) + " 256");
    std::vector<std::string> infoCalls;
    for (const std::string& line : scene.log())
        if (line.find(" GetPluginInfo ") != std::string::npos)
            infoCalls.push_back(line);
    EXPECT_EQ(infoCalls, expected);
}

// The program scans its working directory as ".\" with the process's DLL search limited to the
// system folder (main.cpp limits it as the program does): the modules still load, and so do the
// DLLs a module brings beside it.
TEST(PluginHost, LoadsTheWorkingDirectorysModulesWithTheDllsBesideThem)
{
    PluginScene scene;
    scene.addPlugin(L"with_helper", L"h.spi");
    scene.addBuilt(L"vtest_helper.dll", L"vtest_helper.dll");
    const auto bytes = makeVtp(2, 1, 24);
    scene.write(L"p.vtp", bytes);
    const WorkingDirectory inScene(scene.wideDirectory());
    ASSERT_EQ(LoadLibraryW(L"vtest_helper.dll"), nullptr) << "the working directory is not searched";

    PluginHost host;
    host.reloadPlugins(".\\");
    ASSERT_EQ(host.modules().count(), 1);
    EXPECT_EQ(host.modules()[0].path(), ".\\h.spi");
    EXPECT_EQ(scene.calls("h.spi", "helper"), (std::vector<std::string>{"helper 7"}));
    ImageBuffer image;
    ASSERT_TRUE(host.loadWithPlugin(".\\p.vtp", image));
    EXPECT_EQ(std::memcmp(image.pixels(), bytes.data() + 24, image.sizeImage()), 0);
}

TEST(PluginHost, AnEmptyDirectoryGivesNoModules)
{
    PluginScene scene;
    const std::string picture = scene.write(L"p.vtp", makeVtp(2, 2, 24));
    PluginHost host;
    EXPECT_FALSE(host.scanDirectory(scene.directory()));
    EXPECT_TRUE(host.reloadPlugins(scene.directory()));
    EXPECT_EQ(host.modules().count(), 0);
    ImageBuffer image;
    EXPECT_FALSE(host.loadWithPlugin(picture, image));
    EXPECT_EQ(image.load(picture), nullptr);
}

TEST(PluginHost, AModuleWithoutIsSupportedIsUnloaded)
{
    PluginScene scene;
    scene.addPlugin(L"no_issupported", L"n.spi");
    scene.addPlugin(L"decoder", L"d.spi");
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 1);
    EXPECT_EQ(fileName(host.modules()[0].path()), "d.spi");
    EXPECT_EQ(scene.calls("n.spi", ""), (std::vector<std::string>{"attach", "detach"}))
        << "loaded, never asked anything, unloaded";
}

TEST(PluginHost, ClearUnloadsEveryModule)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"a.spi");
    scene.addPlugin(L"no_getpicture", L"b.spi");
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 2);
    scene.clearLog();
    host.clear();
    EXPECT_EQ(host.modules().count(), 0);
    EXPECT_EQ(scene.calls("a.spi", "detach").size(), 1u);
    EXPECT_EQ(scene.calls("b.spi", "detach").size(), 1u);
    // A second reload loads them again.
    host.reloadPlugins(scene.directory());
    EXPECT_EQ(host.modules().count(), 2);
}

TEST(PluginHost, TheFirstAcceptingModuleDecodes)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"a.spi");
    scene.addPlugin(L"decoder", L"b.spi");
    const auto bytes = makeVtp(3, 2, 24);
    const std::string picture = scene.write(L"p.vtp", bytes);
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 2);
    const std::string first = fileName(host.modules()[0].path());
    const std::string second = fileName(host.modules()[1].path());
    scene.clearLog();

    EXPECT_EQ(host.findDecoder(picture), &host.modules()[0]);
    ImageBuffer image;
    ASSERT_TRUE(host.loadWithPlugin(picture, image));
    EXPECT_EQ(image.width(), 3);
    EXPECT_EQ(image.bitsPerPixel(), 24);
    EXPECT_EQ(std::memcmp(image.pixels(), bytes.data() + 24, image.sizeImage()), 0);

    // IsSupported gets the path as given and the address of the probe, which holds the file.
    int nonZero = 0;
    for (uint8_t b : bytes)
        nonZero += b != 0;
    const std::string probe = "IsSupported " + picture + " address " + std::to_string(nonZero);
    EXPECT_EQ(scene.calls(first, "IsSupported"), (std::vector<std::string>{probe, probe}));
    EXPECT_EQ(scene.calls(first, "GetPicture"),
              (std::vector<std::string>{"GetPicture " + std::to_string(bytes.size()) + " 1 none 0"}));
    EXPECT_TRUE(scene.calls(second, "").empty()) << "the second module is never asked";
}

TEST(PluginHost, AFailingGetPictureIsNotOfferedToTheNextModule)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"a.spi");
    scene.addPlugin(L"decoder", L"b.spi");
    const std::string picture = scene.write(L"p.vtp", makeVtp(2, 2, 24, /*mode fail*/ 1));
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 2);
    const std::string second = fileName(host.modules()[1].path());
    scene.clearLog();
    ImageBuffer image;
    EXPECT_FALSE(host.loadWithPlugin(picture, image));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(scene.calls(fileName(host.modules()[0].path()), "GetPicture").size(), 1u);
    EXPECT_TRUE(scene.calls(second, "").empty());
}

// The always-failing module beside a working one: whichever the system lists first decides.
TEST(PluginHost, WhicheverAcceptingModuleIsListedFirstDecides)
{
    PluginScene scene;
    scene.addPlugin(L"failing", L"failing.spi");
    scene.addPlugin(L"decoder", L"decoder.spi");
    const std::string picture = scene.write(L"p.vtp", makeVtp(2, 2, 32));
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 2);
    const bool failingFirst = fileName(host.modules()[0].path()) == "failing.spi";
    scene.clearLog();
    ImageBuffer image;
    EXPECT_EQ(host.loadWithPlugin(picture, image), !failingFirst);
    EXPECT_EQ(scene.calls(failingFirst ? "decoder.spi" : "failing.spi", "").size(), 0u);
    EXPECT_EQ(scene.calls(failingFirst ? "failing.spi" : "decoder.spi", "GetPicture").size(), 1u);
}

TEST(PluginHost, AModuleWithoutGetPictureIsNeverAsked)
{
    PluginScene scene;
    scene.addPlugin(L"no_getpicture", L"x.spi");
    scene.addPlugin(L"decoder", L"y.spi");
    const std::string picture = scene.write(L"p.vtp", makeVtp(2, 2, 24));
    PluginHost host;
    host.reloadPlugins(scene.directory());
    ASSERT_EQ(host.modules().count(), 2);
    scene.clearLog();
    ImageBuffer image;
    EXPECT_TRUE(host.loadWithPlugin(picture, image));
    EXPECT_TRUE(scene.calls("x.spi", "IsSupported").empty());
    EXPECT_EQ(scene.calls("y.spi", "GetPicture").size(), 1u);
}

TEST(PluginHost, PicturesComeBackInTheirDepth)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"d.spi");
    PluginHost host;
    host.reloadPlugins(scene.directory());

    std::vector<uint32_t> colors;
    for (uint32_t i = 0; i < 256; ++i)
        colors.push_back(i * 0x010101u ^ 0x800000u);
    const std::vector<uint8_t> indices = {0, 1, 2, 0, 255, 128, 7, 0};  // 3 x 2, rows padded to 4
    ImageBuffer image;
    ASSERT_TRUE(host.loadWithPlugin(scene.write(L"i.vtp", makeVtp(3, 2, 8, 0, 0, colors, indices)), image));
    EXPECT_EQ(image.bitsPerPixel(), 24);
    const uint8_t* bottom = image.row(0);
    const uint8_t* top = image.row(1);
    EXPECT_EQ(bottom[3 * 1 + 2], 0x81) << "index 1 through the returned table";
    EXPECT_EQ(bottom[3 * 2], 2);
    EXPECT_EQ(top[3 * 0 + 2], 0x7F) << "index 255";
    EXPECT_EQ(top[3 * 1 + 1], 128);

    ASSERT_TRUE(host.loadWithPlugin(scene.write(L"t.vtp", makeVtp(4, 4, 32)), image));
    EXPECT_EQ(image.bitsPerPixel(), 32) << "32-bit pictures from plug-ins stay 32-bit";
}

// What a broken plug-in returns is refused, and both of its handles are freed.
TEST(PluginHost, UntrustedResultsAreRefusedAndFreed)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"d.spi");
    PluginHost host;
    host.reloadPlugins(scene.directory());
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    std::vector<uint32_t> many(300, 0x123456);
    const Case cases[] = {
        {"header handle of 20 bytes", makeVtp(2, 2, 24, 2)},
        {"pixel handle one row short", makeVtp(2, 2, 24, 3)},
        {"one handle for both", makeVtp(2, 2, 24, 4)},
        {"no handles", makeVtp(2, 2, 24, 5)},
        {"width 0", makeVtp(2, 2, 24, 6)},
        {"top-down", makeVtp(2, 2, 24, 7)},
        {"biClrUsed 300", makeVtp(2, 2, 8, 0, 300, many)},
        {"table cut short", makeVtp(2, 2, 8, 0, 0, {1, 2, 3})},
    };
    for (const Case& c : cases) {
        scene.clearLog();
        ImageBuffer image;
        image.create(1, 1, 24);
        EXPECT_FALSE(host.loadWithPlugin(scene.write(L"bad.vtp", c.file), image)) << c.what;
        EXPECT_TRUE(image.empty()) << c.what;
        for (const std::string& line : scene.calls("d.spi", "handles")) {
            void* info = nullptr;
            void* bits = nullptr;
            ASSERT_EQ(std::sscanf(line.c_str(), "handles %p %p", &info, &bits), 2);
            EXPECT_EQ(LocalFlags(static_cast<HLOCAL>(info)), UINT{LMEM_INVALID_HANDLE}) << c.what;
            EXPECT_EQ(LocalFlags(static_cast<HLOCAL>(bits)), UINT{LMEM_INVALID_HANDLE}) << c.what;
        }
    }
}

TEST(PluginHost, LoadAsksTheHostBeforeTheBmpReader)
{
    PluginScene scene;
    scene.addPlugin(L"decoder", L"d.spi");
    const std::string vtpNamedBmp = scene.write(L"looks.bmp", makeVtp(5, 1, 32));
    {
        PluginHost host;
        EXPECT_EQ(installedPictureDecoder(), &host);
        host.reloadPlugins(scene.directory());
        ImageBuffer image;
        ASSERT_NE(image.load(vtpNamedBmp), nullptr);
        EXPECT_EQ(image.width(), 5) << "decoded by the plug-in, not the BMP reader";
        EXPECT_EQ(image.bitsPerPixel(), 32);
    }
    EXPECT_EQ(installedPictureDecoder(), nullptr);
    ImageBuffer image;
    EXPECT_EQ(image.load(vtpNamedBmp), nullptr) << "without the host, the BMP reader refuses it";
}

// A directory name whose last byte is the second byte of a double-byte character (0x5C of
// U+8868) still gets its separator.
TEST(PluginHost, ADirectoryEndingInATrailByteGetsItsSeparator)
{
    PluginScene scene(L"\u8868");
    scene.addPlugin(L"decoder", L"d.spi");
    const std::string dir = scene.directory();
    ASSERT_EQ(static_cast<uint8_t>(dir.back()), 0x5C);
    PluginHost host;
    EXPECT_TRUE(host.scanDirectory(dir));
    EXPECT_EQ(host.modules().count(), 1);
    host.clear();
    EXPECT_TRUE(host.scanDirectory(dir + "\\"));
    EXPECT_EQ(host.modules().count(), 1);
}

}  // namespace
