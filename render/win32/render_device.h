// RenderDevice: every DirectDraw 7 and Direct3D 7 object of the program. The glasses are drawn
// into an off-screen render target of the picture's size (never to the screen: the primary
// surface only carries the window's clipper), with a depth buffer attached when the device needs
// one; each finished picture is copied out of the target into a GDI bitmap. One process-wide
// instance (renderDevice()); the World draws through its device, textures are made through its
// DirectDraw object within its device's limits.
//
// Calling order: shutdown, setTargetSize, setAcceleration(true), createSurfaces, and only if that
// succeeded createDevice; the whole sequence again whenever the picture size changes. The device
// is never reset or restored in place.
#pragma once

#include <windows.h>

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>

#include "base/win32/com_ptr.h"

class ImageBuffer;

class RenderDevice {
public:
    // Asks the system for a 1 ms timer resolution for the life of the device object (where winmm
    // can be had).
    RenderDevice();
    // Releases everything (shutdown) and gives the timer resolution back if it was granted.
    virtual ~RenderDevice();
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // Records the wanted size and depth; createSurfaces replaces them with the size it uses and
    // the desktop's depth.
    void setTargetSize(int32_t width, int32_t height, int32_t colourDepth);
    // Records whether hardware acceleration is wanted (the program always wants it).
    void setAcceleration(bool hardware);

    // Starts over (shutdown), then makes the DirectDraw object, the primary surface and a render
    // target of width x height, or of the window's client size when either is 0. False when
    // DirectDraw, the cooperative level or the primary surface can't be had. A render target
    // that can't be made is not a failure here; createDevice then fails.
    bool createSurfaces(HWND window, int32_t width, int32_t height);

    // The Direct3D interface and device (TnL HAL, HAL, RGB, MMX, the first that comes up; only
    // the software ones without hardware), the viewport, the capabilities, and the depth buffer
    // with the window's clipper when the device needs one. False on any failure; what was made
    // stays until the next shutdown. Needs a successful createSurfaces and no device yet.
    bool createDevice();

    // Copies the whole render target into bitmap, which must be width x height (32 or 24 bits).
    // False, copying nothing, without a render target, with a bitmap of another size, or when
    // the target's drawing context can't be had.
    bool copyToBitmap(HBITMAP bitmap);
    // The same into a picture's bitmap (moved into a DIB section first when it is not one).
    bool copyToBitmap(ImageBuffer& image);

    // Releases everything, in the order DirectDraw, device, Direct3D, depth buffer, render
    // target, primary surface. Safe at any time and repeatedly.
    void shutdown();

    // True from a successful createSurfaces until the next shutdown: the scene renders only
    // then. A failed createDevice leaves it true.
    bool ready() const { return ready_; }
    // Set by the first successful createSurfaces and never cleared.
    bool everReady() const { return everReady_; }

    IDirectDraw7* directDraw() const { return directDraw_.get(); }
    IDirect3D7* direct3D() const { return direct3D_.get(); }
    IDirect3DDevice7* device() const { return device_.get(); }
    IDirectDrawSurface7* primarySurface() const { return primarySurface_.get(); }
    IDirectDrawSurface7* renderTarget() const { return renderTarget_.get(); }
    IDirectDrawSurface7* zBuffer() const { return zBuffer_.get(); }
    // Filled right after the device is created; all zero before.
    const D3DDEVICEDESC7& deviceCaps() const { return deviceCaps_; }
    // The identifier of the device that came up (IID_IDirect3DTnLHalDevice, ...); GUID_NULL
    // without a device.
    const GUID& deviceType() const { return deviceType_; }
    bool hardware() const { return hardware_; }
    int32_t colourDepth() const { return colourDepth_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    HWND window() const { return window_; }

private:
    bool createPrimarySurface();
    void createRenderTarget();
    bool chooseDevice();
    void setViewport();
    bool findZBufferFormat(DDPIXELFORMAT& format);
    void attachClipper();
    bool createZBuffer();

    ComPtr<IDirectDraw7> directDraw_;             // null when not set up
    ComPtr<IDirect3D7> direct3D_;                 // from directDraw_
    ComPtr<IDirectDrawSurface7> primarySurface_;  // the desktop; carries the window clipper
    ComPtr<IDirectDrawSurface7> renderTarget_;    // off-screen, desktop format, width x height
    ComPtr<IDirectDrawSurface7> zBuffer_;         // attached to renderTarget_; null if none needed
    ComPtr<IDirect3DDevice7> device_;             // renders into renderTarget_
    D3DDEVICEDESC7 deviceCaps_{};                 // the device's capabilities; zero without one
    GUID deviceType_{};                           // identifier of device_; GUID_NULL without one
    bool hardware_ = false;                       // hardware acceleration requested
    int32_t width_ = 640;                         // render target width, pixels
    int32_t height_ = 480;                        // render target height, pixels
    int32_t colourDepth_ = 16;                    // desktop bits per pixel, read by createSurfaces
    HWND window_ = nullptr;                       // clipper and cooperative level refer to it
    bool ready_ = false;                          // surfaces made and not yet shut down
    bool everReady_ = false;                      // some createSurfaces has succeeded
    bool timerPeriodSet_ = false;                 // the 1 ms timer resolution is ours to give back
};

// The one device of the process, made on first use.
RenderDevice& renderDevice();
