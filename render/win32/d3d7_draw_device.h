// D3D7DrawDevice: the DrawDevice over a Direct3D 7 device and the DirectDraw object it was made
// from. The drawing calls go to the device unchanged; texture surfaces are made through the
// DirectDraw object in a format the device lists, within its size limits, and filled through
// GDI and a DirectDraw blit, with the alpha bits written by hand.
//
// It borrows both interfaces (no reference of its own), so it must be destroyed - and taken
// out of the World - before their owner releases them. Texture surfaces it made hold their
// own reference and may outlive it.
#pragma once

#include <windows.h>

#include <d3d.h>
#include <ddraw.h>

#include <cstdint>
#include <memory>

#include "render/draw_device.h"

class D3D7DrawDevice final : public DrawDevice {
public:
    // The render target is width x height pixels at colourDepth bits (the desktop's when it was
    // made); hardware: textures are managed by Direct3D, else they live in system memory. The
    // device's capabilities are read here.
    D3D7DrawDevice(IDirectDraw7* directDraw, IDirect3DDevice7* device, int32_t width, int32_t height,
                   int32_t colourDepth, bool hardware);

    DrawResult setTransform(TransformState state, const Matrix4& matrix) override;
    DrawResult setRenderState(RenderState state, uint32_t value) override;
    DrawResult setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override;
    DrawResult setMaterial(const D3DMaterial7Data& material) override;
    DrawResult setTexture(uint32_t stage, TextureSurface* surface) override;
    DrawResult setLight(uint32_t index, const D3DLight7Data& light) override;
    DrawResult lightEnable(uint32_t index, bool enable) override;
    DrawResult setViewport(const DrawViewport& viewport) override;
    DrawResult clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override;
    DrawResult beginScene() override;
    DrawResult endScene() override;
    DrawResult drawPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const void* vertices,
                             uint32_t vertexCount, uint32_t flags) override;
    DrawResult drawIndexedPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const void* vertices,
                                    uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                                    uint32_t flags) override;

    int32_t targetWidth() const override { return width_; }
    int32_t targetHeight() const override { return height_; }
    int32_t colourDepth() const override { return colourDepth_; }
    int32_t desktopDepth() const override;

    std::unique_ptr<TextureSurface> createTextureSurface(const TextureSurfaceRequest& request) override;
    bool fillTexture(TextureSurface& surface, ImageBuffer& image) override;

    void debugMessage(const char* text) override;

    // The DirectDraw surface behind a texture surface made here (null for null).
    static IDirectDrawSurface7* surfaceOf(TextureSurface* surface);

private:
    IDirectDraw7* directDraw_;  // borrowed
    IDirect3DDevice7* device_;  // borrowed
    D3DDEVICEDESC7 caps_{};     // the device's capabilities; zero when they could not be read
    int32_t width_;             // render target, pixels
    int32_t height_;
    int32_t colourDepth_;  // bits per pixel of the desktop when the target was made
    bool hardware_;        // textures managed by Direct3D rather than in system memory
};
