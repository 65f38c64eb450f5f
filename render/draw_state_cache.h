// DrawStateCache: the five device states that frame drawing changes most - the texture of
// stage 0, alpha blending on or off, the two blend factors and lighting - remembered for the
// length of one picture, so that a frame calls the device only for a value that differs from
// the one in force. The cache is made at the start of each picture and valid only within it.
#pragma once

#include <cstdint>

#include "model/d3d_material7_data.h"
#include "render/draw_device.h"

class DrawStateCache {
public:
    explicit DrawStateCache(DrawDevice& device) : device_(device) {}

    DrawDevice& device() const { return device_; }

    // Puts the device and the cache into the state every picture starts from: no texture, no
    // blending with source-alpha factors, the given material (none when null), no lighting,
    // depth test, depth writes and depth visibility on.
    void begin(const D3DMaterial7Data* material);

    // Each changes the device only when value differs from the cached one.
    void setTexture(TextureSurface* surface);
    void setAlphaBlend(uint32_t value);
    void setSrcBlend(uint32_t value);
    void setDestBlend(uint32_t value);
    void setLighting(uint32_t value);

private:
    void setCached(RenderState state, uint32_t& cached, uint32_t value);

    DrawDevice& device_;
    TextureSurface* texture_ = nullptr;       // stage 0; null: none
    uint32_t alphaBlend_ = 0;                 // D3DRENDERSTATE_ALPHABLENDENABLE
    uint32_t srcBlend_ = kBlendSrcAlpha;      // D3DRENDERSTATE_SRCBLEND
    uint32_t destBlend_ = kBlendInvSrcAlpha;  // D3DRENDERSTATE_DESTBLEND
    uint32_t lighting_ = 0;                   // D3DRENDERSTATE_LIGHTING
};
