// The DirectDraw 7 / Direct3D 7 device and its off-screen render target (see render_device.h).
#include "render/win32/render_device.h"

#include <bit>
#include <cstddef>
#include <iterator>

#include "base/win32/gdi_handles.h"
#include "image/image_buffer.h"
#include "image/win32/dib_section_storage.h"
#include "render/dd_pixel_format.h"
#include "render/win32/ddraw_library.h"
#include "render/win32/timer_resolution.h"
#include "render/z_buffer_format.h"

// The portable format rule reads and writes the records the device hands out byte for byte.
static_assert(sizeof(DdPixelFormat) == sizeof(DDPIXELFORMAT));
static_assert(offsetof(DdPixelFormat, flags) == offsetof(DDPIXELFORMAT, dwFlags));
static_assert(offsetof(DdPixelFormat, bitCount) == offsetof(DDPIXELFORMAT, dwRGBBitCount));
static_assert(offsetof(DdPixelFormat, bitCount) == offsetof(DDPIXELFORMAT, dwZBufferBitDepth));
static_assert(offsetof(DdPixelFormat, mask1) == offsetof(DDPIXELFORMAT, dwRBitMask));
static_assert(offsetof(DdPixelFormat, mask4) == offsetof(DDPIXELFORMAT, dwRGBAlphaBitMask));
static_assert(kDdpfAlphaPixels == DDPF_ALPHAPIXELS && kDdpfRgb == DDPF_RGB && kDdpfZBuffer == DDPF_ZBUFFER);
static_assert(kEnumCancel == D3DENUMRET_CANCEL && kEnumOk == D3DENUMRET_OK);

namespace {

// The timer resolution the program asks for while it runs, in milliseconds.
constexpr UINT kTimerResolution = 1;

// Devices tried in turn; with hardware from the first, without from the third (software only).
const GUID* const kDeviceTypes[] = {
    &IID_IDirect3DTnLHalDevice,
    &IID_IDirect3DHALDevice,
    &IID_IDirect3DRGBDevice,
    &IID_IDirect3DMMXDevice,
};
constexpr size_t kFirstSoftwareDevice = 2;

int32_t desktopDepth(HWND window)
{
    WindowDc dc(window);
    return dc.get() ? GetDeviceCaps(dc.get(), BITSPIXEL) : 0;
}

// EnumZBufferFormats' callback: hands each offered format to the portable rule, the context
// being the DdPixelFormat that collects the choice.
HRESULT CALLBACK enumZBufferFormat(DDPIXELFORMAT* offered, void* context)
{
    if (!offered)
        return selectZBufferFormat(nullptr, static_cast<DdPixelFormat*>(context));
    const DdPixelFormat format = std::bit_cast<DdPixelFormat>(*offered);
    return selectZBufferFormat(&format, static_cast<DdPixelFormat*>(context));
}

}  // namespace

RenderDevice& renderDevice()
{
    static RenderDevice device;
    return device;
}

RenderDevice::RenderDevice()
{
    // The program runs with 1 ms system timer steps for as long as its device object lives; where
    // winmm is missing it runs with the system's steps.
    timerPeriodSet_ = beginTimerPeriod(kTimerResolution);
}

RenderDevice::~RenderDevice()
{
    shutdown();
    if (timerPeriodSet_)
        endTimerPeriod(kTimerResolution);
}

void RenderDevice::setTargetSize(int32_t width, int32_t height, int32_t colourDepth)
{
    width_ = width;
    height_ = height;
    colourDepth_ = colourDepth;
}

void RenderDevice::setAcceleration(bool hardware)
{
    hardware_ = hardware;
}

bool RenderDevice::createSurfaces(HWND window, int32_t width, int32_t height)
{
    shutdown();
    window_ = window;
    colourDepth_ = desktopDepth(window);
    if (width != 0 && height != 0) {
        width_ = width;
        height_ = height;
    } else {
        RECT client{};
        GetClientRect(window, &client);
        width_ = client.right - client.left;
        height_ = client.bottom - client.top;
    }
    if (FAILED(createDirectDraw(IID_IDirectDraw7, directDraw_.putVoid())))
        return false;
    // Never exclusive or full-screen: the program is a small window among others.
    if (FAILED(directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL)))
        return false;
    if (!createPrimarySurface())
        return false;
    createRenderTarget();
    ready_ = true;
    everReady_ = true;
    return true;
}

bool RenderDevice::createPrimarySurface()
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    return SUCCEEDED(directDraw_->CreateSurface(&desc, primarySurface_.put(), nullptr));
}

void RenderDevice::createRenderTarget()
{
    if (width_ <= 0 || height_ <= 0)
        return;
    // No pixel format: the target takes the desktop's, so that GDI reads it back in one copy.
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width_);
    desc.dwHeight = static_cast<DWORD>(height_);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    // A missing target is noticed by createDevice, whose device creation needs it.
    directDraw_->CreateSurface(&desc, renderTarget_.put(), nullptr);
}

bool RenderDevice::createDevice()
{
    if (!directDraw_ || device_)
        return false;
    if (FAILED(directDraw_->QueryInterface(IID_IDirect3D7, direct3D_.putVoid())))
        return false;
    if (!chooseDevice())
        return false;
    setViewport();
    device_->GetCaps(&deviceCaps_);
    // A device with hidden-surface removal of its own draws without a depth buffer.
    if (deviceCaps_.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR)
        return true;
    if (!createZBuffer())
        return false;
    // The device learns of the depth buffer attached to its target only when the target is set.
    if (FAILED(device_->SetRenderTarget(renderTarget_.get(), 0)))
        return false;
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    return true;
}

bool RenderDevice::chooseDevice()
{
    if (!renderTarget_)
        return false;
    const size_t first = hardware_ ? 0 : kFirstSoftwareDevice;
    for (size_t i = first; i < std::size(kDeviceTypes); ++i) {
        IDirect3DDevice7* created = nullptr;
        if (SUCCEEDED(direct3D_->CreateDevice(*kDeviceTypes[i], renderTarget_.get(), &created)) && created) {
            device_.attach(created);
            deviceType_ = *kDeviceTypes[i];
            return true;
        }
    }
    return false;
}

void RenderDevice::setViewport()
{
    D3DVIEWPORT7 viewport{};
    viewport.dwX = 0;
    viewport.dwY = 0;
    viewport.dwWidth = static_cast<DWORD>(width_);
    viewport.dwHeight = static_cast<DWORD>(height_);
    viewport.dvMinZ = 0.0f;
    viewport.dvMaxZ = 1.0f;
    device_->SetViewport(&viewport);
}

bool RenderDevice::createZBuffer()
{
    // Start from the target's own description: its pixel format is where the depth search
    // begins (the colour depth).
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    renderTarget_->GetSurfaceDesc(&desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.ddsCaps = DDSCAPS2{};
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (hardware_ ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
    desc.dwWidth = static_cast<DWORD>(width_);
    desc.dwHeight = static_cast<DWORD>(height_);
    if (!findZBufferFormat(desc.ddpfPixelFormat)) {
        OutputDebugStringA("ERROR:ZBuffer Format !!\n");
        return false;
    }
    attachClipper();
    if (FAILED(directDraw_->CreateSurface(&desc, zBuffer_.put(), nullptr)))
        return false;
    return SUCCEEDED(renderTarget_->AddAttachedSurface(zBuffer_.get()));
}

bool RenderDevice::findZBufferFormat(DDPIXELFORMAT& format)
{
    DdPixelFormat choice = std::bit_cast<DdPixelFormat>(format);
    IDirect3D7* direct3D = direct3D_.get();
    const GUID& type = deviceType_;
    const ZBufferEnumeration enumerate = [direct3D, &type](DdPixelFormat* context) {
        direct3D->EnumZBufferFormats(type, enumZBufferFormat, context);
    };
    const bool found = ::chooseZBufferFormat(enumerate, choice, static_cast<uint32_t>(colourDepth_));
    format = std::bit_cast<DDPIXELFORMAT>(choice);
    return found;
}

void RenderDevice::attachClipper()
{
    // The primary surface clips to the window; the local reference goes, the surface keeps one.
    ComPtr<IDirectDrawClipper> clipper;
    if (!primarySurface_ || FAILED(directDraw_->CreateClipper(0, clipper.put(), nullptr)))
        return;
    clipper->SetHWnd(0, window_);
    primarySurface_->SetClipper(clipper.get());
}

bool RenderDevice::copyToBitmap(HBITMAP bitmap)
{
    if (!renderTarget_ || !bitmap)
        return false;
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0)
        return false;
    if (info.bmWidth != width_ || info.bmHeight != height_)
        return false;
    MemoryDc memory(nullptr);
    SelectedObject selected(memory.get(), bitmap);
    if (!selected)
        return false;
    // Read through GDI rather than a lock: GDI widens the desktop format to the bitmap's.
    SurfaceDc surface(renderTarget_.get());
    if (!surface.get())
        return false;
    const bool copied = BitBlt(memory.get(), 0, 0, width_, height_, surface.get(), 0, 0, SRCCOPY) != FALSE;
    // The program reads the bitmap's memory next; no drawing may still be queued.
    GdiFlush();
    return copied;
}

bool RenderDevice::copyToBitmap(ImageBuffer& image)
{
    if (image.empty() || !image.moveToStorage(dibSectionStorage()))
        return false;
    return copyToBitmap(bitmapHandle(image));
}

void RenderDevice::shutdown()
{
    if (directDraw_)
        directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL);
    directDraw_.reset();
    device_.reset();
    direct3D_.reset();
    zBuffer_.reset();
    renderTarget_.reset();
    primarySurface_.reset();
    deviceCaps_ = D3DDEVICEDESC7{};
    deviceType_ = GUID{};
    ready_ = false;
}
