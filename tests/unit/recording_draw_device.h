// RecordingDrawDevice: a DrawDevice that draws nothing and writes down every call, so that tests
// can check the order of device calls, the values handed over and what the state cache saved.
// Texture surfaces are chosen from a list of offered pixel formats by the same rule as on
// Windows, and note their release in the log too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/image_buffer.h"
#include "render/draw_device.h"
#include "render/matrix4.h"
#include "render/texture_format.h"

// One call as the fake saw it. The fields a call does not use stay at their defaults.
struct RecordedCall {
    RecordedCall(std::string description) : text(std::move(description)) {}

    std::string text;                   // short description, e.g. "rs 27 1", "tex 0 #2", "draw 4 274 3"
    Matrix4 matrix;                     // setTransform
    D3DMaterial7Data material;          // setMaterial
    D3DLight7Data light;                // setLight
    DrawViewport viewport;              // setViewport
    const void* vertices = nullptr;     // drawPrimitive, drawIndexedPrimitive
};

class RecordingDrawDevice;

using CallLog = std::shared_ptr<std::vector<RecordedCall>>;

// A texture surface of the fake: its number (from 1, in creation order) and what it was made
// and filled with. It shares the log of its device, which it may outlive.
class FakeTextureSurface : public TextureSurface {
public:
    FakeTextureSurface(CallLog log, int id, TextureSurfaceRequest made, DdPixelFormat format)
        : id(id), request(made), pixelFormat(format), log_(std::move(log))
    {
    }
    ~FakeTextureSurface() override { log_->push_back({"release #" + std::to_string(id)}); }

    int id;                          // 1 for the first surface the device made
    TextureSurfaceRequest request;   // as asked for
    DdPixelFormat pixelFormat;       // the offered format that was chosen
    int32_t filledWidth = 0;         // size of the picture last filled in; 0 until filled
    int32_t filledHeight = 0;
    uint16_t filledBits = 0;

private:
    CallLog log_;
};

// A plain RGB pixel format with the masks of code, alpha pixels flagged, bitCount bits.
inline DdPixelFormat offeredFormat(uint16_t code, uint32_t bitCount)
{
    const TextureFormat f = TextureFormat::fromCode(code);
    DdPixelFormat p;
    p.size = 32;
    p.flags = kDdpfRgb | (f.alphaMask != 0 ? kDdpfAlphaPixels : 0);
    p.bitCount = bitCount;
    p.mask1 = f.redMask;
    p.mask2 = f.greenMask;
    p.mask3 = f.blueMask;
    p.mask4 = f.alphaMask;
    return p;
}

class RecordingDrawDevice : public DrawDevice {
public:
    CallLog log = std::make_shared<std::vector<RecordedCall>>();
    std::vector<RecordedCall>& calls = *log;  // every call so far, in order
    std::vector<std::string> messages;  // debugMessage texts
    int32_t width = 400;                // render target size, pixels
    int32_t height = 400;
    int32_t deviceDepth = 32;           // colourDepth()
    int32_t screenDepth = 32;           // desktopDepth()
    // Formats the device offers for textures, in this order (the ones Wine lists).
    std::vector<DdPixelFormat> textureFormats = {
        offeredFormat(0x5550, 16), offeredFormat(0x5551, 16), offeredFormat(0x4444, 16),
        offeredFormat(0x5650, 16), offeredFormat(0x8880, 32), offeredFormat(0x8888, 32)};
    DrawResult setLightResult = kDrawOk;
    int surfacesMade = 0;

    // The descriptions of the calls, optionally only those starting with prefix.
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
        RecordedCall c{"transform " + std::to_string(static_cast<uint32_t>(state))};
        c.matrix = matrix;
        calls.push_back(c);
        return kDrawOk;
    }
    DrawResult setRenderState(RenderState state, uint32_t value) override
    {
        return note("rs " + std::to_string(static_cast<uint32_t>(state)) + " " + std::to_string(value));
    }
    DrawResult setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override
    {
        return note("tss " + std::to_string(stage) + " " + std::to_string(static_cast<uint32_t>(state)) + " " +
                    std::to_string(value));
    }
    DrawResult setMaterial(const D3DMaterial7Data& material) override
    {
        RecordedCall c{"material"};
        c.material = material;
        calls.push_back(c);
        return kDrawOk;
    }
    DrawResult setTexture(uint32_t stage, TextureSurface* surface) override
    {
        const auto* fake = static_cast<FakeTextureSurface*>(surface);
        return note("tex " + std::to_string(stage) + " " + (fake ? "#" + std::to_string(fake->id) : "none"));
    }
    DrawResult setLight(uint32_t index, const D3DLight7Data& light) override
    {
        RecordedCall c{"light " + std::to_string(index)};
        c.light = light;
        calls.push_back(c);
        return setLightResult;
    }
    DrawResult lightEnable(uint32_t index, bool enable) override
    {
        return note("enable " + std::to_string(index) + " " + (enable ? "on" : "off"));
    }
    DrawResult setViewport(const DrawViewport& viewport) override
    {
        RecordedCall c{"viewport"};
        c.viewport = viewport;
        calls.push_back(c);
        return kDrawOk;
    }
    DrawResult clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "clear %u %08x %g %u", flags, colour, static_cast<double>(z), stencil);
        return note(text);
    }
    DrawResult beginScene() override { return note("begin"); }
    DrawResult endScene() override { return note("end"); }
    DrawResult drawPrimitive(uint32_t type, uint32_t format, const void* vertices, uint32_t count,
                             uint32_t flags) override
    {
        RecordedCall c{"draw " + std::to_string(type) + " " + std::to_string(format) + " " +
                       std::to_string(count) + " " + std::to_string(flags)};
        c.vertices = vertices;
        calls.push_back(c);
        return kDrawOk;
    }
    DrawResult drawIndexedPrimitive(uint32_t type, uint32_t format, const void* vertices, uint32_t count,
                                    const uint16_t*, uint32_t indexCount, uint32_t flags) override
    {
        RecordedCall c{"indexed " + std::to_string(type) + " " + std::to_string(format) + " " +
                       std::to_string(count) + " " + std::to_string(indexCount) + " " + std::to_string(flags)};
        c.vertices = vertices;
        calls.push_back(c);
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
            return nullptr;  // as CreateSurface fails with an all-zero format
        ++surfacesMade;
        calls.push_back({"create #" + std::to_string(surfacesMade)});
        return std::make_unique<FakeTextureSurface>(log, surfacesMade, request, chosen);
    }
    bool fillTexture(TextureSurface& surface, ImageBuffer& image) override
    {
        auto& fake = static_cast<FakeTextureSurface&>(surface);
        fake.filledWidth = image.width();
        fake.filledHeight = image.height();
        fake.filledBits = image.bitsPerPixel();
        calls.push_back({"fill #" + std::to_string(fake.id)});
        return true;
    }
    void debugMessage(const char* text) override { messages.emplace_back(text); }

private:
    DrawResult note(const std::string& text)
    {
        calls.push_back({text});
        return kDrawOk;
    }
};
