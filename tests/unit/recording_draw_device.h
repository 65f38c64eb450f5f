// RecordingDrawDevice: a DrawDevice that draws nothing and writes down every call as a short
// text ("rs 27 1", "tex 0 #2", "draw 4 274 3 0", ...), keeping the matrix or material a call
// carried, so that tests can check the order of device calls and what the state cache saved.
// Texture surfaces are chosen from a list of offered formats by the same rule as on Windows,
// and note their release in the log, which they share with their device.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/image_buffer.h"
#include "math/matrix4.h"
#include "render/draw_device.h"
#include "render/texture_format.h"

struct RecordedCall {
    RecordedCall(std::string description) : text(std::move(description)) {}

    std::string text;
    Matrix4 matrix;             // setTransform
    D3DMaterial7Data material;  // setMaterial
};

using CallLog = std::shared_ptr<std::vector<RecordedCall>>;

// A surface of the fake: its number (1 for the first the device made) and what it was made for.
class FakeTextureSurface : public TextureSurface {
public:
    FakeTextureSurface(CallLog log, int id, TextureSurfaceRequest made)
        : id(id), request(made), log_(std::move(log))
    {}
    ~FakeTextureSurface() override { log_->push_back({"release #" + std::to_string(id)}); }

    int id;
    TextureSurfaceRequest request;
    int32_t filledWidth = 0;  // width of the picture last filled in; 0 until filled

private:
    CallLog log_;
};

// A plain RGB pixel format with the masks of code, alpha pixels flagged when it has alpha bits.
inline DdPixelFormat offeredFormat(uint16_t code, uint32_t bitCount)
{
    const TextureFormat f = TextureFormat::fromCode(code);
    const uint32_t alphaFlag = f.alphaMask != 0 ? kDdpfAlphaPixels : 0;
    return {32, kDdpfRgb | alphaFlag, 0, bitCount, f.redMask, f.greenMask, f.blueMask, f.alphaMask};
}

class RecordingDrawDevice : public DrawDevice {
public:
    CallLog log = std::make_shared<std::vector<RecordedCall>>();
    std::vector<RecordedCall>& calls = *log;  // every call so far, in order
    std::vector<std::string> messages;        // debugMessage texts
    int32_t width = 400;                      // render target, pixels
    int32_t height = 400;
    int32_t deviceDepth = 32;  // colourDepth()
    int32_t screenDepth = 32;  // desktopDepth()
    // Texture formats offered, in this order (those Wine lists).
    std::vector<DdPixelFormat> textureFormats = {offeredFormat(0x5550, 16), offeredFormat(0x5551, 16),
                                                 offeredFormat(0x4444, 16), offeredFormat(0x5650, 16),
                                                 offeredFormat(0x8880, 32), offeredFormat(0x8888, 32)};
    DrawResult setLightResult = kDrawOk;
    int surfacesMade = 0;

    // The texts of the calls, or of those starting with prefix.
    std::vector<std::string> texts(const std::string& prefix = "") const
    {
        std::vector<std::string> out;
        for (const RecordedCall& c : calls)
            if (c.text.compare(0, prefix.size(), prefix) == 0)
                out.push_back(c.text);
        return out;
    }

    DrawResult setTransform(TransformState state, const Matrix4& matrix) override
    {
        note("transform %u", static_cast<uint32_t>(state)).matrix = matrix;
        return kDrawOk;
    }
    DrawResult setRenderState(RenderState state, uint32_t value) override
    {
        note("rs %u %u", static_cast<uint32_t>(state), value);
        return kDrawOk;
    }
    DrawResult setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override
    {
        note("tss %u %u %u", stage, static_cast<uint32_t>(state), value);
        return kDrawOk;
    }
    DrawResult setMaterial(const D3DMaterial7Data& material) override
    {
        note("material").material = material;
        return kDrawOk;
    }
    DrawResult setTexture(uint32_t stage, TextureSurface* surface) override
    {
        if (surface != nullptr)
            note("tex %u #%d", stage, static_cast<FakeTextureSurface*>(surface)->id);
        else
            note("tex %u none", stage);
        return kDrawOk;
    }
    DrawResult setLight(uint32_t index, const D3DLight7Data&) override
    {
        note("light %u", index);
        return setLightResult;
    }
    DrawResult lightEnable(uint32_t index, bool enable) override
    {
        note(enable ? "enable %u on" : "enable %u off", index);
        return kDrawOk;
    }
    DrawResult setViewport(const DrawViewport& v) override
    {
        note("viewport %u %u %u %u %g %g", v.x, v.y, v.width, v.height, double{v.minZ}, double{v.maxZ});
        return kDrawOk;
    }
    DrawResult clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override
    {
        note("clear %u %08x %g %u", flags, colour, double{z}, stencil);
        return kDrawOk;
    }
    DrawResult beginScene() override
    {
        note("begin");
        return kDrawOk;
    }
    DrawResult endScene() override
    {
        note("end");
        return kDrawOk;
    }
    DrawResult drawPrimitive(uint32_t type, uint32_t format, const void*, uint32_t count,
                             uint32_t flags) override
    {
        note("draw %u %u %u %u", type, format, count, flags);
        return kDrawOk;
    }
    DrawResult drawIndexedPrimitive(uint32_t type, uint32_t format, const void*, uint32_t count,
                                    const uint16_t*, uint32_t indexCount, uint32_t flags) override
    {
        note("indexed %u %u %u %u %u", type, format, count, indexCount, flags);
        return kDrawOk;
    }

    int32_t targetWidth() const override { return width; }
    int32_t targetHeight() const override { return height; }
    int32_t colourDepth() const override { return deviceDepth; }
    int32_t desktopDepth() const override { return screenDepth; }

    std::unique_ptr<TextureSurface> createTextureSurface(const TextureSurfaceRequest& request) override
    {
        DdPixelFormat chosen;
        for (const DdPixelFormat& offered : textureFormats)
            if (selectTextureFormat(&offered, request, chosen) == kEnumCancel)
                break;
        if (chosen.size == 0)
            return nullptr;  // the creation of a surface with an all-zero format fails
        note("create #%d", ++surfacesMade);
        return std::make_unique<FakeTextureSurface>(log, surfacesMade, request);
    }
    bool fillTexture(TextureSurface& surface, ImageBuffer& image) override
    {
        static_cast<FakeTextureSurface&>(surface).filledWidth = image.width();
        return true;
    }
    void debugMessage(const char* text) override { messages.emplace_back(text); }

private:
    template <typename... Args>
    RecordedCall& note(const char* format, Args... args)
    {
        char text[96];
        std::snprintf(text, sizeof text, format, args...);
        calls.push_back({text});
        return calls.back();
    }
};
