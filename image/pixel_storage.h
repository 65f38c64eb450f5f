// Where the pixel memory of an ImageBuffer comes from. The buffer addresses its pixels itself;
// only making and freeing the memory, and telling the platform about a colour table, go
// through this seam. The portable default is plain zero-filled heap memory; the Windows layer
// installs device-independent bitmap sections (image/win32/dib_section_storage.h) so that GDI
// can draw into and out of the same memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bitmap_header.h"

// A platform bitmap handle (HBITMAP on Windows); opaque to the portable code. Non-null exactly
// when a buffer holds pixel memory.
using ImageHandle = void*;

// One block of pixel memory and the handle that owns it.
struct PixelBlock {
    ImageHandle handle = nullptr;
    uint8_t* pixels = nullptr;  // byteCount bytes, zero-filled when made
};

class PixelStorage {
public:
    virtual ~PixelStorage() = default;

    // Makes byteCount bytes of zero-filled pixel memory for the picture that header describes
    // (its size, depth and, for indexed pictures, its colours). An empty block on failure.
    virtual PixelBlock allocate(const BitmapHeader& header, size_t byteCount) = 0;

    // Frees a block made by allocate of this same storage.
    virtual void deallocate(const PixelBlock& block) = 0;

    // Hands the first count entries of an indexed picture's colours to the platform.
    virtual void setColorTable(const PixelBlock& block, const RgbQuad* entries, uint32_t count) = 0;
};

// Plain heap memory; the handle is the memory itself. Used where no other storage is installed.
PixelStorage& heapPixelStorage();

// The storage that new pictures are made in: the installed one, else the heap storage.
PixelStorage& currentPixelStorage();

// Installs the storage for pictures made from now on; null goes back to the heap storage.
// Pictures made before keep the storage that made them.
void installPixelStorage(PixelStorage* storage);
