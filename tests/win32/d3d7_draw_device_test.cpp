// The World drawing through Direct3D 7: a textured quad from a BMP texture, with and without an
// alpha plane, shows its texture in the read-back; the origin lands at the centre of the
// viewport; the textures stay on the picture after the device was rebuilt at another size, and
// rebuilding does not leak.
#include "render/win32/d3d7_draw_device.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "render/win32/render_device.h"
#include "render/world.h"
#include "test_window.h"
#include "tests/unit/image_test_support.h"

namespace {

constexpr float kHalfSide = 50.0f;  // the quad spans -50 .. 50 in x and y, at z = 0

// A quad facing the camera, drawn from both sides so that the cull mode does not matter. The
// texture's top row (v = 0) is at the quad's top (y = +50).
std::vector<MeshVertex> quadVertices()
{
    const MeshVertex tl{-kHalfSide, kHalfSide, 0, 0, 0, 1, 0, 0};
    const MeshVertex tr{kHalfSide, kHalfSide, 0, 0, 0, 1, 1, 0};
    const MeshVertex bl{-kHalfSide, -kHalfSide, 0, 0, 0, 1, 0, 1};
    const MeshVertex br{kHalfSide, -kHalfSide, 0, 0, 0, 1, 1, 1};
    return {tl, tr, br, tl, br, bl, tl, br, tr, tl, bl, br};
}

// A RenderDevice at size x size, the World on it with the scene's camera (at (0, 0, 300),
// looking at the origin), and a quad frame under the World.
class DrawScene {
public:
    explicit DrawScene(int32_t size)
    {
        vertices_ = quadVertices();
        ok_ = bringUp(size);
        world.resetWorld();
        world.cameraPosition.set(0.0f, 0.0f, 300.0f);
        world.cameraRotation.setLookDirection(Vector3(0.0f, 0.0f, -300.0f), 0.0f, 1.0f, 0.0f);
        const auto count = static_cast<int32_t>(vertices_.size());
        quad = world.addMeshChild(Frame::kTriangleList, vertices_.data(), count, 0);
        quad->vertexOwnership = Frame::kVerticesBorrowed;
        quad->lighting = 0;  // unlit: the vertices are white, the texel colour shows as it is
    }
    ~DrawScene()
    {
        world.clearWorld();
        world.setDevice(nullptr);
        drawDevice_.reset();
        device_.shutdown();
    }

    bool ok() const { return ok_; }

    // Rebuilds the device at another size, as a change of picture size does.
    bool bringUp(int32_t size)
    {
        world.setDevice(nullptr);
        drawDevice_.reset();
        device_.shutdown();
        device_.setTargetSize(size, size, 16);
        device_.setAcceleration(true);
        if (!device_.createSurfaces(window_.get(), size, size) || !device_.createDevice())
            return false;
        drawDevice_ =
            std::make_unique<D3D7DrawDevice>(device_.directDraw(), device_.device(), device_.width(),
                                             device_.height(), device_.colourDepth(), device_.hardware());
        world.setDevice(drawDevice_.get());
        world.setupProjection();
        return true;
    }

    // One picture over clearColour, read back.
    bool render(ImageBuffer& picture, uint32_t clearColour = 0)
    {
        world.clearColour = clearColour;
        world.renderFrame();
        return picture.create(device_.width(), device_.height(), 32) != nullptr &&
               device_.copyToBitmap(picture);
    }

    World world;
    Frame* quad = nullptr;

private:
    TestWindow window_{200, 200};
    RenderDevice device_;
    std::unique_ptr<D3D7DrawDevice> drawDevice_;
    std::vector<MeshVertex> vertices_;
    bool ok_ = false;
};

// Picture pixel (x, y from the top) as 0xRRGGBB.
uint32_t rgbAt(const ImageBuffer& image, int32_t x, int32_t y)
{
    const uint8_t* p = image.row(image.height() - 1 - y) + static_cast<size_t>(x) * 4;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// A 16 x 16 BMP: the top half one colour, the bottom half another (0xRRGGBB).
std::vector<uint8_t> twoHalvesBmp(uint32_t top, uint32_t bottom)
{
    BmpLayout layout;
    for (int y = 0; y < 16; ++y)
        layout.rowsFromTop.push_back(std::vector<uint32_t>(16, y < 8 ? top : bottom));
    return makeBmp(layout);
}

// A few picture points: the quad's upper and lower half on the vertical centre line, and a
// corner of the background.
struct Samples {
    uint32_t upper, lower, background;
};

Samples sample(const ImageBuffer& picture)
{
    const int32_t c = picture.width() / 2;
    const int32_t offset = picture.height() / 10;  // well inside the quad's halves
    return {rgbAt(picture, c, c - offset), rgbAt(picture, c, c + offset), rgbAt(picture, 2, 2)};
}

uint64_t privateBytes()
{
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.PagefileUsage : 0;
}

}  // namespace

TEST(D3D7DrawDevice, TexturedQuadShowsItsTextureWithAndWithoutAlphaPlane)
{
    ScratchDir dir;
    const std::string picture = dir.write("halves.bmp", twoHalvesBmp(0xFF0000, 0x0000FF));
    // The plane keeps the upper half opaque and lets half of the background through below.
    const std::string plane = dir.write("halves_a.bmp", twoHalvesBmp(0xFFFFFF, 0x808080));

    DrawScene scene(400);
    ASSERT_TRUE(scene.ok());
    Texture* plain = scene.world.findOrLoadTexture(picture, nullptr);
    Texture* withPlane = scene.world.findOrLoadTexture(picture, &plane);
    ASSERT_NE(plain->surface, nullptr);
    ASSERT_NE(withPlane->surface, nullptr);
    EXPECT_EQ(plain->formatCode, 0x8888) << "a 32-bit desktop under Wine";
    EXPECT_EQ(withPlane->bitsPerPixel(), 32);

    ImageBuffer shot;
    scene.quad->texture = plain;
    ASSERT_TRUE(scene.render(shot));
    Samples s = sample(shot);
    EXPECT_EQ(s.upper, 0xFF0000u);
    EXPECT_EQ(s.lower, 0x0000FFu);
    EXPECT_EQ(s.background, 0u);

    scene.quad->texture = withPlane;
    scene.quad->enableAlphaBlend();  // as mesh building does for a texture with alpha
    ASSERT_TRUE(scene.render(shot));
    s = sample(shot);
    EXPECT_EQ(s.upper, 0xFF0000u);
    EXPECT_EQ(s.lower >> 8, 0u) << std::hex << s.lower;
    EXPECT_NEAR(static_cast<int>(s.lower & 0xFF), 0x80, 3) << "half of the blue over black";
    ASSERT_TRUE(scene.render(shot, 0x0000FF00));
    s = sample(shot);
    EXPECT_NEAR(static_cast<int>((s.lower >> 8) & 0xFF), 0x7F, 3) << "half of the green background";
    EXPECT_EQ(s.upper, 0xFF0000u) << "the opaque half hides the background";
}

TEST(D3D7DrawDevice, TheOriginLandsAtTheCentreOfTheViewport)
{
    for (int32_t size : {400, 1200}) {
        DrawScene scene(size);
        ASSERT_TRUE(scene.ok());
        // A small untextured square around the origin: white, unlit, a few pixels wide.
        scene.quad->localScale.set(0.04f, 0.04f, 0.04f);
        ImageBuffer shot;
        ASSERT_TRUE(scene.render(shot));
        const int32_t c = size / 2;
        ASSERT_EQ(rgbAt(shot, c, c), 0xFFFFFFu) << size;
        // The white extends equally far from the centre in each direction (within a pixel).
        auto extent = [&](int32_t dx, int32_t dy) {
            int32_t n = 0;
            while (n < c && rgbAt(shot, c + (n + 1) * dx, c + (n + 1) * dy) == 0xFFFFFFu)
                ++n;
            return n;
        };
        const int32_t left = extent(-1, 0), right = extent(1, 0), up = extent(0, -1), down = extent(0, 1);
        EXPECT_GT(left, 0) << size;
        EXPECT_LT(left, size / 20) << size;
        EXPECT_LE(std::abs(left - (right + 1)), 1) << size << ": " << left << " left, " << right << " right";
        EXPECT_LE(std::abs(up - (down + 1)), 1) << size << ": " << up << " up, " << down << " down";
    }
}

TEST(D3D7DrawDevice, TexturesStayAfterTheDeviceIsRebuiltAndRebuildingDoesNotLeak)
{
    ScratchDir dir;
    const std::string picture = dir.write("halves.bmp", twoHalvesBmp(0x00FF00, 0xFF00FF));
    const std::string plane = dir.write("halves_a.bmp", twoHalvesBmp(0xFFFFFF, 0x000000));
    DrawScene scene(400);
    ASSERT_TRUE(scene.ok());
    Texture* texture = scene.world.findOrLoadTexture(picture, nullptr);
    Texture* alphaTexture = scene.world.findOrLoadTexture(picture, &plane);
    ASSERT_NE(texture->surface, nullptr);
    scene.quad->texture = texture;

    ImageBuffer shot;
    auto cycle = [&](int32_t size) {
        ASSERT_TRUE(scene.bringUp(size));
        ASSERT_NE(texture->surface, nullptr);
        ASSERT_NE(alphaTexture->surface, nullptr);
        ASSERT_TRUE(scene.render(shot));
        const Samples s = sample(shot);
        EXPECT_EQ(s.upper, 0x00FF00u) << size;
        EXPECT_EQ(s.lower, 0xFF00FFu) << size;
    };
    cycle(1200);  // the first rebuilds fill the drivers' caches
    cycle(400);
    const uint64_t before = privateBytes();
    for (int i = 0; i < 3; ++i) {
        cycle(1200);
        cycle(400);
    }
    const uint64_t after = privateBytes();
    std::printf("private memory %llu kB -> %llu kB\n", static_cast<unsigned long long>(before >> 10),
                static_cast<unsigned long long>(after >> 10));
    // A DirectDraw object kept alive by a texture surface of the old device would keep its
    // 1200 x 1200 target (5.5 MB) with it, three times.
    EXPECT_LE(after, before + (8u << 20));
}
