// ImageBuffer: making, copying and swapping pictures, colour tables, depth conversion, resizing
// and the alpha merge. Loading is in image_loading.cpp; the resampling arithmetic in
// bilinear_resampler.cpp.
#include "image/image_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/bilinear_resampler.h"

namespace {

// Bytes of pixel memory for a picture, or 0 when it is not one this program holds.
size_t pictureBytes(int64_t width, int64_t height, uint32_t bitsPerPixel)
{
    if (width <= 0 || height <= 0 || width > ImageBuffer::kMaxSide || height > ImageBuffer::kMaxSide)
        return 0;
    if (!isSupportedDepth(bitsPerPixel))
        return 0;
    const int64_t bytes = height * rowStride(bitsPerPixel, width);  // at most 2^15 x 2^17
    if (static_cast<uint64_t>(bytes) > ImageBuffer::kMaxPixelBytes)
        return 0;
    return static_cast<size_t>(bytes);
}

// 5-bit channel to 8 bits, repeating the top bits so that 31 becomes 255.
inline uint8_t widen5(uint32_t v)
{
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// Writes B, G, R of each of width pixels of one source row, step bytes apart from dst.
void expandRow(const uint8_t* src, int32_t width, uint16_t bitsPerPixel, const RgbQuad* table, uint8_t* dst,
               int step)
{
    const auto putIndex = [&](int32_t x, uint32_t index) {
        const RgbQuad& q = table[index];
        uint8_t* out = dst + static_cast<size_t>(x) * step;
        out[0] = q.rgbBlue;
        out[1] = q.rgbGreen;
        out[2] = q.rgbRed;
    };
    switch (bitsPerPixel) {
    case 1:
        for (int32_t x = 0; x < width; ++x)
            putIndex(x, (src[x >> 3] >> (7 - (x & 7))) & 1u);
        break;
    case 4:
        for (int32_t x = 0; x < width; ++x)
            putIndex(x, (x & 1) ? (src[x >> 1] & 0x0Fu) : (src[x >> 1] >> 4));
        break;
    case 8:
        for (int32_t x = 0; x < width; ++x)
            putIndex(x, src[x]);
        break;
    case 16:
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = src[2 * x] | (static_cast<uint32_t>(src[2 * x + 1]) << 8);
            uint8_t* out = dst + static_cast<size_t>(x) * step;
            out[0] = widen5(v & 0x1Fu);
            out[1] = widen5((v >> 5) & 0x1Fu);
            out[2] = widen5((v >> 10) & 0x1Fu);
        }
        break;
    default: {  // 24 or 32
        const int srcStep = bitsPerPixel / 8;
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(dst + static_cast<size_t>(x) * step, src + static_cast<size_t>(x) * srcStep, 3);
        break;
    }
    }
}

SourceRows sourceRows(const ImageBuffer& image)
{
    return SourceRows{image.pixels(), image.width(), image.height(), image.stride()};
}

TargetRows targetRows(ImageBuffer& image)
{
    return TargetRows{image.pixels(), image.width(), image.height(), image.stride()};
}

bool resampleInto(const ImageBuffer& source, ImageBuffer& target)
{
    if (source.bitsPerPixel() == 24)
        return resample24(sourceRows(source), targetRows(target));
    return resample32(sourceRows(source), targetRows(target));
}

bool isResizableDepth(uint16_t bitsPerPixel)
{
    return bitsPerPixel == 24 || bitsPerPixel == 32;
}

}  // namespace

ImageBuffer::~ImageBuffer()
{
    release();
}

bool ImageBuffer::makeMemory(const BitmapHeader& header, PixelStorage& storage)
{
    const BitmapInfoHeader& info = header.info;
    const size_t bytes = pictureBytes(info.biWidth, info.biHeight, info.biBitCount);
    if (bytes == 0)
        return false;
    const PixelBlock block = storage.allocate(header, bytes);
    if (!block.handle || !block.pixels)
        return false;
    block_ = block;
    storage_ = &storage;
    header_ = header;
    stride_ = static_cast<int32_t>(rowStride(info.biBitCount, info.biWidth));
    header_.info.biSizeImage = static_cast<uint32_t>(bytes);
    return true;
}

ImageHandle ImageBuffer::create(int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    release();
    BitmapHeader header{};
    header.info.biSize = sizeof(BitmapInfoHeader);
    header.info.biWidth = width;
    header.info.biHeight = height;
    header.info.biPlanes = 1;
    header.info.biBitCount = bitsPerPixel;
    header.info.biCompression = kBiRgb;
    header.info.biClrUsed = bitsPerPixel <= 8 ? (1u << bitsPerPixel) : 0;
    makeMemory(header, currentPixelStorage());
    return block_.handle;
}

void ImageBuffer::release()
{
    if (block_.handle)
        storage_->deallocate(block_);
    block_ = PixelBlock{};
    storage_ = nullptr;
    header_ = BitmapHeader{};
    stride_ = 0;
}

bool ImageBuffer::copyFrom(const ImageBuffer& source)
{
    if (&source == this)
        return !empty();
    if (!empty() &&
        (bitsPerPixel() != source.bitsPerPixel() || width() != source.width() || height() != source.height()))
        release();
    if (source.empty()) {
        release();
        return false;
    }
    if (empty() && !makeMemory(source.header_, currentPixelStorage()))
        return false;
    std::memcpy(block_.pixels, source.block_.pixels, source.sizeImage());
    return true;
}

void ImageBuffer::swapContents(ImageBuffer& other)
{
    std::swap(block_, other.block_);
    std::swap(storage_, other.storage_);
    std::swap(header_, other.header_);
    std::swap(stride_, other.stride_);
}

bool ImageBuffer::setColorTable(uint32_t count, const RgbQuad* entries)
{
    const uint16_t depth = bitsPerPixel();
    if (empty() || depth > 8 || count > (1u << depth))
        return false;
    if (entries && entries != header_.colorTable)
        std::memmove(header_.colorTable, entries, count * sizeof(RgbQuad));
    storage_->setColorTable(block_, header_.colorTable, count);
    return true;
}

bool ImageBuffer::moveToStorage(PixelStorage& storage)
{
    if (empty() || storage_ == &storage)
        return true;
    ImageBuffer moved;
    if (!moved.makeMemory(header_, storage))
        return false;
    std::memcpy(moved.block_.pixels, block_.pixels, sizeImage());
    if (bitsPerPixel() <= 8)
        moved.setColorTable(1u << bitsPerPixel());
    swapContents(moved);
    return true;
}

bool ImageBuffer::convertDepth(uint16_t newBitsPerPixel)
{
    const uint16_t depth = bitsPerPixel();
    if (empty())
        return false;
    if (depth == newBitsPerPixel)
        return true;
    if (newBitsPerPixel != 24 && newBitsPerPixel != 32)
        return false;
    ImageBuffer converted;
    if (!converted.create(width(), height(), newBitsPerPixel))
        return false;
    const int step = newBitsPerPixel / 8;
    for (int32_t y = 0; y < height(); ++y)
        expandRow(row(y), width(), depth, header_.colorTable, converted.row(y), step);
    swapContents(converted);
    return true;
}

void ImageBuffer::flipRows()
{
    for (int32_t low = 0, high = height() - 1; low < high; ++low, --high)
        std::swap_ranges(row(low), row(low) + stride_, row(high));
}

bool ImageBuffer::dropOpaqueAlpha()
{
    if (empty())
        return false;
    if (bitsPerPixel() != 32)
        return true;
    for (int32_t y = 0; y < height(); ++y) {
        const uint8_t* pixel = row(y);
        for (int32_t x = 0; x < width(); ++x, pixel += 4) {
            if (pixel[3] != 255)
                return true;
        }
    }
    return convertDepth(24);
}

ImageHandle ImageBuffer::resize(int32_t newWidth, int32_t newHeight)
{
    if ((newWidth == width() && newHeight == height()) || empty() || newWidth < 1 || newHeight < 1 ||
        !isResizableDepth(bitsPerPixel()))
        return block_.handle;
    ImageBuffer resized;
    if (!resized.create(newWidth, newHeight, bitsPerPixel()) || !resampleInto(*this, resized))
        return nullptr;
    swapContents(resized);
    return block_.handle;
}

ImageHandle ImageBuffer::resizeFrom(const ImageBuffer& source, int32_t newWidth, int32_t newHeight)
{
    if (&source == this)
        return resize(newWidth, newHeight);
    if (newWidth == source.width() && newHeight == source.height())
        return copyFrom(source) ? block_.handle : nullptr;
    if (source.empty() || !isResizableDepth(source.bitsPerPixel()))
        return nullptr;
    const bool reusable =
        !empty() && width() == newWidth && height() == newHeight && bitsPerPixel() == source.bitsPerPixel();
    if (!reusable && !create(newWidth, newHeight, source.bitsPerPixel()))
        return nullptr;
    return resampleInto(source, *this) ? block_.handle : nullptr;
}

bool ImageBuffer::setAlphaFromMask(const ImageBuffer& mask)
{
    if (mask.width() != width() || mask.height() != height() || mask.bitsPerPixel() < 8 || empty())
        return false;
    // The merge reads 24- or 32-bit masks; other depths, and a buffer that is its own mask
    // (about to change depth), are read from a 24-bit copy.
    const ImageBuffer* source = &mask;
    ImageBuffer widened;
    if (&mask == this || (mask.bitsPerPixel() != 24 && mask.bitsPerPixel() != 32)) {
        if (!widened.copyFrom(mask) || !widened.convertDepth(24))
            return false;
        source = &widened;
    }
    if (!convertDepth(32))
        return false;
    const bool maskHasAlpha = source->bitsPerPixel() == 32;
    for (int32_t y = 0; y < height(); ++y) {
        const uint8_t* in = source->row(y);
        uint8_t* out = row(y);
        for (int32_t x = 0; x < width(); ++x) {
            out[4 * x + 3] = maskHasAlpha
                                 ? in[4 * x + 3]
                                 : static_cast<uint8_t>((in[3 * x] + in[3 * x + 1] + in[3 * x + 2]) / 3);
        }
    }
    return true;
}
