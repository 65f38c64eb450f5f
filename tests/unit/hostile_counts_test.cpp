// Files that claim enormous counts - a billion vertices, faces, corners, pixels, name bytes -
// are refused, or read for what they really hold, without anything being allocated for the
// claim. Pixel memory is watched through the pixel-storage seam; everything else through a
// count of the test program's operator new, which replaces the library's (but not under
// AddressSanitizer, whose allocator checks more than a count would give).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "image/image_buffer.h"
#include "image/picture_decoder.h"
#include "image_test_support.h"
#include "model/model_cache.h"

#if defined(__SANITIZE_ADDRESS__)
#define VELLARN_COUNTS_ALLOCATIONS 0
#else
#define VELLARN_COUNTS_ALLOCATIONS 1
#endif

namespace {

// The largest single request and the sum of all requests while a count runs.
struct AllocationCount {
    bool counting = false;
    size_t largest = 0;
    size_t total = 0;
};
AllocationCount allocations;

}  // namespace

#if VELLARN_COUNTS_ALLOCATIONS
// GCC takes the free() below for one of memory from operator new; here that is the pairing.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    if (allocations.counting) {
        allocations.largest = size > allocations.largest ? size : allocations.largest;
        allocations.total += size;
    }
    if (void* memory = std::malloc(size != 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
#endif

namespace {

// What a file's bytes may make the program allocate at most: the file read whole (in 64 KiB
// steps) and small records; nothing near what its counts claim.
constexpr size_t kLargestAllowed = size_t{1} << 20;

// Counts operator new while it lives.
class CountAllocations {
public:
    CountAllocations() { allocations = AllocationCount{true, 0, 0}; }
    ~CountAllocations() { allocations.counting = false; }
    CountAllocations(const CountAllocations&) = delete;
    CountAllocations& operator=(const CountAllocations&) = delete;
};

// Pixel storage that only notes the largest request and passes it on to the heap storage.
class WatchedPixelStorage final : public PixelStorage {
public:
    WatchedPixelStorage() { installPixelStorage(this); }
    ~WatchedPixelStorage() override { installPixelStorage(nullptr); }

    PixelBlock allocate(const BitmapHeader& header, size_t byteCount) override
    {
        largest = byteCount > largest ? byteCount : largest;
        return heapPixelStorage().allocate(header, byteCount);
    }
    void deallocate(const PixelBlock& block) override { heapPixelStorage().deallocate(block); }
    void setColorTable(const PixelBlock& block, const RgbQuad* entries, uint32_t count) override
    {
        heapPixelStorage().setColorTable(block, entries, count);
    }

    size_t largest = 0;
};

const std::string kBillion = "1000000000";

// Loads a model file of the given text; the triangles it gave, or -1 for "could not load".
long long loadModelText(const ScratchDir& dir, const std::string& name, const std::string& text)
{
    const std::string path = dir.write(name, std::vector<uint8_t>(text.begin(), text.end()));
    long long triangles = -1;
    {
        const CountAllocations count;
        ModelCache cache;
        Frame model;
        if (cache.load(model, path, Vector3(1, 1, 1)) != nullptr) {
            triangles = 0;
            for (const Frame* f = model.firstChild; f != nullptr; f = f->next)
                triangles += f->vertexCount / 3;
        }
    }
    return triangles;
}

std::vector<uint8_t> bmpClaiming(int32_t width, int32_t height, uint16_t bits)
{
    std::vector<uint8_t> file(54);
    file[0] = 'B';
    file[1] = 'M';
    putLe32(file, 10, 54);
    putLe32(file, 14, 40);
    putLe32(file, 18, static_cast<uint32_t>(width));
    putLe32(file, 22, static_cast<uint32_t>(height));
    putLe16(file, 26, 1);
    putLe16(file, 28, bits);
    return file;
}

}  // namespace

TEST(HostileCounts, ModelsClaimingABillionAllocateNothingForTheClaim)
{
    if (!VELLARN_COUNTS_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
    const ScratchDir dir;
    const std::string triangle = "0;0;0;,\n1;0;0;,\n0;1;0;;\n";
    const std::string point = "POINT\r 1\r 0\r 0\r 0\r 0\r 0\r 0\r 0\r";
    const struct {
        const char* name;
        std::string text;
        long long triangles;  // -1: could not load
    } cases[] = {
        // The claims only bound the loops: the lines that are there are read.
        {"vertices.mqo",
         "Object \"o\" {\nvertex " + kBillion + " {\n0 0 0\n1 0 0\n0 1 0\n}\nface " + kBillion +
             " {\n3 V(0 1 2)\n}\n}\n",
         1},
        {"material.mqo", "Material " + kBillion + " {\n\"m\"\n}\n", -1},
        // A count the rest of the file cannot hold refuses the mesh, and so the model.
        {"vertices.x", "Mesh {\n" + kBillion + ";\n" + triangle + "1;\n3;0,1,2;;\n}\n", -1},
        {"faces.x", "Mesh {\n3;\n" + triangle + kBillion + ";\n3;0,1,2;;\n}\n", -1},
        // A face claiming more corners than bytes left is dropped, and with it the only face.
        {"corners.x", "Mesh {\n3;\n" + triangle + "1;\n" + kBillion + ";0,1,2;;\n}\n", -1},
        // A face record claiming more corners than bytes left ends the reading: no faces.
        {"corners.rok", point + "LINE0\r 1\r 1\r 0\r 0\rFACE0\r " + kBillion + "\r 0\r 0\r 1\r", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadModelText(dir, c.name, c.text), c.triangles) << c.name;
        EXPECT_LE(allocations.largest, kLargestAllowed) << c.name;
        EXPECT_LE(allocations.total, 4 * kLargestAllowed) << c.name;
    }
}

TEST(HostileCounts, SettingsClaimingFourGigabytesAllocateNothingForTheClaim)
{
    if (!VELLARN_COUNTS_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
    const std::vector<uint8_t> narrow = {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'};
    const std::vector<uint8_t> wide = {0,    0,    0,    1,    0xFF, 0xFE, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a',  0};
    for (const std::vector<uint8_t>& bytes : {narrow, wide}) {
        const CountAllocations count;
        EXPECT_FALSE(decodeSettings(bytes).has_value());
        EXPECT_LE(allocations.total, size_t{64});
    }
}

TEST(HostileCounts, PicturesClaimingMorePixelsThanTheyHoldMakeNoPixelMemory)
{
    const ScratchDir dir;
    WatchedPixelStorage storage;
    ImageBuffer image;
    // Sides past the limits: refused before any memory is made.
    for (const auto& claim :
         {bmpClaiming(1000000000, 1, 24), bmpClaiming(1, 1000000000, 8), bmpClaiming(30000, 30000, 32)}) {
        EXPECT_EQ(image.loadBmp(dir.write("claim.bmp", claim)), nullptr);
    }
    EXPECT_EQ(storage.largest, 0u);

    // A plug-in's picture of 8192 x 8192 (within the limits) whose pixel block holds one row.
    std::vector<uint8_t> header = bmpClaiming(8192, 8192, 32);
    header.erase(header.begin(), header.begin() + 14);
    const std::vector<uint8_t> oneRow(8192 * 4);
    EXPECT_FALSE(image.takeDecodedPicture(header, oneRow));
    EXPECT_EQ(storage.largest, 0u);
    EXPECT_TRUE(image.empty());
}
