// IndexedList: insertion order, the on-demand index, element numbers outside the list, and
// elements destroyed on their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/indexed_list.h"

namespace {

using IntList = IndexedList<int>;

// Payloads front to back, checking that prev mirrors next on the way.
std::vector<int> contents(IntList& list)
{
    std::vector<int> values;
    for (IntList* node = list.next; node != nullptr; node = node->next) {
        EXPECT_NE(node->prev, nullptr);
        EXPECT_EQ(node->prev->next, node);
        values.push_back(node->payload);
    }
    return values;
}

}  // namespace

TEST(IndexedList, AppendPrependAndNumbers)
{
    IntList list;
    list.append(1);
    list.append(2);
    list.prepend(0);
    EXPECT_EQ(contents(list), (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(list.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(list.element(i)->isHead);
        EXPECT_EQ(list.element(i)->payload, i);
    }
}

TEST(IndexedList, NumbersOutsideTheListYieldTheListObject)
{
    IntList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.element(0), &list);
    list.append(7);
    list.append(8);
    for (int32_t i : {-1, 2, 3, INT32_MIN, INT32_MAX})
        EXPECT_EQ(list.element(i), &list) << i;
    EXPECT_TRUE(list.element(2)->isHead);
}

TEST(IndexedList, InsertionRebuildsTheIndex)
{
    IntList list;
    list.append(1);
    EXPECT_EQ(list.count(), 1);
    list.prepend(0);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.element(0)->payload, 0);
    list.append(2);
    EXPECT_EQ(list.element(2)->payload, 2);
}

TEST(IndexedList, SortedInsertionKeepsEqualKeysInInsertionOrder)
{
    struct Keyed {
        int key = 0;
        int order = 0;
    };
    IndexedList<Keyed> list;
    const auto keyOf = [](const Keyed& k) { return k.key; };
    const int keys[] = {2, 1, 2, 0, 1, 3, 0};
    for (int i = 0; i < 7; ++i)
        list.insertSorted(Keyed{keys[i], i}, keyOf);
    std::vector<int> order;
    for (auto* node = list.next; node != nullptr; node = node->next)
        order.push_back(node->payload.order);
    EXPECT_EQ(order, (std::vector<int>{3, 6, 1, 4, 0, 2, 5}));
}

TEST(IndexedList, DestroyingAnElementAloneKeepsTheListConsistent)
{
    const struct {
        int destroyed;
        std::vector<int> left;
    } cases[] = {{0, {1, 2, 3}}, {1, {0, 2, 3}}, {3, {0, 1, 2}}};
    for (const auto& c : cases) {
        IntList list;
        for (int i = 0; i < 4; ++i)
            list.append(i);
        ASSERT_EQ(list.count(), 4);  // the index now names every element
        delete list.element(c.destroyed);
        EXPECT_EQ(contents(list), c.left);
        ASSERT_EQ(list.count(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(list.element(i)->payload, c.left[static_cast<size_t>(i)]);
        EXPECT_EQ(list.element(3), &list);
    }
}

TEST(IndexedList, ClearDestroysElementsAndKeepsTheListObject)
{
    IndexedList<std::string> list;
    list.append(std::string(100, 'a'));
    list.append(std::string(100, 'b'));
    EXPECT_EQ(list.count(), 2);
    list.clear();
    EXPECT_EQ(list.next, nullptr);
    EXPECT_EQ(list.count(), 0);
    list.append("again");
    EXPECT_EQ(list.element(0)->payload, "again");
}
