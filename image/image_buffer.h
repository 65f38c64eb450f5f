// ImageBuffer: the one picture type of the program. Pixel memory in the layout that GDI's
// device-independent bitmaps use, addressed directly by the program's own code:
//   - bottom-up: memory row 0 is the bottom row of the picture (picture row r from the top is
//     memory row height - 1 - r);
//   - every row padded to whole 32-bit words: stride = (bitsPerPixel x width + 31) / 32 x 4;
//   - 32-bit pixels are the bytes B, G, R, A; 24-bit ones B, G, R; 16-bit ones 5-5-5; pixels of
//     8 bits or fewer are indices into the colour table;
//   - height x stride bytes in all, the count kept in the header's biSizeImage.
// The memory comes from the installed PixelStorage (a DIB section on Windows, heap memory
// elsewhere). Depth conversion, resizing and the alpha merge are our own code and give the same
// bytes everywhere. The colour-key rectangles are in color_key_rects.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "image/bitmap_header.h"
#include "image/pixel_storage.h"

class ImageBuffer {
public:
    // Largest picture a buffer holds, whatever a file claims: sides up to 32,768 pixels and
    // 256 MiB of pixel memory.
    static constexpr int32_t kMaxSide = 32768;
    static constexpr size_t kMaxPixelBytes = size_t{256} << 20;

    ImageBuffer() = default;
    virtual ~ImageBuffer();
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    // Releases, then makes a zero-filled picture. Null, with the buffer empty, when the sides
    // are not positive, the depth is not one of 1, 4, 8, 16, 24, 32, the picture exceeds the
    // limits above, or the memory can't be had.
    ImageHandle create(int32_t width, int32_t height, uint16_t bitsPerPixel);

    // Frees the pixel memory; the buffer becomes empty (null handle and pixels, zero header and
    // colour table).
    void release();

    // Takes over the source's picture. While size and depth match, the memory stays and only the
    // pixel bytes are copied (the header and colour table are not copied again). False when the
    // copy can't be made (the buffer is then empty) or the source is empty.
    bool copyFrom(const ImageBuffer& source);

    // Exchanges pictures (memory, header, colour table) with other.
    void swapContents(ImageBuffer& other);

    // Loads count colours (entries, or the buffer's own colour table when null) into an indexed
    // picture. False above 8 bits per pixel, for an empty buffer or for more colours than the
    // depth can index.
    bool setColorTable(uint32_t count, const RgbQuad* entries = nullptr);

    // Converts the picture to 24 or 32 bits per pixel (indexed pixels through the colour table,
    // 5-5-5 widened by repeating the top bits, the fourth byte of a 32-bit result 0). Nothing
    // happens at the same depth. False for other targets, an empty buffer or no memory.
    bool convertDepth(uint16_t bitsPerPixel);

    // Reverses the order of the memory rows: a picture stored top-down comes the right way up.
    void flipRows();

    // A 32-bit picture whose every alpha byte is 255 becomes 24 bits: its alpha says nothing,
    // and on a 16-bit desktop a 24-bit picture gets a texture with more colour bits. Other
    // pictures stay as they are. False when the buffer is empty or the conversion fails.
    bool dropOpaqueAlpha();

    // Bilinear resampling of a 24- or 32-bit picture to width x height (bilinear_resampler.h).
    // Returns the handle; at the current size, for an empty buffer, other depths or sides below
    // 1 nothing changes. Null, with the picture unchanged, when the new memory can't be had.
    ImageHandle resize(int32_t width, int32_t height);

    // The same result as copyFrom(source) followed by resize(width, height), without the full-size
    // copy, and keeping this buffer's memory when its size and depth already match: the per-frame
    // path of the floating window. Null when source is empty or not 24/32-bit (when resampling is
    // needed), or the memory can't be had.
    ImageHandle resizeFrom(const ImageBuffer& source, int32_t width, int32_t height);

    // Fills the alpha bytes from a mask of the same size: the mean of B, G, R of each mask pixel
    // (its fourth byte for a 32-bit mask). Converts this picture to 32 bits first. False,
    // changing nothing, on a size mismatch or a mask of fewer than 8 bits per pixel.
    bool setAlphaFromMask(const ImageBuffer& mask);

    // Loading (image_loading.cpp). load: releases, offers the file to the installed decoder,
    // then to the BMP reader when the lower-cased path contains ".bmp", then to the TGA reader
    // (tga_reader.h) when it ends in ".tga", then, for a PNG, JPEG, GIF or TIFF file, to the
    // installed system decoder; the first picture wins. loadBmp: the BMP reader; every BMP ends
    // as 24 bits. loadWithPlugin: the installed decoder alone. Each returns the handle: null
    // (and the buffer empty) when no picture resulted.
    ImageHandle load(const std::string& path);
    ImageHandle loadBmp(const std::string& path);
    ImageHandle loadWithPlugin(const std::string& path);

    // Installs a picture that a decoder plug-in returned: headerBlock holds an info header
    // followed by the colour table, pixelBlock the bottom-up rows. Both come from outside and
    // are checked: header and table must fit headerBlock, the sides must be positive and within
    // the limits, the depth supported, at most 256 colours, pixelBlock at least height x stride
    // bytes (checked before any pixel memory is made). Pictures of fewer than 32 bits end as 24
    // bits. False, with the buffer empty, when anything does not hold.
    bool takeDecodedPicture(std::span<const uint8_t> headerBlock, std::span<const uint8_t> pixelBlock);

    // Moves the picture into memory made by storage (pixels and colours kept). True when the
    // picture is now there or the buffer is empty.
    bool moveToStorage(PixelStorage& storage);

    ImageHandle handle() const { return block_.handle; }
    bool empty() const { return block_.handle == nullptr; }
    int32_t width() const { return header_.info.biWidth; }
    int32_t height() const { return header_.info.biHeight; }
    int32_t stride() const { return stride_; }
    uint16_t bitsPerPixel() const { return header_.info.biBitCount; }
    size_t sizeImage() const { return header_.info.biSizeImage; }
    uint8_t* pixels() { return block_.pixels; }
    const uint8_t* pixels() const { return block_.pixels; }
    // First byte of memory row y (0 is the bottom row); y must lie in 0 .. height - 1.
    uint8_t* row(int32_t y) { return block_.pixels + static_cast<size_t>(y) * static_cast<size_t>(stride_); }
    const uint8_t* row(int32_t y) const
    {
        return block_.pixels + static_cast<size_t>(y) * static_cast<size_t>(stride_);
    }
    const BitmapHeader& header() const { return header_; }
    const RgbQuad* colorTable() const { return header_.colorTable; }
    // The storage that made the current memory; null when empty.
    const PixelStorage* storage() const { return storage_; }

private:
    // Makes memory for the picture that header describes (size, depth, colours) in the current
    // storage and installs it with that header, biSizeImage set. False, buffer unchanged, if the
    // picture is out of bounds or the memory can't be had. The buffer must be empty.
    bool makeMemory(const BitmapHeader& header, PixelStorage& storage);
    bool readBmpFile(const std::string& path);

    PixelBlock block_;                 // handle and pixel memory; empty when there is no picture
    PixelStorage* storage_ = nullptr;  // the storage that made block_
    BitmapHeader header_{};            // description; all zero when empty
    int32_t stride_ = 0;               // bytes per memory row; 0 when empty
};
