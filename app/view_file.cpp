// Encoding, decoding, reading and writing of the view file, and its values to and from the scene.
#include "app/view_file.h"

#include <charconv>
#include <string_view>
#include <type_traits>
#include <variant>

#include "app/controls.h"
#include "base/files.h"

namespace {

// The member a key sets; its type says how the value is written and read.
using Field = std::variant<std::optional<float> ViewState::*, std::optional<int32_t> ViewState::*,
                           std::optional<ScreenPoint> ViewState::*, std::optional<uint32_t> ViewState::*,
                           std::optional<bool> ViewState::*>;

struct Key {
    const char* name;
    Field field;
    float low = 0.0f;  // the range of a float or a size; other kinds have their own
    float high = 0.0f;
};

// In the order the file lists them.
const Key kKeys[] = {
    {"windowPosition", &ViewState::windowPosition},
    {"renderWidth", &ViewState::renderWidth, kMinRenderSize, kMaxRenderSize},
    {"renderHeight", &ViewState::renderHeight, kMinRenderSize, kMaxRenderSize},
    {"turnX", &ViewState::turnX, -kHalfPi, kHalfPi},
    {"turnY", &ViewState::turnY, -kHalfPi, kHalfPi},
    {"tilt", &ViewState::tilt, -kPi, kPi},
    {"leftTemple", &ViewState::leftTemple, 0.0f, 1.0f},
    {"rightTemple", &ViewState::rightTemple, 0.0f, 1.0f},
    {"lightPadX", &ViewState::lightPadX, -1.0f, 1.0f},
    {"lightPadY", &ViewState::lightPadY, -1.0f, 1.0f},
    {"lensColour", &ViewState::lensColour},
    {"lensAlphaOffset", &ViewState::lensAlphaOffset, -1.0f, 1.0f},
    {"controlDialogShown", &ViewState::controlDialogShown},
    {"controlDialogPosition", &ViewState::controlDialogPosition},
};

// A key of another program's line: a word of ASCII letters, digits and "_.-". A line with any
// other key is not kept, so that what is kept reads back as the same line.
bool isOtherKey(std::string_view name)
{
    for (const char c : name) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '_' || c == '.' || c == '-';
        if (!word)
            return false;
    }
    return true;
}

const Key* findKey(std::string_view name)
{
    for (const Key& key : kKeys)
        if (name == key.name)
            return &key;
    return nullptr;
}

std::string_view trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The whole text as a number, or false.
template <typename Number>
bool parseNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// Exactly values.size() integers in [low, high], separated by commas.
bool parseIntegers(std::string_view text, std::span<int32_t> values, int32_t low, int32_t high)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t comma = i + 1 < values.size() ? text.find(',') : text.size();
        if (comma == std::string_view::npos)
            return false;
        int64_t v = 0;
        if (!parseNumber(trim(text.substr(0, comma)), v) || v < low || v > high)
            return false;
        values[i] = static_cast<int32_t>(v);
        text.remove_prefix(comma == text.size() ? comma : comma + 1);
    }
    return true;
}

// Reads one value of the key's kind into view; a value that does not pass leaves it alone.
void readValue(const Key& key, std::string_view text, ViewState& view)
{
    struct Reader {
        const Key& key;
        std::string_view text;
        ViewState& view;

        void operator()(std::optional<float> ViewState::*field) const
        {
            float v = 0.0f;
            // The range test is also false for NaN.
            if (parseNumber(text, v) && v >= key.low && v <= key.high)
                view.*field = v;
        }
        void operator()(std::optional<int32_t> ViewState::*field) const
        {
            int32_t v = 0;
            if (parseIntegers(text, std::span(&v, 1), static_cast<int32_t>(key.low),
                              static_cast<int32_t>(key.high)))
                view.*field = v;
        }
        void operator()(std::optional<ScreenPoint> ViewState::*field) const
        {
            int32_t v[2] = {};
            if (parseIntegers(text, v, kMinScreenCoordinate, kMaxScreenCoordinate))
                view.*field = ScreenPoint{v[0], v[1]};
        }
        void operator()(std::optional<uint32_t> ViewState::*field) const
        {
            int32_t rgb[3] = {};
            if (parseIntegers(text, rgb, 0, 255))
                view.*field = static_cast<uint32_t>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
        }
        void operator()(std::optional<bool> ViewState::*field) const
        {
            if (text == "0" || text == "1")
                view.*field = text == "1";
        }
    };
    std::visit(Reader{key, text, view}, key.field);
}

template <typename Number>
void appendNumber(std::string& out, Number value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// Appends "key=value" and a line end when the view holds the key's value.
void appendValue(const Key& key, const ViewState& view, std::string& out)
{
    auto line = [&](auto&& writeValue) {
        out += key.name;
        out += '=';
        writeValue();
        out += "\r\n";
    };
    auto writer = [&](auto field) {
        const auto& value = view.*field;
        if (!value)
            return;
        using Value = std::decay_t<decltype(*value)>;
        line([&] {
            if constexpr (std::is_same_v<Value, ScreenPoint>) {
                appendNumber(out, value->x);
                out += ',';
                appendNumber(out, value->y);
            } else if constexpr (std::is_same_v<Value, uint32_t>) {
                appendNumber(out, *value & 0xFF);
                out += ',';
                appendNumber(out, (*value >> 8) & 0xFF);
                out += ',';
                appendNumber(out, (*value >> 16) & 0xFF);
            } else if constexpr (std::is_same_v<Value, bool>) {
                out += *value ? '1' : '0';
            } else {
                appendNumber(out, *value);
            }
        });
    };
    std::visit(writer, key.field);
}

void readLine(std::string_view line, ViewFile& file)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // Lines without a key (blank ones, say) carry nothing and are not kept.
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view name = trim(line.substr(0, equals));
    if (const Key* key = findKey(name))
        readValue(*key, trim(line.substr(equals + 1)), file.view);
    else if (!name.empty() && isOtherKey(name))
        file.otherLines.emplace_back(line);
}

// The colour chooser's byte for a 0..1 channel, rounded: a colour the chooser gave comes back
// as the same byte.
uint32_t colourByte(float v)
{
    const float scaled = v * 255.0f + 0.5f;
    if (!(scaled > 0.0f))
        return 0;
    return scaled >= 255.0f ? 255u : static_cast<uint32_t>(scaled);
}

}  // namespace

std::string encodeView(const ViewFile& file)
{
    std::string text;
    for (const Key& key : kKeys)
        appendValue(key, file.view, text);
    for (const std::string& line : file.otherLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

ViewFile decodeView(std::span<const uint8_t> bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // The byte order mark that some editors put before UTF-8 text.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    ViewFile file;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        readLine(text.substr(0, end), file);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return file;
}

ViewFile readViewFile(const std::string& fileName)
{
    const FileHandle file = openFile(fileName, "rb");
    std::string bytes;
    if (!file || !readWholeFile(file.get(), kMaxViewFileBytes, bytes))
        return {};
    return decodeView(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool writeViewFile(const std::string& fileName, const ViewFile& file)
{
    const std::string text = encodeView(file);
    return writeFileAtomically(fileName,
                               std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void viewOfScene(const SceneParameters& scene, ViewState& view)
{
    view.turnX = clampTo(scene.turnX, -kHalfPi, kHalfPi);
    view.turnY = clampTo(scene.turnY, -kHalfPi, kHalfPi);
    view.tilt = clampTo(scene.tilt, -kPi, kPi);
    view.leftTemple = leftTemple(scene);
    view.rightTemple = rightTemple(scene);
    view.lightPadX = clampTo(scene.lightPadX, -1.0f, 1.0f);
    view.lightPadY = clampTo(scene.lightPadY, -1.0f, 1.0f);
    const LensColourRecord& lens = scene.lens;
    view.lensColour = colourByte(lens.r) | (colourByte(lens.g) << 8) | (colourByte(lens.b) << 16);
    view.lensAlphaOffset = clampTo(lens.alphaOffset, -1.0f, 1.0f);
}

void restoreScene(const ViewState& view, SceneParameters& scene)
{
    scene.turnX = view.turnX.value_or(scene.turnX);
    scene.turnY = view.turnY.value_or(scene.turnY);
    scene.tilt = view.tilt.value_or(scene.tilt);
    if (view.leftTemple || view.rightTemple) {
        const float left = view.leftTemple.value_or(leftTemple(scene));
        const float right = view.rightTemple.value_or(rightTemple(scene));
        scene.templeDiff = (left - right) * 0.5f;
        scene.templeMean = (left + right) * 0.5f;
    }
    scene.lightPadX = view.lightPadX.value_or(scene.lightPadX);
    scene.lightPadY = view.lightPadY.value_or(scene.lightPadY);
    if (view.lensColour)
        lensFromChooserColour(*view.lensColour, scene.lens);
    scene.lens.alphaOffset = view.lensAlphaOffset.value_or(scene.lens.alphaOffset);
}

void fillUnset(ViewState& now, const ViewState& before)
{
    for (const Key& key : kKeys) {
        std::visit(
            [&](auto field) {
                if (!(now.*field))
                    now.*field = before.*field;
            },
            key.field);
    }
}
