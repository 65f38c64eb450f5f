// The per-picture state cache of frame drawing.
#include "render/draw_state_cache.h"

void DrawStateCache::begin(const D3DMaterial7Data* material)
{
    texture_ = nullptr;
    device_.setTexture(0, nullptr);
    alphaBlend_ = 0;
    device_.setRenderState(RenderState::AlphaBlendEnable, 0);
    srcBlend_ = kBlendSrcAlpha;
    device_.setRenderState(RenderState::SrcBlend, kBlendSrcAlpha);
    destBlend_ = kBlendInvSrcAlpha;
    device_.setRenderState(RenderState::DestBlend, kBlendInvSrcAlpha);
    if (material != nullptr)
        device_.setMaterial(*material);
    lighting_ = 0;
    device_.setRenderState(RenderState::Lighting, 0);
    device_.setRenderState(RenderState::ZEnable, 1);
    device_.setRenderState(RenderState::ZWriteEnable, 1);
    device_.setRenderState(RenderState::ZVisible, 1);
}

void DrawStateCache::setTexture(TextureSurface* surface)
{
    if (surface == texture_)
        return;
    texture_ = surface;
    device_.setTexture(0, surface);
}

void DrawStateCache::setAlphaBlend(uint32_t value)
{
    setCached(RenderState::AlphaBlendEnable, alphaBlend_, value);
}

void DrawStateCache::setSrcBlend(uint32_t value)
{
    setCached(RenderState::SrcBlend, srcBlend_, value);
}

void DrawStateCache::setDestBlend(uint32_t value)
{
    setCached(RenderState::DestBlend, destBlend_, value);
}

void DrawStateCache::setLighting(uint32_t value)
{
    setCached(RenderState::Lighting, lighting_, value);
}

void DrawStateCache::setCached(RenderState state, uint32_t& cached, uint32_t value)
{
    if (value == cached)
        return;
    cached = value;
    device_.setRenderState(state, value);
}
