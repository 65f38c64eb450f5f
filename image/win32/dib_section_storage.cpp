// DIB sections behind ImageBuffer, and beginDraw/endDraw, which hand a picture to GDI.
#include "image/win32/dib_section_storage.h"

#include <cstddef>
#include <cstdlib>

// The portable mirrors must match the SDK's structures byte for byte: the header block is
// passed to CreateDIBSection as a BITMAPINFO.
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(BitmapInfoHeader, biWidth) == offsetof(BITMAPINFOHEADER, biWidth));
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == offsetof(BITMAPINFOHEADER, biSizeImage));
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == offsetof(BITMAPINFOHEADER, biClrUsed));
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
static_assert(offsetof(RgbQuad, rgbRed) == offsetof(RGBQUAD, rgbRed));
static_assert(offsetof(BitmapHeader, colorTable) == offsetof(BITMAPINFO, bmiColors));
static_assert(kBiRgb == BI_RGB && kBiBitfields == BI_BITFIELDS);

DibSectionStorage& dibSectionStorage()
{
    static DibSectionStorage storage;
    return storage;
}

PixelBlock DibSectionStorage::allocate(const BitmapHeader& header, size_t byteCount)
{
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    const UINT usage = header.info.biBitCount <= 8 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
    HBITMAP section = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header), usage, &bits,
                                       nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!section)
        return {};
    // The program addresses byteCount bytes; the section must hold them in the same layout.
    BITMAP record{};
    const bool described = bits && GetObjectA(section, sizeof record, &record) == sizeof record;
    const size_t held = described ? static_cast<size_t>(record.bmWidthBytes) *
                                        static_cast<size_t>(std::abs(record.bmHeight))
                                  : 0;
    const bool fits = held >= byteCount;
    if (!fits) {
        DeleteObject(section);
        return {};
    }
    return PixelBlock{section, static_cast<uint8_t*>(bits)};
}

void DibSectionStorage::deallocate(const PixelBlock& block)
{
    DeleteObject(static_cast<HBITMAP>(block.handle));
}

void DibSectionStorage::setColorTable(const PixelBlock& block, const RgbQuad* entries, uint32_t count)
{
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return;
    HGDIOBJ previous = SelectObject(dc, static_cast<HBITMAP>(block.handle));
    SetDIBColorTable(dc, 0, count, reinterpret_cast<const RGBQUAD*>(entries));
    SelectObject(dc, previous);
    DeleteDC(dc);
}

HDC ImageBuffer::beginDraw(HDC dc)
{
    if (empty() || !moveToStorage(dibSectionStorage()))
        return nullptr;
    HDC memoryDc = CreateCompatibleDC(dc);
    if (!memoryDc)
        return nullptr;
    savedObject_ = SelectObject(memoryDc, bitmapHandle(*this));
    return memoryDc;
}

void ImageBuffer::endDraw(HDC memoryDc)
{
    if (!memoryDc)
        return;
    SelectObject(memoryDc, static_cast<HGDIOBJ>(savedObject_));
    savedObject_ = nullptr;
    DeleteDC(memoryDc);
}
