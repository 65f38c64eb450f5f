// Helpers shared by the picture tests: scratch directories, BMP files made to order, pictures
// filled from pixel values, and reading pixels back as 0xRRGGBB.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/image_buffer.h"

// A scratch directory with a lower-case name, removed with its contents afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = base / ("vellarn-image-" + std::to_string(seed()));
            if (std::filesystem::create_directory(path_))
                return;
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The path of a file in the directory, as the program names files (plain bytes).
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string path = file(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            if (!bytes.empty())
                std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

private:
    std::filesystem::path path_;
};

inline void putLe16(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void putLe32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Packs one picture row of raw pixel values (indices for 8 bits or fewer, the 16-bit word,
// 0xRRGGBB, or 0xAARRGGBB) into its bytes, padded to the stride.
inline std::vector<uint8_t> packRow(uint16_t bitsPerPixel, const std::vector<uint32_t>& values)
{
    const int64_t width = static_cast<int64_t>(values.size());
    std::vector<uint8_t> row(static_cast<size_t>(rowStride(bitsPerPixel, width)));
    for (size_t x = 0; x < values.size(); ++x) {
        const uint32_t v = values[x];
        switch (bitsPerPixel) {
        case 1:
            row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
            break;
        case 4:
            row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
            break;
        case 8:
            row[x] = static_cast<uint8_t>(v);
            break;
        case 16:
            putLe16(row, 2 * x, v);
            break;
        case 24:
            row[3 * x] = uint8_t(v);
            row[3 * x + 1] = uint8_t(v >> 8);
            row[3 * x + 2] = uint8_t(v >> 16);
            break;
        case 32:
            putLe32(row, 4 * x, v);
            break;
        }
    }
    return row;
}

// What a BMP file is made of; rows are given top row first, as a person reads the picture.
struct BmpLayout {
    uint16_t bitsPerPixel = 24;
    std::vector<std::vector<uint32_t>> rowsFromTop;  // raw pixel values, see packRow
    std::vector<uint32_t> table;                     // colours 0x00RRGGBB, written after the header
    uint32_t infoSize = 40;                          // bytes of the info header
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    std::vector<uint32_t> masks;  // bit fields written right after the 40-byte header fields
    bool topDown = false;         // rows stored top row first, with a negative height
};

inline std::vector<uint8_t> makeBmp(const BmpLayout& layout)
{
    const int32_t height = static_cast<int32_t>(layout.rowsFromTop.size());
    const int32_t width = height ? static_cast<int32_t>(layout.rowsFromTop[0].size()) : 0;
    // Bit fields that do not fit in the header follow it.
    const size_t maskBytes = layout.masks.size() * 4, headerRoom = layout.infoSize - 40;
    const size_t extra = maskBytes > headerRoom ? maskBytes - headerRoom : 0;
    const size_t offBits = 14 + layout.infoSize + extra + 4 * layout.table.size();
    std::vector<uint8_t> out(offBits);
    out[0] = 'B';
    out[1] = 'M';
    putLe32(out, 10, static_cast<uint32_t>(offBits));
    putLe32(out, 14, layout.infoSize);
    putLe32(out, 18, static_cast<uint32_t>(width));
    putLe32(out, 22, static_cast<uint32_t>(layout.topDown ? -height : height));
    putLe16(out, 26, 1);
    putLe16(out, 28, layout.bitsPerPixel);
    putLe32(out, 30, layout.compression);
    putLe32(out, 46, layout.clrUsed);
    for (size_t i = 0; i < layout.masks.size(); ++i)
        putLe32(out, 54 + 4 * i, layout.masks[i]);
    const size_t tableAt = 14 + layout.infoSize + extra;
    for (size_t i = 0; i < layout.table.size(); ++i)
        putLe32(out, tableAt + 4 * i, layout.table[i]);
    for (int32_t k = 0; k < height; ++k) {
        const int32_t r = layout.topDown ? k : height - 1 - k;
        const auto row = packRow(layout.bitsPerPixel, layout.rowsFromTop[static_cast<size_t>(r)]);
        out.insert(out.end(), row.begin(), row.end());
    }
    putLe32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

// The colour of picture pixel (x, row from the top) of a 24- or 32-bit picture as 0xRRGGBB.
inline uint32_t colorAt(const ImageBuffer& image, int32_t x, int32_t rowFromTop)
{
    const uint8_t* p = image.row(image.height() - 1 - rowFromTop) + x * (image.bitsPerPixel() / 8);
    return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// Fills a picture's memory rows with bytes from a seeded generator (padding included).
inline void fillRandom(ImageBuffer& image, uint32_t seed)
{
    std::mt19937 random(seed);
    for (size_t i = 0; i < image.sizeImage(); ++i)
        image.pixels()[i] = static_cast<uint8_t>(random());
}
