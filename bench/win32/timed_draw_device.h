// TimedDrawDevice: a pass-through DrawDevice between the World and the real device that, while
// timing is on, measures how long the device's calls take and how long each picture takes
// from its clear to its end of scene. The difference is the World's own work in drawing the
// frame tree (transforms, the state cache, the tree walk), apart from the device's drawing.
#pragma once

#include <chrono>
#include <memory>

#include "render/draw_device.h"

class TimedDrawDevice : public DrawDevice {
public:
    using Clock = std::chrono::steady_clock;

    void wrap(DrawDevice* inner) { inner_ = inner; }
    void reset()
    {
        pictures_ = Clock::duration::zero();
        insidePictures_ = Clock::duration::zero();
    }
    // Seconds of the pictures drawn while timing that were not spent inside device calls.
    double ownSeconds() const { return std::chrono::duration<double>(pictures_ - insidePictures_).count(); }

    bool timing = false;

    DrawResult setTransform(TransformState s, const Matrix4& m) override
    {
        return timed([&] { return inner_->setTransform(s, m); });
    }
    DrawResult setRenderState(RenderState s, uint32_t v) override
    {
        return timed([&] { return inner_->setRenderState(s, v); });
    }
    DrawResult setTextureStageState(uint32_t stage, TextureStageState s, uint32_t v) override
    {
        return timed([&] { return inner_->setTextureStageState(stage, s, v); });
    }
    DrawResult setMaterial(const D3DMaterial7Data& m) override
    {
        return timed([&] { return inner_->setMaterial(m); });
    }
    DrawResult setTexture(uint32_t stage, TextureSurface* s) override
    {
        return timed([&] { return inner_->setTexture(stage, s); });
    }
    DrawResult setLight(uint32_t index, const D3DLight7Data& l) override
    {
        return timed([&] { return inner_->setLight(index, l); });
    }
    DrawResult lightEnable(uint32_t index, bool on) override
    {
        return timed([&] { return inner_->lightEnable(index, on); });
    }
    DrawResult setViewport(const DrawViewport& v) override
    {
        return timed([&] { return inner_->setViewport(v); });
    }
    // A picture begins with its clear.
    DrawResult clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override
    {
        if (timing) {
            pictureStart_ = Clock::now();
            inPicture_ = true;
        }
        return timed([&] { return inner_->clear(flags, colour, z, stencil); });
    }
    DrawResult beginScene() override
    {
        return timed([&] { return inner_->beginScene(); });
    }
    // ... and ends with its end of scene.
    DrawResult endScene() override
    {
        const DrawResult result = timed([&] { return inner_->endScene(); });
        if (timing && inPicture_)
            pictures_ += Clock::now() - pictureStart_;
        inPicture_ = false;
        return result;
    }
    DrawResult drawPrimitive(uint32_t type, uint32_t format, const void* vertices, uint32_t count,
                             uint32_t flags) override
    {
        return timed([&] { return inner_->drawPrimitive(type, format, vertices, count, flags); });
    }
    DrawResult drawIndexedPrimitive(uint32_t type, uint32_t format, const void* vertices, uint32_t count,
                                    const uint16_t* indices, uint32_t indexCount, uint32_t flags) override
    {
        return timed([&] {
            return inner_->drawIndexedPrimitive(type, format, vertices, count, indices, indexCount, flags);
        });
    }
    int32_t targetWidth() const override { return inner_->targetWidth(); }
    int32_t targetHeight() const override { return inner_->targetHeight(); }
    int32_t colourDepth() const override { return inner_->colourDepth(); }
    int32_t desktopDepth() const override { return inner_->desktopDepth(); }
    std::unique_ptr<TextureSurface> createTextureSurface(const TextureSurfaceRequest& request) override
    {
        return inner_->createTextureSurface(request);
    }
    bool fillTexture(TextureSurface& surface, ImageBuffer& image) override
    {
        return inner_->fillTexture(surface, image);
    }
    void debugMessage(const char* text) override { inner_->debugMessage(text); }

private:
    template <typename Call>
    DrawResult timed(Call call)
    {
        if (!timing || !inPicture_)
            return call();
        const Clock::time_point start = Clock::now();
        const DrawResult result = call();
        insidePictures_ += Clock::now() - start;
        return result;
    }

    DrawDevice* inner_ = nullptr;
    bool inPicture_ = false;
    Clock::time_point pictureStart_;
    Clock::duration pictures_{};        // from each picture's clear to its end of scene
    Clock::duration insidePictures_{};  // inside device calls during those pictures
};
