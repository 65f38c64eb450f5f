// DIB sections behind ImageBuffer.
#include "image/win32/dib_section_storage.h"

#include <cstddef>
#include <cstdlib>

#include "base/win32/gdi_handles.h"

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

namespace {

// A section for the picture that header describes, made on the screen's drawing context; bits
// receives its pixel memory.
HBITMAP createSection(const BitmapHeader& header, void*& bits)
{
    WindowDc screen(nullptr);
    const UINT usage = header.info.biBitCount <= 8 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&header);
    return CreateDIBSection(screen.get(), info, usage, &bits, nullptr, 0);
}

}  // namespace

DibSectionStorage& dibSectionStorage()
{
    static DibSectionStorage storage;
    return storage;
}

PixelBlock DibSectionStorage::allocate(const BitmapHeader& header, size_t byteCount)
{
    void* bits = nullptr;
    GdiObject<HBITMAP> section(createSection(header, bits));
    if (!section)
        return {};
    // The program addresses byteCount bytes; the section must hold them in the same layout.
    BITMAP record{};
    const bool described = bits && GetObjectA(section.get(), sizeof record, &record) == sizeof record;
    const size_t held =
        described ? static_cast<size_t>(record.bmWidthBytes) * static_cast<size_t>(std::abs(record.bmHeight))
                  : 0;
    const bool fits = held >= byteCount;
    if (!fits)
        return {};
    return PixelBlock{section.detach(), static_cast<uint8_t*>(bits)};
}

void DibSectionStorage::deallocate(const PixelBlock& block)
{
    DeleteObject(static_cast<HBITMAP>(block.handle));
}

void DibSectionStorage::setColorTable(const PixelBlock& block, const RgbQuad* entries, uint32_t count)
{
    MemoryDc dc(nullptr);
    if (!dc.get())
        return;
    SelectedObject section(dc.get(), static_cast<HBITMAP>(block.handle));
    SetDIBColorTable(dc.get(), 0, count, reinterpret_cast<const RGBQUAD*>(entries));
}
