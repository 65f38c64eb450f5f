// The fuzz targets: models through the model cache, BMP and TGA files and plug-in pictures through
// the texture path, settings and view file bytes through their decoders, lines through ScanFormat.
#include "tests/fuzz/fuzz_targets.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "app/glasses_scene.h"
#include "app/settings_file.h"
#include "app/view_file.h"
#include "image/picture_decoder.h"
#include "model/model_cache.h"
#include "model/model_text.h"
#include "model/mqo_lines.h"
#include "model/scan_format.h"
#include "model/texture_source.h"
#include "render/texture.h"

namespace {

// Stands in for the texture cache: every material that names a texture gets the same empty
// texture, so that mesh building asks its question of a real Texture without reading files
// whose names came from the input.
class StandInTextures final : public TextureSource {
public:
    StandInTextures() : previous_(&textureSource()) { setTextureSource(this); }
    ~StandInTextures() override { setTextureSource(previous_); }
    StandInTextures(const StandInTextures&) = delete;
    StandInTextures& operator=(const StandInTextures&) = delete;

    Texture* findOrLoadTexture(const std::string&, const std::string*) override { return &texture_; }

private:
    TextureSource* previous_;
    Texture texture_;
};

// Every triangle list of the tree holds whole triangles in an array that is there.
bool meshesAreWhole(const Frame& frame, int64_t& triangles)
{
    if (frame.vertexCount < 0)
        return false;
    if (frame.vertexCount > 0) {
        if (frame.vertices == nullptr || frame.primitiveType != Frame::kTriangleList ||
            frame.vertexCount % 3 != 0)
            return false;
        triangles += frame.vertexCount / 3;
    }
    for (const Frame* child = frame.firstChild; child != nullptr; child = child->next) {
        if (child->parent != &frame || !meshesAreWhole(*child, triangles))
            return false;
    }
    return true;
}

// What the glasses scene does with a model it receives: finds its parts by name, sorts it.
void useLikeTheScene(Frame& model)
{
    std::vector<Frame*> parts;
    model.findByName(GlassesScene::kLensName, parts);
    model.findByName(GlassesScene::kLeftMaskName, parts);
    model.findByName(GlassesScene::kRightMaskName, parts);
    model.scaleByVector(Vector3(1.0f, 1.0f, 1.5f));
    model.sortTree();
}

// The picture decoder that a plug-in would be: hands the host's intake the blocks it holds.
class FakeDecoder final : public PictureDecoder {
public:
    explicit FakeDecoder(const PluginResult& result) : result_(result), previous_(installPictureDecoder(this))
    {}
    ~FakeDecoder() override { installPictureDecoder(previous_); }
    FakeDecoder(const FakeDecoder&) = delete;
    FakeDecoder& operator=(const FakeDecoder&) = delete;

    bool decodePicture(const std::string&, ImageBuffer& image) override
    {
        return image.takeDecodedPicture(result_.headerBlock, result_.pixelBlock);
    }

private:
    PluginResult result_;
    PictureDecoder* previous_;
};

// What a texture's picture came to: none; one whose power-of-two copy could not be made (too
// large), which the texture refuses; or a 24- or 32-bit picture with power-of-two sides of at
// least 4 and memory for all its rows.
TargetResult texturePictureResult(const Texture& texture)
{
    if (texture.empty())
        return TargetResult::refused;
    const auto powerOfTwo = [](int32_t n) { return n >= 4 && (n & (n - 1)) == 0; };
    if (!powerOfTwo(texture.width()) || !powerOfTwo(texture.height()))
        return TargetResult::refused;
    const size_t bytes = static_cast<size_t>(texture.stride()) * static_cast<size_t>(texture.height());
    const bool deep = texture.bitsPerPixel() == 24 || texture.bitsPerPixel() == 32;
    const bool whole = deep && texture.sizeImage() == bytes;
    return whole ? TargetResult::loaded : TargetResult::broken;
}

std::string_view asText(std::span<const uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The number readers step over exactly what they read and never past the text.
bool numbersReadInBounds(std::string_view text)
{
    for (std::size_t start = 0; start < text.size() && start < 64; ++start) {
        std::size_t a = start, b = start;
        scanInt(text, a);
        const double value = scanDouble(text, b);
        if (a > text.size() || b > text.size() || std::isnan(value))
            return false;
    }
    return true;
}

// One of the formats the readers use, or one that reaches the other conversions; the number of
// conversions counted can never exceed the number in the format.
bool scanWithFormat(uint8_t choice, std::string_view line)
{
    std::string s1, s2, s3;
    float f[9] = {};
    int32_t d1 = 0, d2 = 0;
    uint32_t x1 = 0, x2 = 0;
    int32_t unknown = 0;
    switch (choice % 12) {
    case 0:
        return ScanFormat(line, "Material %d {", &d1) <= 1;
    case 1:
        return ScanFormat(line, "Object \"%s\" {", &s1) <= 1;
    case 2:
        return ScanFormat(line, "Vector %d [%d]", &d1, &d2) <= 2;
    case 3:
        return ScanFormat(line, "%f %f %f", &f[0], &f[1], &f[2]) <= 3;
    case 4:
        return ScanFormat(line, "Material %s {", &s1) <= 1;
    case 5:
        return ScanFormat(line, "%f;%f;%f;%f;;", &f[0], &f[1], &f[2], &f[3]) <= 4;
    case 6:
        return ScanFormat(line, "\"%s\"", &s1) <= 1;
    case 7:
        return ScanFormat(line, "{%s}", &s1) <= 1;
    case 8:
        return ScanFormat(line, "%f;%f;", &f[0], &f[1]) <= 2;
    case 9:
        return ScanFormat(line, "%x %X%S", &x1, &x2, &s1) <= 3;
    case 10:
        return ScanFormat(line, "%q%d%s", static_cast<void*>(&unknown), &d1, &s2) <= 3;
    default:
        return ScanFormat(line,
                          "\"%s\" col(%f %f %f %f) dif(%f) amb(%f) emi(%f) spc(%f) power(%f) tex(\"%s\")%",
                          &s1, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &s3) <= 11;
    }
}

// Content lines hold something, start with no white space, hold no line feed and keep the
// length cap; raw reads never take more than remains; the reader always moves on.
bool linesReadInBounds(std::string_view text)
{
    MqoLines lines{std::string(text)};
    std::string_view line;
    char bytes[8];
    for (int k = 0; lines.remaining() > 0; ++k) {
        const std::size_t before = lines.remaining();
        if (k % 3 == 2) {
            const std::size_t asked = static_cast<std::size_t>(text[text.size() - before]) & 7u;
            if (lines.readBytes(bytes, asked) != std::min(asked, before))
                return false;
            if (asked == 0)
                continue;
        } else if (!lines.readContentLine(line)) {
            return lines.remaining() == 0;
        } else if (isTextWhiteSpace(line.front()) || line.find('\n') != std::string_view::npos ||
                   line.size() > kMaxLineBytes) {
            return false;
        }
        if (lines.remaining() >= before)
            return false;
    }
    return true;
}

}  // namespace

const char* targetResultName(TargetResult result)
{
    switch (result) {
    case TargetResult::refused:
        return "refused";
    case TargetResult::loaded:
        return "loaded";
    case TargetResult::broken:
        return "broken";
    }
    return "?";
}

TargetResult modelTarget(const std::string& fileName)
{
    StandInTextures textures;
    const Vector3 scale(GlassesScene::kModelScale, GlassesScene::kModelScale, GlassesScene::kModelScale);
    ModelCache cache;
    Frame model;
    const ModelEntry* entry = cache.load(model, fileName, scale);
    if (entry == nullptr)
        return TargetResult::refused;
    int64_t templateTriangles = 0, copyTriangles = 0, againTriangles = 0;
    Frame again;
    const bool whole = entry->root && meshesAreWhole(*entry->root, templateTriangles) &&
                       meshesAreWhole(model, copyTriangles) && cache.load(again, fileName, scale) == entry &&
                       meshesAreWhole(again, againTriangles);
    if (!whole || copyTriangles != templateTriangles || againTriangles != templateTriangles)
        return TargetResult::broken;
    useLikeTheScene(model);
    return TargetResult::loaded;
}

TargetResult pictureFileTarget(const std::string& fileName)
{
    Texture texture;
    texture.loadTexture(nullptr, fileName, nullptr);  // false without a device, picture kept
    return texturePictureResult(texture);
}

TargetResult settingsTarget(std::span<const uint8_t> bytes)
{
    const std::optional<std::string> name = decodeSettings(bytes);
    if (!name)
        return TargetResult::refused;
    return decodeSettings(encodeSettings(*name)) == name ? TargetResult::loaded : TargetResult::broken;
}

TargetResult viewTarget(std::span<const uint8_t> bytes)
{
    const ViewFile file = decodeView(bytes);
    const std::string text = encodeView(file);
    const ViewFile again = decodeView(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (again.view != file.view || again.otherLines != file.otherLines)
        return TargetResult::broken;
    SceneParameters scene;
    restoreScene(file.view, scene);
    for (float v : {scene.turnX, scene.turnY, scene.tilt, scene.templeDiff, scene.templeMean, scene.lightPadX,
                    scene.lightPadY, scene.lens.r, scene.lens.g, scene.lens.b, scene.lens.alphaOffset})
        if (!std::isfinite(v))
            return TargetResult::broken;
    return file.view == ViewState{} && file.otherLines.empty() ? TargetResult::refused : TargetResult::loaded;
}

PluginResult splitPluginResult(std::span<const uint8_t> bytes)
{
    PluginResult result;
    if (bytes.size() < 3)
        return result;
    result.ownAlphaPlane = (bytes[0] & 1) != 0;
    const std::size_t declared = bytes[1] | (std::size_t{bytes[2]} << 8);
    const std::span<const uint8_t> rest = bytes.subspan(3);
    const std::size_t headerBytes = declared < rest.size() ? declared : rest.size();
    result.headerBlock = rest.first(headerBytes);
    result.pixelBlock = rest.subspan(headerBytes);
    return result;
}

TargetResult pluginResultTarget(std::span<const uint8_t> bytes)
{
    const PluginResult result = splitPluginResult(bytes);
    const FakeDecoder decoder(result);
    const std::string path = "picture.pic";  // no ".bmp": only the decoder is asked
    Texture texture;
    texture.loadTexture(nullptr, path, result.ownAlphaPlane ? &path : nullptr);
    return texturePictureResult(texture);
}

TargetResult scanFormatTarget(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return TargetResult::refused;
    const std::string_view line = asText(bytes.subspan(1));
    const bool sound = scanWithFormat(bytes[0], line) && numbersReadInBounds(line) && linesReadInBounds(line);
    return sound ? TargetResult::loaded : TargetResult::broken;
}
