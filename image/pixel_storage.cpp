// The portable pixel storage: zero-filled heap memory, and the choice of the current storage.
#include "image/pixel_storage.h"

#include <cstdlib>

namespace {

class HeapPixelStorage final : public PixelStorage {
public:
    PixelBlock allocate(const BitmapHeader&, size_t byteCount) override
    {
        // calloc: zero-filled, and null rather than an exception when memory is short.
        auto* memory = static_cast<uint8_t*>(std::calloc(byteCount, 1));
        return PixelBlock{memory, memory};
    }

    void deallocate(const PixelBlock& block) override { std::free(block.pixels); }

    // The buffer's own colour table is the only one there is.
    void setColorTable(const PixelBlock&, const RgbQuad*, uint32_t) override {}
};

// Null until the platform layer installs its storage; constant-initialised, so that an
// installation made while other globals are constructed is never undone.
PixelStorage* installedStorage = nullptr;

}  // namespace

PixelStorage& heapPixelStorage()
{
    static HeapPixelStorage storage;
    return storage;
}

PixelStorage& currentPixelStorage()
{
    return installedStorage ? *installedStorage : heapPixelStorage();
}

void installPixelStorage(PixelStorage* storage)
{
    installedStorage = storage;
}
