// PtrArray: the growth rule, releasing elements, closing gaps, and lists of pointers that do
// not own what they point at.
#include <gtest/gtest.h>

#include <string>

#include "base/ptr_array.h"
#include "model/frame.h"

namespace {

struct Counted {
    static int alive;
    Counted() { ++alive; }
    Counted(const Counted&) { ++alive; }
    Counted(Counted&&) noexcept { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

}  // namespace

TEST(PtrArray, GrowthRule)
{
    // capacity grows by 256 * floor((count + k - capacity + 256) / 256) once count + k
    // reaches the capacity.
    const struct {
        int32_t filled;
        int32_t k;
        int32_t capacity;
    } cases[] = {
        {0, 0, 256},   {0, 255, 256}, {0, 256, 512}, {0, 300, 512}, {0, 511, 512},
        {0, 512, 768}, {0, 513, 768}, {255, 0, 256}, {255, 1, 512}, {100, 700, 1024},
    };
    for (const auto& c : cases) {
        PtrArray<int> array;
        for (int32_t i = 0; i < c.filled; ++i)
            ASSERT_NE(array.append(i), nullptr);
        ASSERT_TRUE(array.makeRoom(c.k));
        EXPECT_EQ(array.capacity(), c.capacity) << c.filled << " + " << c.k;
    }
}

TEST(PtrArray, AppendingPastTheCapacityKeepsEveryElement)
{
    PtrArray<int> array;
    EXPECT_EQ(array.capacity(), 256);
    EXPECT_EQ(array.growthStep(), 256);
    for (int i = 0; i < 600; ++i)
        array.append(i);
    EXPECT_EQ(array.capacity(), 768);
    ASSERT_EQ(array.count(), 600);
    for (int i = 0; i < 600; ++i)
        EXPECT_EQ(array[i], i);
}

TEST(PtrArray, RefusesRoomItCannotMake)
{
    PtrArray<int> array;
    EXPECT_FALSE(array.makeRoom(-1));
    EXPECT_FALSE(array.makeRoom(INT32_MAX));
    EXPECT_EQ(array.capacity(), 256);
}

TEST(PtrArray, RemoveReleasesAndClosesTheGap)
{
    PtrArray<std::string> array;
    for (const char* s : {"a", "b", "c", "d"})
        array.append(s);
    EXPECT_FALSE(array.remove(-1));
    EXPECT_FALSE(array.remove(4));
    ASSERT_TRUE(array.remove(1));
    ASSERT_EQ(array.count(), 3);
    EXPECT_EQ(array[0], "a");
    EXPECT_EQ(array[1], "c");
    EXPECT_EQ(array[2], "d");
    EXPECT_EQ(array.at(3), nullptr);
    EXPECT_EQ(array.at(-1), nullptr);
}

TEST(PtrArray, ReleasesElementsOnRemoveClearAndDestruction)
{
    {
        PtrArray<Counted> array;
        for (int i = 0; i < 300; ++i)
            array.append();
        EXPECT_EQ(Counted::alive, 300);
        array.remove(0);
        EXPECT_EQ(Counted::alive, 299);
        array.clear();
        EXPECT_EQ(Counted::alive, 0);
        EXPECT_EQ(array.count(), 0);
        array.append();
        array.append();
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(PtrArray, FramePointerCellsDoNotOwnTheFrames)
{
    Frame root;
    Frame* a = root.addChild(0.0f);
    {
        PtrArray<Frame*> parts;
        parts.append(a);
        parts.append(a);
        EXPECT_EQ(parts[1], a);
    }
    a->setName("still here");  // the sanitizer build catches a frame freed with the array
    EXPECT_EQ(root.firstChild, a);
}
