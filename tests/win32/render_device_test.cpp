// RenderDevice with the real DirectDraw 7 / Direct3D 7: bring-up at the picture sizes with the
// device, target format and depth format chosen by the program's rules, the objects it leaves
// behind, read-back of a cleared target, the two-background matte over a drawn
// opaque and translucent shape, and repeated re-creation without leaking.
#include "render/win32/render_device.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/image_buffer.h"
#include "process_counts.h"
#include "render/difference_matte.h"
#include "render/win32/ddraw_library.h"
#include "test_window.h"

namespace {

constexpr int32_t kClientWidth = 320;
constexpr int32_t kClientHeight = 240;

// The start-up sequence the program runs at every picture size; the program always asks for
// acceleration.
bool bringUp(RenderDevice& device, HWND window, int32_t width, int32_t height, bool hardware = true)
{
    device.shutdown();
    device.setTargetSize(width, height, 16);
    device.setAcceleration(hardware);
    return device.createSurfaces(window, width, height) && device.createDevice();
}

// Bits per pixel of the screen the window is on.
int32_t screenDepth(HWND window)
{
    HDC dc = GetDC(window);
    const int32_t bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(window, dc);
    return bits;
}

// Whether a device of the given type comes up on a target like the device's own, made through
// a DirectDraw object of its own (one DirectDraw object carries only one device).
bool typeComesUp(const RenderDevice& device, const GUID& type)
{
    ComPtr<IDirectDraw7> directDraw;
    if (FAILED(createDirectDraw(IID_IDirectDraw7, directDraw.putVoid())) ||
        FAILED(directDraw->SetCooperativeLevel(device.window(), DDSCL_NORMAL)))
        return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(device.width());
    desc.dwHeight = static_cast<DWORD>(device.height());
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    ComPtr<IDirectDrawSurface7> target;
    ComPtr<IDirect3D7> direct3D;
    ComPtr<IDirect3DDevice7> probe;
    return SUCCEEDED(directDraw->CreateSurface(&desc, target.put(), nullptr)) &&
           SUCCEEDED(directDraw->QueryInterface(IID_IDirect3D7, direct3D.putVoid())) &&
           SUCCEEDED(direct3D->CreateDevice(type, target.get(), probe.put())) && probe;
}

// The device the program should have come up with: the first of its list of preference that
// comes up here, the software ones only without acceleration.
GUID expectedDeviceType(const RenderDevice& device, bool hardware)
{
    const GUID* preference[] = {&IID_IDirect3DTnLHalDevice, &IID_IDirect3DHALDevice, &IID_IDirect3DRGBDevice,
                                &IID_IDirect3DMMXDevice};
    for (size_t i = hardware ? 0 : 2; i < 4; ++i)
        if (typeComesUp(device, *preference[i]))
            return *preference[i];
    return GUID{};
}

HRESULT CALLBACK collectDepth(DDPIXELFORMAT* format, void* depths)
{
    static_cast<std::vector<DWORD>*>(depths)->push_back(format->dwZBufferBitDepth);
    return D3DENUMRET_OK;
}

// The depths of the depth-buffer formats the device offers.
std::vector<DWORD> offeredDepths(const RenderDevice& device)
{
    std::vector<DWORD> depths;
    device.direct3D()->EnumZBufferFormats(device.deviceType(), collectDepth, &depths);
    return depths;
}

// The bytes (B, G, R[, A]) of picture pixel x, y (y from the top) of a 24- or 32-bit picture, and
// the pixel as 0xRRGGBB.
const uint8_t* pixelAt(const ImageBuffer& image, int32_t x, int32_t y)
{
    return image.row(image.height() - 1 - y) + static_cast<size_t>(x) * (image.bitsPerPixel() / 8);
}

uint32_t rgbAt(const ImageBuffer& image, int32_t x, int32_t y)
{
    const uint8_t* p = pixelAt(image, x, y);
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD diffuse;  // 0xAARRGGBB
};
constexpr DWORD kScreenVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// An axis-aligned rectangle in target pixels, drawn as a strip of two triangles.
void drawRect(IDirect3DDevice7* device, float left, float top, float right, float bottom, DWORD colour)
{
    ScreenVertex v[4] = {
        {left, top, 0.5f, 1.0f, colour},
        {right, top, 0.5f, 1.0f, colour},
        {left, bottom, 0.5f, 1.0f, colour},
        {right, bottom, 0.5f, 1.0f, colour},
    };
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kScreenVertexFormat, v, 4, 0);
}

// One picture over the given background: an opaque red square on the left, a half-transparent
// white square on the right, background elsewhere.
void renderScene(IDirect3DDevice7* device, D3DCOLOR background)
{
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    device->BeginScene();
    drawRect(device, 40, 100, 160, 300, 0xFFFF0000);
    drawRect(device, 240, 100, 360, 300, 0x80FFFFFF);
    device->EndScene();
}

}  // namespace

TEST(D3DRenderDevice, EmptyDeviceRefusesWorkAndShutsDownTwice)
{
    TestWindow window(kClientWidth, kClientHeight);
    RenderDevice device;
    EXPECT_FALSE(device.ready());
    EXPECT_FALSE(device.everReady());
    EXPECT_EQ(device.width(), 640);
    EXPECT_EQ(device.height(), 480);
    EXPECT_EQ(device.colourDepth(), 16);
    EXPECT_FALSE(device.hardware());

    ImageBuffer image;
    ASSERT_TRUE(image.create(640, 480, 32));
    EXPECT_FALSE(device.copyToBitmap(image)) << "no render target yet";
    EXPECT_FALSE(device.createDevice()) << "no surfaces yet";
    device.shutdown();
    device.shutdown();
    EXPECT_FALSE(device.ready());

    // After a working device is shut down everything is gone, twice over, but everReady stays.
    ASSERT_TRUE(bringUp(device, window.get(), 400, 400));
    device.shutdown();
    device.shutdown();
    EXPECT_FALSE(device.ready());
    EXPECT_TRUE(device.everReady());
    EXPECT_EQ(device.directDraw(), nullptr);
    EXPECT_EQ(device.device(), nullptr);
    EXPECT_EQ(device.renderTarget(), nullptr);
    EXPECT_EQ(device.zBuffer(), nullptr);
    ImageBuffer picture;
    ASSERT_TRUE(picture.create(400, 400, 32));
    EXPECT_FALSE(device.copyToBitmap(picture));
}

TEST(D3DRenderDevice, ComesUpAtBothPictureSizes)
{
    TestWindow window(kClientWidth, kClientHeight);
    struct Case {
        int32_t side;
        bool hardware;
    };
    for (const Case c : {Case{400, true}, Case{1200, true}, Case{400, false}}) {
        const int32_t side = c.side;
        RenderDevice device;
        ASSERT_TRUE(bringUp(device, window.get(), side, side, c.hardware)) << side;
        EXPECT_TRUE(device.ready());
        EXPECT_TRUE(device.everReady());
        EXPECT_EQ(device.width(), side);
        EXPECT_EQ(device.height(), side);
        EXPECT_EQ(device.colourDepth(), screenDepth(window.get())) << "the desktop's, not the one asked for";
        EXPECT_TRUE(IsEqualGUID(device.deviceType(), expectedDeviceType(device, c.hardware)))
            << "the first device of the list that comes up, hardware " << c.hardware;
        EXPECT_NE(device.deviceCaps().dwMaxTextureWidth, 0u);

        // The target takes the primary surface's (the desktop's) pixel format.
        DDSURFACEDESC2 target{};
        target.dwSize = sizeof target;
        ASSERT_EQ(device.renderTarget()->GetSurfaceDesc(&target), DD_OK);
        EXPECT_EQ(target.dwWidth, static_cast<DWORD>(side));
        EXPECT_EQ(target.dwHeight, static_cast<DWORD>(side));
        DDSURFACEDESC2 primary{};
        primary.dwSize = sizeof primary;
        ASSERT_EQ(device.primarySurface()->GetSurfaceDesc(&primary), DD_OK);
        EXPECT_EQ(std::memcmp(&target.ddpfPixelFormat, &primary.ddpfPixelFormat, sizeof(DDPIXELFORMAT)), 0);
        EXPECT_EQ(target.ddpfPixelFormat.dwRGBBitCount, static_cast<DWORD>(device.colourDepth()));

        // A device that removes hidden surfaces itself gets no depth buffer.
        if (device.deviceCaps().dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR) {
            EXPECT_EQ(device.zBuffer(), nullptr);
            continue;
        }
        // The depth buffer: attached to the target, of its size, in the device's 16-bit format
        // where it offers one, else one as deep as the target.
        const std::vector<DWORD> depths = offeredDepths(device);
        const bool offers16 = std::find(depths.begin(), depths.end(), 16u) != depths.end();
        const DWORD wantDepth = offers16 ? 16u : target.ddpfPixelFormat.dwRGBBitCount;
        ASSERT_NE(device.zBuffer(), nullptr);
        DDSCAPS2 zCaps{};
        zCaps.dwCaps = DDSCAPS_ZBUFFER;
        IDirectDrawSurface7* attached = nullptr;
        ASSERT_EQ(device.renderTarget()->GetAttachedSurface(&zCaps, &attached), DD_OK);
        EXPECT_EQ(attached, device.zBuffer());
        attached->Release();
        DDSURFACEDESC2 depth{};
        depth.dwSize = sizeof depth;
        ASSERT_EQ(device.zBuffer()->GetSurfaceDesc(&depth), DD_OK);
        EXPECT_EQ(depth.dwWidth, static_cast<DWORD>(side));
        EXPECT_EQ(depth.ddpfPixelFormat.dwZBufferBitDepth, wantDepth);
        EXPECT_TRUE(depth.ddpfPixelFormat.dwFlags & DDPF_ZBUFFER);

        D3DVIEWPORT7 viewport{};
        ASSERT_EQ(device.device()->GetViewport(&viewport), D3D_OK);
        EXPECT_EQ(viewport.dwX, 0u);
        EXPECT_EQ(viewport.dwY, 0u);
        EXPECT_EQ(viewport.dwWidth, static_cast<DWORD>(side));
        EXPECT_EQ(viewport.dwHeight, static_cast<DWORD>(side));
        EXPECT_EQ(viewport.dvMinZ, 0.0f);
        EXPECT_EQ(viewport.dvMaxZ, 1.0f);

        // The primary surface carries a clipper bound to the window.
        IDirectDrawClipper* clipper = nullptr;
        ASSERT_EQ(device.primarySurface()->GetClipper(&clipper), DD_OK);
        HWND clipped = nullptr;
        clipper->GetHWnd(&clipped);
        clipper->Release();
        EXPECT_EQ(clipped, window.get());
    }
}

TEST(D3DRenderDevice, ZeroSideTakesTheClientSize)
{
    TestWindow window(kClientWidth, kClientHeight);
    struct Case {
        int32_t width;
        int32_t height;
    };
    for (const Case c : {Case{0, 300}, Case{300, 0}, Case{0, 0}}) {
        RenderDevice device;
        ASSERT_TRUE(device.createSurfaces(window.get(), c.width, c.height));
        EXPECT_EQ(device.width(), kClientWidth) << c.width << "x" << c.height;
        EXPECT_EQ(device.height(), kClientHeight) << c.width << "x" << c.height;
        EXPECT_TRUE(device.createDevice());
    }
}

TEST(D3DRenderDevice, ClearedTargetReadsBackAsItsColour)
{
    TestWindow window(kClientWidth, kClientHeight);
    RenderDevice device;
    ASSERT_TRUE(bringUp(device, window.get(), 400, 400));
    ImageBuffer image32;
    ImageBuffer image24;
    ASSERT_TRUE(image32.create(400, 400, 32));
    ASSERT_TRUE(image24.create(400, 400, 24));
    for (const D3DCOLOR colour : {0x000000u, 0x00FF00u, 0xFFFFFFu, 0x336699u, 0xC0FFEEu, 0x010203u}) {
        ASSERT_EQ(device.device()->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0), D3D_OK);
        for (ImageBuffer* image : {&image32, &image24}) {
            ASSERT_TRUE(device.copyToBitmap(*image));
            int mismatches = 0;
            for (int32_t y = 0; y < 400; ++y)
                for (int32_t x = 0; x < 400; ++x)
                    mismatches += rgbAt(*image, x, y) != (colour & 0xFFFFFF);
            EXPECT_EQ(mismatches, 0) << std::hex << colour << " into " << image->bitsPerPixel() << " bits";
        }
    }

    // A picture of another size is refused and left as it was.
    for (const int32_t side : {399, 401}) {
        ImageBuffer other;
        ASSERT_TRUE(other.create(side, 400, 32));
        other.pixels()[0] = 0x5A;
        EXPECT_FALSE(device.copyToBitmap(other)) << side;
        EXPECT_EQ(other.pixels()[0], 0x5A);
    }
}

TEST(D3DRenderDevice, MatteOfTwoBackgrounds)
{
    TestWindow window(kClientWidth, kClientHeight);
    RenderDevice device;
    ASSERT_TRUE(bringUp(device, window.get(), 400, 400));
    ImageBuffer overBlack;
    ImageBuffer overGreen;
    ASSERT_TRUE(overBlack.create(400, 400, 32));
    ASSERT_TRUE(overGreen.create(400, 400, 32));
    renderScene(device.device(), 0x000000);
    ASSERT_TRUE(device.copyToBitmap(overBlack));
    renderScene(device.device(), 0x00FF00);
    ASSERT_TRUE(device.copyToBitmap(overGreen));
    ASSERT_TRUE(DifferenceMatte::apply(overBlack, overGreen));

    struct Probe {
        int32_t x;
        int32_t y;
        int minAlpha;
        int maxAlpha;
        const char* what;
    };
    const Probe probes[] = {
        {100, 200, 255, 255, "opaque square"},
        {20, 20, 0, 0, "background, top left"},
        {200, 200, 0, 0, "background between the squares"},
        {380, 380, 0, 0, "background, bottom right"},
        {300, 200, 112, 144, "translucent square, about half"},
    };
    for (const Probe& p : probes) {
        const int alpha = pixelAt(overBlack, p.x, p.y)[3];
        EXPECT_GE(alpha, p.minAlpha) << p.what;
        EXPECT_LE(alpha, p.maxAlpha) << p.what;
    }
    // The colours stay those over black: multiplied by their alpha.
    EXPECT_EQ(rgbAt(overBlack, 100, 200), 0xFF0000u);
    EXPECT_EQ(rgbAt(overBlack, 20, 20), 0u);
    const uint8_t* half = pixelAt(overBlack, 300, 200);
    EXPECT_NEAR(half[0], half[3], 2) << "white at half alpha reads as half grey";
}

TEST(D3DRenderDevice, ReCreationDoesNotLeak)
{
    TestWindow window(kClientWidth, kClientHeight);
    RenderDevice device;
    ImageBuffer small;
    ImageBuffer large;
    ASSERT_TRUE(small.create(400, 400, 32));
    ASSERT_TRUE(large.create(1200, 1200, 32));
    auto cycle = [&](int32_t side, ImageBuffer& picture) {
        ASSERT_TRUE(bringUp(device, window.get(), side, side));
        ASSERT_TRUE(device.copyToBitmap(picture));
        device.shutdown();
    };
    // The first bring-ups load the drivers and fill their caches.
    for (int i = 0; i < 2; ++i) {
        cycle(400, small);
        cycle(1200, large);
    }
    const ProcessCounts before = processCounts();
    ASSERT_GE(before.handles, 0);
    constexpr int kRounds = 10;  // 20 re-creations
    for (int i = 0; i < kRounds; ++i) {
        cycle(400, small);
        cycle(1200, large);
    }
    const ProcessCounts after = processCounts();
    std::printf("handles %ld -> %ld, GDI objects %ld -> %ld, anonymous memory %llu kB -> %llu kB\n",
                before.handles, after.handles, before.gdiObjects, after.gdiObjects,
                static_cast<unsigned long long>(before.anonymousBytes >> 10),
                static_cast<unsigned long long>(after.anonymousBytes >> 10));
    // Under Wine every leaked surface or device also holds kernel handles and GDI objects, so
    // those counts catch even one small leak. Memory grows by a few megabytes without one (the
    // heap in steps; under emulation, the translated code too), while a leaked 1200 x 1200
    // target alone would add 10 x 5.5 MB.
    EXPECT_LE(after.handles, before.handles + 2);
    // A 32-bit process under Wine finds no GDI table to count (-1).
    if (before.gdiObjects >= 0) {
        EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
    }
    EXPECT_LE(after.anonymousBytes, before.anonymousBytes + (16u << 20));
}
