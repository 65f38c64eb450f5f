// Encoding, decoding, reading and writing of the settings file.
#include "app/settings_file.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/files.h"

namespace {

constexpr uint8_t kMagic[4] = {0x00, 0x00, 0x00, 0x01};  // uint32 0x01000000, little-endian
constexpr uint16_t kWideMarker = 0xFFFE;                 // after 0xFF: a UTF-16 name follows

void appendLength(std::vector<uint8_t>& out, uint64_t n)
{
    if (n < 0xFF) {
        out.push_back(static_cast<uint8_t>(n));
        return;
    }
    out.push_back(0xFF);
    if (n < 0xFFFE) {
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(static_cast<uint8_t>(n >> 8));
        return;
    }
    out.push_back(0xFF);
    out.push_back(0xFF);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(n >> shift));
}

// A bounds-checked cursor over the file's bytes.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool u8(uint32_t& v)
    {
        if (pos_ >= bytes_.size())
            return false;
        v = bytes_[pos_++];
        return true;
    }

    bool u16(uint32_t& v)
    {
        if (2 > bytes_.size() - pos_)
            return false;
        v = bytes_[pos_] | (uint32_t{bytes_[pos_ + 1]} << 8);
        pos_ += 2;
        return true;
    }

    bool u32(uint32_t& v)
    {
        if (4 > bytes_.size() - pos_)
            return false;
        v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | bytes_[pos_ + i];
        pos_ += 4;
        return true;
    }

    // The next n bytes, or an empty span and false when fewer remain.
    bool take(uint64_t n, std::span<const uint8_t>& out)
    {
        if (n > bytes_.size() - pos_)
            return false;
        out = bytes_.subspan(pos_, static_cast<std::size_t>(n));
        pos_ += static_cast<std::size_t>(n);
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// Reads a length prefix; wide is set when the 0xFF 0xFFFE marker announces a UTF-16 name.
bool readLength(Reader& in, uint32_t& n, bool* wide)
{
    if (!in.u8(n))
        return false;
    if (n < 0xFF)
        return true;
    if (!in.u16(n))
        return false;
    if (wide && n == kWideMarker) {
        *wide = true;
        return readLength(in, n, nullptr);
    }
    if (n < 0xFFFF)
        return true;
    return in.u32(n);
}

}  // namespace

std::vector<uint8_t> encodeSettings(const std::string& modelName)
{
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    appendLength(out, modelName.size());
    out.insert(out.end(), modelName.begin(), modelName.end());
    return out;
}

std::optional<std::string> decodeSettings(std::span<const uint8_t> bytes)
{
    Reader in(bytes);
    std::span<const uint8_t> magic;
    if (!in.take(4, magic) || !std::equal(magic.begin(), magic.end(), kMagic))
        return std::nullopt;

    bool wide = false;
    uint32_t n = 0;
    if (!readLength(in, n, &wide))
        return std::nullopt;
    std::span<const uint8_t> text;
    if (!in.take(wide ? uint64_t{n} * 2 : n, text))
        return std::nullopt;
    if (!wide)
        return std::string(text.begin(), text.end());

    std::u16string utf16(n, u'\0');
    for (uint32_t i = 0; i < n; ++i)
        utf16[i] = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
    return utf16ToCp932(utf16);
}

std::optional<std::string> readSettingsFile(const std::string& fileName)
{
    const FileHandle file = openFile(fileName, "rb");
    if (!file)
        return std::nullopt;
    const std::string bytes = readFileStart(file.get(), kMaxSettingsFileBytes);
    return decodeSettings(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool writeSettingsFile(const std::string& fileName, const std::string& modelName)
{
    return writeFileAtomically(fileName, encodeSettings(modelName));
}
