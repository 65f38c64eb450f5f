// Textures: format codes and masks, the choice among offered formats, device size limits, the
// alpha bits, paths and keys of the cache, loading from BMP files with and without an alpha
// plane, and new surfaces for a new device.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "image_test_support.h"
#include "model/model_cache.h"
#include "model/texture_alpha.h"
#include "recording_draw_device.h"
#include "render/texture_cache.h"
#include "render/world.h"

namespace {

// A width x height 24-bit BMP of one colour (0xRRGGBB).
std::vector<uint8_t> plainBmp(int32_t width, int32_t height, uint32_t colour = 0x336699)
{
    BmpLayout layout;
    layout.rowsFromTop.assign(static_cast<size_t>(height),
                              std::vector<uint32_t>(static_cast<size_t>(width), colour));
    return makeBmp(layout);
}

FakeTextureSurface* fake(const Texture* t)
{
    return static_cast<FakeTextureSurface*>(t->surface.get());
}

// A cache on a recording device, with pictures in a scratch directory.
struct CacheFixture {
    ScratchDir dir;
    RecordingDrawDevice device;
    TextureCache cache;

    CacheFixture() { cache.setDevice(&device); }
    ~CacheFixture() { cache.clear(); }

    Texture* request(const std::string& path, const std::string* alpha = nullptr)
    {
        return cache.findOrLoadTexture(path, alpha);
    }
};

}  // namespace

TEST(TextureFormat, CodesSpellTheirMasks)
{
    const struct {
        uint16_t code;
        uint32_t alpha, red, green, blue;
    } cases[] = {
        {0x8888, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
        {0x4444, 0xF000, 0x0F00, 0x00F0, 0x000F},
        {0x5551, 0x8000, 0x7C00, 0x03E0, 0x001F},
        {0x5650, 0, 0xF800, 0x07E0, 0x001F},
    };
    for (const auto& c : cases) {
        const TextureFormat f = TextureFormat::fromCode(c.code);
        EXPECT_EQ((std::array{f.alphaMask, f.redMask, f.greenMask, f.blueMask}),
                  (std::array{c.alpha, c.red, c.green, c.blue}))
            << std::hex << c.code;
    }
}

TEST(TextureFormat, CodeFollowsTheDeviceDepthBeforeThePictureDepth)
{
    const struct {
        int32_t imageBits, deviceDepth;
        uint16_t code;
    } cases[] = {
        {32, 32, 0x8888}, {24, 32, 0x8888}, {32, 16, 0x4444}, {24, 16, 0x5551}, {32, 24, 0x4444},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseTextureFormatCode(c.imageBits, c.deviceDepth), c.code)
            << c.imageBits << " bits on " << c.deviceDepth;
}

TEST(TextureFormat, OnlyAnExactPlainFormatOfTheDesktopDepthIsTaken)
{
    TextureSurfaceRequest want;
    want.format = TextureFormat::fromCode(0x4444);
    want.desktopDepth = 16;
    const DdPixelFormat exact = offeredFormat(0x4444, 16);
    const std::pair<const char*, DdPixelFormat> refused[] = {
        {"luminance", {32, exact.flags | kDdpfLuminance, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"bump", {32, exact.flags | kDdpfBumpDuDv, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"fourcc", {32, exact.flags, 0x31545844, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"no alpha flag", {32, kDdpfRgb, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"other masks", offeredFormat(0x5551, 16)},
        {"deeper", {32, exact.flags, 0, 32, 0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"8 bits", {32, exact.flags, 0, 8, 0x0F00, 0x00F0, 0x000F, 0xF000}},
    };
    for (const auto& [what, offered] : refused) {
        DdPixelFormat chosen;
        EXPECT_EQ(selectTextureFormat(&offered, want, chosen), kEnumOk) << what;
        EXPECT_EQ(chosen.size, 0u) << what;
    }
    DdPixelFormat chosen;
    EXPECT_EQ(selectTextureFormat(&exact, want, chosen), kEnumCancel);
    EXPECT_EQ(chosen.mask4, 0xF000u);
    EXPECT_EQ(selectTextureFormat(nullptr, want, chosen), kEnumCancel);
}

TEST(TextureFormat, DeviceLimitsAndSquareOnlyDevices)
{
    const struct {
        int32_t w, h;
        uint32_t maxW, maxH, caps;
        int32_t outW, outH;
    } cases[] = {
        {512, 128, 2048, 2048, 0, 512, 128},
        {512, 128, 0, 0, 0, 256, 128},  // a device that reports no maximum takes 256
        {1024, 2048, 1024, 512, 0, 1024, 512},
        {512, 128, 2048, 2048, kTextureCapsSquareOnly, 512, 512},
        {64, 512, 256, 256, kTextureCapsSquareOnly, 256, 256},
    };
    for (const auto& c : cases) {
        const TextureSize s = limitTextureSize(c.w, c.h, c.maxW, c.maxH, c.caps);
        EXPECT_EQ(s.width, c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(s.height, c.outH) << c.w << "x" << c.h;
    }
}

TEST(TextureFormat, AlphaBitsComeFromThirtyTwoBitPicturesOnly)
{
    ImageBuffer picture32;
    ASSERT_NE(picture32.create(2, 2, 32), nullptr);
    // Rows bottom-up: the top row's alpha is 0x12, 0x34; the bottom row's 0xAB, 0xFF.
    const uint8_t alphas[2][2] = {{0xAB, 0xFF}, {0x12, 0x34}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            uint8_t* p = picture32.row(y) + x * 4;
            p[0] = 0x11, p[1] = 0x22, p[2] = 0x33, p[3] = alphas[y][x];
        }
    ImageBuffer picture24;
    ASSERT_NE(picture24.create(2, 2, 24), nullptr);

    const struct {
        const char* what;
        const ImageBuffer& picture;
        uint32_t bits, alphaMask;
        std::vector<uint32_t> texelsTopDown;  // after writing into texels holding 0x0005
    } cases[] = {
        {"A8R8G8B8", picture32, 32, 0xFF000000, {0x12000005, 0x34000005, 0xAB000005, 0xFF000005}},
        {"A4R4G4B4", picture32, 16, 0xF000, {0x1005, 0x3005, 0xA005, 0xF005}},
        {"A1R5G5B5 is opaque", picture32, 16, 0x8000, {0x8005, 0x8005, 0x8005, 0x8005}},
        {"24-bit picture", picture24, 32, 0xFF000000, {0xFF000005, 0xFF000005, 0xFF000005, 0xFF000005}},
        {"24-bit picture 4444", picture24, 16, 0xF000, {0xF005, 0xF005, 0xF005, 0xF005}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> memory(2 * 16, 0);  // two rows with a pitch of 16 bytes
        auto at = [&](size_t i) { return &memory[i / 2 * 16 + i % 2 * (c.bits / 8)]; };
        for (size_t i = 0; i < 4; ++i)
            *at(i) = 5;
        writeTextureAlpha({memory.data(), 16, 2, 2, c.bits}, c.alphaMask, c.picture);
        for (size_t i = 0; i < 4; ++i) {
            uint32_t texel = 0;
            std::memcpy(&texel, at(i), c.bits / 8);
            EXPECT_EQ(texel, c.texelsTopDown[i]) << c.what << " texel " << i;
        }
        EXPECT_EQ(memory[8], 0) << c.what << ": nothing written past a row";
    }
}

TEST(TextureFormat, AlphaOfATextureOfAnotherSizeStaysInsideThePicture)
{
    ImageBuffer picture;
    ASSERT_NE(picture.create(3, 5, 32), nullptr);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x)
            picture.row(y)[x * 4 + 3] = static_cast<uint8_t>(0x10 * (4 - y) + x);  // memory row 4 is the top
    for (const auto& [w, h] : {std::pair{8, 8}, std::pair{2, 2}, std::pair{1, 16}, std::pair{4, 1}}) {
        std::vector<uint32_t> texels(static_cast<size_t>(w * h), 0);
        writeTextureAlpha({reinterpret_cast<uint8_t*>(texels.data()), w * 4, w, h, 32}, 0xFF000000, picture);
        for (uint32_t t : texels)
            EXPECT_TRUE((t >> 24) % 16 < 3 && (t >> 24) < 0x50) << std::hex << t << " is no picture alpha";
        if (w == 8) {
            EXPECT_EQ(texels.front() >> 24, 0x00u) << "top left";
            EXPECT_EQ(texels.back() >> 24, 0x42u) << "bottom right";
        }
    }
}

TEST(TexturePaths, FileNamePartAndFallback)
{
    const struct {
        std::string path, name;
    } cases[] = {
        {"c:\\models\\tex\\wood.bmp", "wood.bmp"},
        {"tex/wood.bmp", "wood.bmp"},
        {"c:\\a/b\\wood.bmp", "wood.bmp"},
        {"c:\\a\\b/wood.bmp", "b/wood.bmp"},  // the last '\' wins over a later '/'
        {"wood.bmp", "wood.bmp"},
        {"dir\\", ""},
        // "\x83\x5c" is one double-byte character whose second byte is that of '\'.
        {"c:\\tex\\\x83\x5c.bmp", "\x83\x5c.bmp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textureFileNamePart(c.path), c.name) << c.path;
        EXPECT_EQ(textureFallbackPath(c.path), "data\\texture\\" + c.name) << c.path;
    }
    using Paths = std::vector<std::string>;
    EXPECT_EQ(textureSearchPaths("..\\tex\\wood.png", "m\\"),
              (Paths{"..\\tex\\wood.png", "data\\texture\\wood.png", "m\\..\\tex\\wood.png", "m\\wood.png"}));
    EXPECT_EQ(textureSearchPaths("wood.png", "m/"),
              (Paths{"wood.png", "data\\texture\\wood.png", "m/wood.png"}))
        << "each place once";
    EXPECT_EQ(textureSearchPaths("tex\\wood.png", ""), (Paths{"tex\\wood.png", "data\\texture\\wood.png"}));
}

TEST(TexturePaths, RoundToPowerOfTwoOfOneAndAHalfSides)
{
    const std::pair<int32_t, int32_t> sides[] = {{300, 256}, {341, 256}, {342, 512},    {400, 512},
                                                 {6, 8},     {10, 8},    {11, 16},      {0, 4},
                                                 {1, 4},     {5, 4},     {32768, 32768}};
    for (const auto& [side, p] : sides)
        EXPECT_EQ(roundToPowerOfTwo(side * 3 / 2), p) << side;
    EXPECT_EQ(roundToPowerOfTwo(-3), 4);
}

TEST(TextureCache, PicturesBecomePowerOfTwoTexturesOfTheDevicesFormat)
{
    const struct {
        int32_t w, h, depth;  // picture sides; device and desktop depth
        int32_t texW, texH;
        uint16_t code;
    } cases[] = {
        {300, 200, 32, 256, 256, 0x8888},
        {400, 100, 32, 512, 128, 0x8888},
        {3, 3, 32, 4, 4, 0x8888},
        {300, 200, 16, 256, 256, 0x5551},  // a 24-bit picture on a 16-bit desktop
    };
    for (const auto& c : cases) {
        CacheFixture f;
        f.device.deviceDepth = f.device.screenDepth = c.depth;
        Texture* t = f.request(f.dir.write("pic.bmp", plainBmp(c.w, c.h)));
        ASSERT_NE(t->surface, nullptr) << c.w << "x" << c.h;
        const TextureSurfaceRequest& made = fake(t)->request;
        EXPECT_EQ((std::array{t->width(), t->height(), made.width, made.height, fake(t)->filledWidth}),
                  (std::array{c.texW, c.texH, c.texW, c.texH, c.texW}))
            << c.w << "x" << c.h;
        EXPECT_EQ(made.format.code, c.code);
        EXPECT_EQ(made.desktopDepth, c.depth);
        EXPECT_EQ(t->nameKey, "pic.bmp");
        EXPECT_TRUE(textureHasAlphaChannel(*t)) << "every requested format carries alpha";
    }
}

TEST(TextureCache, AnAlphaPlaneGivesAThirtyTwoBitPictureAndItsOwnTexture)
{
    CacheFixture f;
    f.device.deviceDepth = 16;
    f.device.screenDepth = 16;
    const std::string picture = f.dir.write("glass.bmp", plainBmp(16, 16));
    const std::string plane = f.dir.write("glass_a.bmp", plainBmp(16, 16, 0x808080));
    const std::string wrongSize = f.dir.write("small_a.bmp", plainBmp(8, 8, 0x808080));

    Texture* withPlane = f.request(picture, &plane);
    ASSERT_NE(withPlane->surface, nullptr);
    EXPECT_EQ(withPlane->bitsPerPixel(), 32);
    EXPECT_EQ(withPlane->formatCode, 0x4444);
    EXPECT_EQ(withPlane->alphaNameKey, "glass_a.bmp");
    EXPECT_EQ(withPlane->row(0)[3], 0x80) << "the plane's grey is the alpha";

    Texture* without = f.request(picture);
    EXPECT_NE(without, withPlane);
    EXPECT_EQ(without->formatCode, 0x5551) << "a 24-bit picture on a 16-bit desktop";
    Texture* mismatched = f.request(picture, &wrongSize);
    EXPECT_NE(mismatched, without) << "keyed by the plane's name even when it was not merged";
    EXPECT_EQ(mismatched->bitsPerPixel(), 24);

    EXPECT_EQ(f.request(picture, &plane), withPlane);
    EXPECT_EQ(f.request(picture), without);
    EXPECT_EQ(f.cache.count(), 3u);
}

TEST(TextureCache, NamesMatchWhateverTheirDirectoryAndCaseAndFailedLoadsAreTriedAgain)
{
    CacheFixture f;
    Texture* wood = f.request(f.dir.write("wood.bmp", plainBmp(8, 8)));
    ASSERT_NE(wood->surface, nullptr);
    EXPECT_EQ(f.request("elsewhere\\WOOD.BMP"), wood);
    EXPECT_EQ(f.request("C:/other/Wood.Bmp"), wood);
    EXPECT_EQ(f.request(""), nullptr) << "an empty name creates nothing";

    const std::string missing = f.dir.file("missing.bmp");
    Texture* a = f.request(missing);
    EXPECT_EQ(a->surface, nullptr);
    EXPECT_EQ(a->nameKey, "");
    Texture* b = f.request(missing);
    EXPECT_NE(b, a);
    EXPECT_EQ(f.cache.count(), 3u);
    EXPECT_EQ(f.cache.at(1), a);
    EXPECT_EQ(f.cache.at(2), b);
}

// A model read from another folder than the working directory finds the textures kept beside it:
// under the name as given, relative to its folder, or by file name in its folder; a texture
// found under the name as given wins over one beside the model.
TEST(TextureCache, TexturesBesideAModelInAnotherFolderAreFound)
{
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("elsewhere/models/sub"));
    dir.write("elsewhere/models/beside.bmp", plainBmp(4, 4, 0x000011));
    dir.write("elsewhere/models/sub/below.bmp", plainBmp(4, 4, 0x000022));
    dir.write("elsewhere/models/sub/named.bmp", plainBmp(4, 4, 0x000033));
    dir.write("elsewhere/models/named.bmp", plainBmp(4, 4, 0x000077));
    dir.write("elsewhere/models/far.bmp", plainBmp(4, 4, 0x000044));
    dir.write("elsewhere/models/first.bmp", plainBmp(4, 4, 0x000055));
    const std::string first = dir.write("first.bmp", plainBmp(4, 4, 0x000066));
    const char* names[] = {"beside.bmp",  "sub\\below.bmp", "sub\\named.bmp", "c:\\old\\disk\\far.bmp",
                           first.c_str(), "missing.bmp"};
    std::string text = "Metasequoia Document\nFormat Text Ver 1.0\nMaterial 6 {\n";
    for (const char* name : names)
        text +=
            "\"m\" col(1 1 1 1) dif(1) amb(1) emi(0) spc(0) power(0) tex(\"" + std::string(name) + "\")\n";
    text += "}\nObject \"o\" {\nvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n}\nface 1 {\n3 V(0 1 2) M(0)\n}\n}\nEof\n";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    const std::string model = dir.write("elsewhere/models/model.mqo", bytes);

    RecordingDrawDevice device;
    World world;
    world.setDevice(&device);
    Frame frame;
    ASSERT_NE(world.modelCache.load(frame, model, Vector3(1.0f, 1.0f, 1.0f)), nullptr);
    EXPECT_EQ(textureSource().modelFolder(), "") << "the folder is known only while the model is read";
    const uint32_t expected[] = {0x000011, 0x000022, 0x000033, 0x000044, 0x000066};
    ASSERT_EQ(world.textureCache.count(), 6u);
    for (size_t i = 0; i < 5; ++i) {
        const Texture* t = world.textureCache.at(i);
        ASSERT_FALSE(t->empty()) << names[i];
        EXPECT_EQ(colorAt(*t, 0, 0), expected[i]) << names[i];
    }
    EXPECT_TRUE(world.textureCache.at(5)->empty());
    world.clearWorld();
    world.setDevice(nullptr);
}

TEST(TextureCache, NoFormatOfTheDesktopDepthMeansNoSurface)
{
    // A 24-bit desktop: no offered format has 24 bits with the requested 16-bit masks.
    CacheFixture f;
    f.device.deviceDepth = 24;
    f.device.screenDepth = 24;
    Texture* t = f.request(f.dir.write("wood.bmp", plainBmp(8, 8)));
    EXPECT_EQ(t->surface, nullptr);
    EXPECT_EQ(t->nameKey, "");
    EXPECT_EQ(f.device.messages, (std::vector<std::string>{"CreateTextureSurface() error\n"}));
}

TEST(TextureCache, ANewDeviceGetsNewSurfacesFromTheKeptPictures)
{
    ScratchDir dir;
    RecordingDrawDevice first;
    RecordingDrawDevice second;
    World world;
    world.setDevice(&first);
    world.resetWorld();
    Texture* loaded = world.findOrLoadTexture(dir.write("wood.bmp", plainBmp(8, 8)), nullptr);
    Texture* failed = world.findOrLoadTexture(dir.file("missing.bmp"), nullptr);
    ASSERT_NE(loaded->surface, nullptr);

    world.setDevice(nullptr);  // the device goes away: its surface is given back
    EXPECT_EQ(loaded->surface, nullptr);
    EXPECT_EQ(first.texts("release"), (std::vector<std::string>{"release #1"}));

    world.setDevice(&second);
    ASSERT_NE(loaded->surface, nullptr);
    EXPECT_EQ(fake(loaded)->filledWidth, 8);
    EXPECT_EQ(failed->surface, nullptr);
    EXPECT_EQ(second.surfacesMade, 1);
    EXPECT_EQ(world.findOrLoadTexture("WOOD.bmp", nullptr), loaded);

    world.clearWorld();
    EXPECT_EQ(second.texts("release"), (std::vector<std::string>{"release #1"}));
    EXPECT_EQ(world.textureCache.count(), 0u);
    world.setDevice(nullptr);
}

TEST(World, ClearingReleasesTexturesBeforeSwitchingLightsOff)
{
    ScratchDir dir;
    RecordingDrawDevice device;
    World world;
    world.setDevice(&device);
    world.resetWorld();
    world.findOrLoadTexture(dir.write("wood.bmp", plainBmp(8, 8)), nullptr);
    world.addLight()->set(0.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0, 0);
    device.calls.clear();
    world.clearWorld();
    EXPECT_EQ(device.texts(), (std::vector<std::string>{"release #1", "light 1", "enable 1 off"}));
    world.setDevice(nullptr);
}

TEST(World, ItsTextureCacheServesTheModelReaders)
{
    {
        World world;
        EXPECT_EQ(&textureSource(), &world.textureCache);
    }
    EXPECT_NE(dynamic_cast<RecordingTextureSource*>(&textureSource()), nullptr);
}
