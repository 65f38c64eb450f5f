// NullDrawDevice: a DrawDevice that accepts every call and draws nothing, for driving the
// World's frame drawing natively: what remains is the program's own work per frame.
#pragma once

#include <memory>

#include "render/draw_device.h"

class NullDrawDevice : public DrawDevice {
public:
    NullDrawDevice(int32_t width, int32_t height) : width_(width), height_(height) {}

    DrawResult setTransform(TransformState, const Matrix4&) override { return kDrawOk; }
    DrawResult setRenderState(RenderState, uint32_t) override { return kDrawOk; }
    DrawResult setTextureStageState(uint32_t, TextureStageState, uint32_t) override { return kDrawOk; }
    DrawResult setMaterial(const D3DMaterial7Data&) override { return kDrawOk; }
    DrawResult setTexture(uint32_t, TextureSurface*) override { return kDrawOk; }
    DrawResult setLight(uint32_t, const D3DLight7Data&) override { return kDrawOk; }
    DrawResult lightEnable(uint32_t, bool) override { return kDrawOk; }
    DrawResult setViewport(const DrawViewport&) override { return kDrawOk; }
    DrawResult clear(uint32_t, uint32_t, float, uint32_t) override { return kDrawOk; }
    DrawResult beginScene() override { return kDrawOk; }
    DrawResult endScene() override { return kDrawOk; }
    DrawResult drawPrimitive(uint32_t, uint32_t, const void*, uint32_t, uint32_t) override { return kDrawOk; }
    DrawResult drawIndexedPrimitive(uint32_t, uint32_t, const void*, uint32_t, const uint16_t*, uint32_t,
                                    uint32_t) override
    {
        return kDrawOk;
    }
    int32_t targetWidth() const override { return width_; }
    int32_t targetHeight() const override { return height_; }
    int32_t colourDepth() const override { return 32; }
    int32_t desktopDepth() const override { return 32; }
    std::unique_ptr<TextureSurface> createTextureSurface(const TextureSurfaceRequest&) override
    {
        return nullptr;
    }
    bool fillTexture(TextureSurface&, ImageBuffer&) override { return false; }
    void debugMessage(const char*) override {}

private:
    int32_t width_;
    int32_t height_;
};
