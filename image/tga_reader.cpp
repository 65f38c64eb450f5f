// The TGA reader: header checks, the colour map, raw and run-length pixel data, both origins.
//
// Pixels are decoded in file order into a 32-bit picture (B, G, R, A) and placed by the
// descriptor's origin bits, so that every kind of file goes through one loop; the picture then
// drops its alpha byte unless the file stores alpha that is used.
#include "image/tga_reader.h"

#include <array>

#include "image/image_buffer.h"

namespace {

constexpr size_t kHeaderBytes = 18;
// The most pixels a file can describe per byte: a run packet of 2 bytes (count and one 8-bit
// pixel) stands for 128 pixels.
constexpr uint64_t kMaxPixelsPerByte = 64;

// Image types (header byte 2).
constexpr uint8_t kColourMapped = 1;
constexpr uint8_t kTrueColour = 2;
constexpr uint8_t kGrey = 3;
constexpr uint8_t kRunLengthFlag = 8;  // added to the three above

// Descriptor bits (header byte 17).
constexpr uint8_t kAlphaBitsMask = 0x0F;
constexpr uint8_t kRightToLeft = 0x10;
constexpr uint8_t kTopToBottom = 0x20;

struct TgaHeader {
    uint8_t idLength;
    uint8_t colourMapType;
    uint8_t imageType;
    uint16_t mapFirstEntry;
    uint16_t mapLength;
    uint8_t mapEntryBits;
    uint16_t width;
    uint16_t height;
    uint8_t pixelBits;
    uint8_t descriptor;
};

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

TgaHeader decodeHeader(const uint8_t* p)
{
    return TgaHeader{p[0], p[1],         p[2],         le16(p + 3), le16(p + 5),
                     p[7], le16(p + 12), le16(p + 14), p[16],       p[17]};
}

using Bgra = std::array<uint8_t, 4>;

inline uint8_t widen5(uint32_t v)
{
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

// One stored colour of 15/16, 24 or 32 bits as B, G, R, A (alpha 255 where none is stored; the
// attribute bit of 16-bit colours is not taken for alpha, since writers rarely set it).
Bgra colourFrom(const uint8_t* p, uint32_t bits)
{
    if (bits == 24)
        return {p[0], p[1], p[2], 255};
    if (bits == 32)
        return {p[0], p[1], p[2], p[3]};
    const uint32_t v = le16(p);
    return {widen5(v & 0x1Fu), widen5((v >> 5) & 0x1Fu), widen5((v >> 10) & 0x1Fu), 255};
}

bool isColourDepth(uint32_t bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes one stored colour takes: 15 bits take two.
uint32_t colourBytes(uint32_t bits)
{
    return (bits + 7) / 8;
}

// The header describes a kind of picture this reader takes.
bool isTakenKind(const TgaHeader& h)
{
    if (h.colourMapType > 1 || h.width == 0 || h.height == 0)
        return false;
    switch (h.imageType & ~kRunLengthFlag) {
    case kColourMapped:
        return h.colourMapType == 1 && h.pixelBits == 8 && isColourDepth(h.mapEntryBits) && h.mapLength > 0;
    case kTrueColour:
        return isColourDepth(h.pixelBits);
    case kGrey:
        return h.pixelBits == 8;
    default:
        return false;
    }
}

// A bounds-checked cursor over the file's bytes.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t remaining() const { return bytes_.size() - pos_; }
    // The next n bytes, or null (moving nowhere) when fewer remain.
    const uint8_t* take(size_t n)
    {
        if (n > remaining())
            return nullptr;
        const uint8_t* p = bytes_.data() + pos_;
        pos_ += n;
        return p;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// The colour of every 8-bit index: map entry (index - first entry), black for indices the map
// does not hold. False when the map runs past the end of the file.
bool readColourMap(ByteCursor& cursor, const TgaHeader& h, std::array<Bgra, 256>& colours)
{
    const uint32_t entryBytes = colourBytes(h.mapEntryBits);
    const uint8_t* map = cursor.take(static_cast<size_t>(h.mapLength) * entryBytes);
    if (map == nullptr)
        return false;
    for (uint32_t index = 0; index < colours.size(); ++index) {
        const uint32_t entry = index - h.mapFirstEntry;  // wraps to a huge value below the first
        colours[index] =
            entry < h.mapLength ? colourFrom(map + entry * entryBytes, h.mapEntryBits) : Bgra{0, 0, 0, 255};
    }
    return true;
}

// Turns the bytes of one stored pixel into its colour.
class PixelDecoder {
public:
    PixelDecoder(const TgaHeader& h, const std::array<Bgra, 256>& colours)
        : kind_(h.imageType & ~kRunLengthFlag), bits_(h.pixelBits), colours_(colours)
    {}
    uint32_t bytes() const { return colourBytes(bits_); }
    Bgra operator()(const uint8_t* p) const
    {
        if (kind_ == kColourMapped)
            return colours_[p[0]];
        if (kind_ == kGrey)
            return {p[0], p[0], p[0], 255};
        return colourFrom(p, bits_);
    }

private:
    uint32_t kind_;
    uint32_t bits_;
    const std::array<Bgra, 256>& colours_;
};

// Places pixels in file order: rows from the bottom or the top, columns from the left or right.
class PixelPlacer {
public:
    PixelPlacer(ImageBuffer& image, uint8_t descriptor)
        : image_(image),
          topDown_((descriptor & kTopToBottom) != 0),
          rightToLeft_((descriptor & kRightToLeft) != 0)
    {}
    bool done() const { return fileRow_ >= image_.height(); }
    // Writes the next pixel; the caller stops once done().
    void put(const Bgra& colour)
    {
        const int32_t row = topDown_ ? image_.height() - 1 - fileRow_ : fileRow_;
        const int32_t column = rightToLeft_ ? image_.width() - 1 - x_ : x_;
        uint8_t* out = image_.row(row) + 4 * static_cast<size_t>(column);
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
        out[3] = colour[3];
        if (++x_ == image_.width()) {
            x_ = 0;
            ++fileRow_;
        }
    }

private:
    ImageBuffer& image_;
    bool topDown_;
    bool rightToLeft_;
    int32_t x_ = 0;        // column in file order
    int32_t fileRow_ = 0;  // rows placed so far
};

void readRawPixels(ByteCursor& cursor, const PixelDecoder& decode, PixelPlacer& placer)
{
    while (!placer.done()) {
        const uint8_t* p = cursor.take(decode.bytes());
        if (p == nullptr)
            return;
        placer.put(decode(p));
    }
}

// Packets: a count byte (top bit set: one pixel repeated, else that many raw pixels), count
// being the low seven bits plus one. Packets may run on into the next row; what runs past the
// last row is dropped.
void readRunLengthPixels(ByteCursor& cursor, const PixelDecoder& decode, PixelPlacer& placer)
{
    while (!placer.done()) {
        const uint8_t* head = cursor.take(1);
        if (head == nullptr)
            return;
        const int count = (*head & 0x7F) + 1;
        if (*head & 0x80) {
            const uint8_t* p = cursor.take(decode.bytes());
            if (p == nullptr)
                return;
            const Bgra colour = decode(p);
            for (int i = 0; i < count && !placer.done(); ++i)
                placer.put(colour);
        } else {
            for (int i = 0; i < count && !placer.done(); ++i) {
                const uint8_t* p = cursor.take(decode.bytes());
                if (p == nullptr)
                    return;
                placer.put(decode(p));
            }
        }
    }
}

bool decodeTga(std::span<const uint8_t> file, ImageBuffer& image)
{
    ByteCursor cursor(file);
    const uint8_t* head = cursor.take(kHeaderBytes);
    if (head == nullptr)
        return false;
    const TgaHeader h = decodeHeader(head);
    if (!isTakenKind(h) || cursor.take(h.idLength) == nullptr)
        return false;
    std::array<Bgra, 256> colours{};
    if (h.colourMapType == 1) {
        // True-colour and grey files may carry a map too; it is read past (and must be there).
        if (!isColourDepth(h.mapEntryBits) || !readColourMap(cursor, h, colours))
            return false;
    }
    const uint64_t pixels = uint64_t{h.width} * h.height;
    if (pixels > kMaxPixelsPerByte * cursor.remaining())
        return false;
    if (!image.create(h.width, h.height, 32))
        return false;

    const PixelDecoder decode(h, colours);
    PixelPlacer placer(image, h.descriptor);
    if (h.imageType & kRunLengthFlag)
        readRunLengthPixels(cursor, decode, placer);
    else
        readRawPixels(cursor, decode, placer);

    const bool storesAlpha = h.pixelBits == 32 && (h.descriptor & kAlphaBitsMask) != 0;
    return storesAlpha ? image.dropOpaqueAlpha() : image.convertDepth(24);
}

}  // namespace

bool readTga(std::span<const uint8_t> file, ImageBuffer& image)
{
    if (decodeTga(file, image))
        return true;
    image.release();
    return false;
}
