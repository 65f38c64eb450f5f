// IndexedList: the owning doubly linked list that the model readers collect records in, with
// an index of its elements built on demand so that records can be fetched by number.
//
// The list object is itself a node of the same class (isHead set); its payload is never an
// element. Elements are heap nodes owned by the list: destroying the list object destroys
// them, and an element may also be destroyed on its own (`delete node`), which unlinks it and
// leaves the list consistent. Asking for an element number outside 0..count-1 yields the list
// object itself, so a bad number from a file reads the list object's default payload instead
// of memory that is not there.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <utility>

template <typename T>
class IndexedList {
public:
    IndexedList* prev = nullptr;  // previous node; null for the list object
    IndexedList* next = nullptr;  // next node; null at the end
    const bool isHead;            // true for the list object, false for elements
    T payload{};                  // the element's record; meaningless in the list object

    // A new, empty list object.
    IndexedList() : isHead(true) {}

    // For the list object: destroys every element. For any node: unlinks it; an element also
    // drops its list's index, which would otherwise still name it.
    ~IndexedList()
    {
        if (isHead) {
            clear();
        } else if (IndexedList* head = findHead()) {
            head->dropIndex();
        }
        if (prev != nullptr)
            prev->next = next;
        if (next != nullptr)
            next->prev = prev;
    }

    IndexedList(const IndexedList&) = delete;
    IndexedList& operator=(const IndexedList&) = delete;

    // Links a new element after the last node and returns it.
    IndexedList* append(T value = T{})
    {
        IndexedList* last = this;
        while (last->next != nullptr)
            last = last->next;
        return insertAfter(last, std::move(value));
    }

    // Links a new element directly after the list object and returns it.
    IndexedList* prepend(T value = T{}) { return insertAfter(this, std::move(value)); }

    // Links a new element after the last element whose key is not larger than the new one's
    // (after the list object when there is none), so a list kept this way stays in rising
    // key order and equal keys keep the order in which they were inserted. keyOf(const T&)
    // gives a record's key.
    template <typename KeyOf>
    IndexedList* insertSorted(T value, KeyOf keyOf)
    {
        const auto key = keyOf(value);
        IndexedList* after = this;
        for (IndexedList* node = next; node != nullptr; node = node->next) {
            if (!(key < keyOf(node->payload)))
                after = node;
        }
        return insertAfter(after, std::move(value));
    }

    // Number of elements (builds the index when there is none).
    int32_t count()
    {
        buildIndex();
        return indexCount;
    }

    // Element i for 0 <= i < count, else the list object itself.
    IndexedList* element(int32_t i)
    {
        buildIndex();
        if (i < 0 || i >= indexCount)
            return this;
        return index[static_cast<size_t>(i)];
    }

    // Destroys every element; the list object stays, empty.
    void clear()
    {
        dropIndex();
        while (next != nullptr)
            delete next;
        dropIndex();
    }

private:
    struct ElementTag {};
    explicit IndexedList(ElementTag) : isHead(false) {}

    IndexedList* insertAfter(IndexedList* after, T value)
    {
        assert(isHead && "insert through the list object");
        dropIndex();
        IndexedList* node = new IndexedList(ElementTag{});
        node->payload = std::move(value);
        node->prev = after;
        node->next = after->next;
        if (after->next != nullptr)
            after->next->prev = node;
        after->next = node;
        return node;
    }

    IndexedList* findHead()
    {
        IndexedList* node = prev;
        while (node != nullptr && !node->isHead)
            node = node->prev;
        return node;
    }

    void buildIndex()
    {
        assert(isHead && "count and number through the list object");
        if (index)
            return;
        int32_t n = 0;
        for (IndexedList* node = next; node != nullptr; node = node->next)
            ++n;
        index = std::make_unique<IndexedList*[]>(static_cast<size_t>(n));
        int32_t i = 0;
        for (IndexedList* node = next; node != nullptr; node = node->next)
            index[static_cast<size_t>(i++)] = node;
        indexCount = n;
    }

    void dropIndex()
    {
        index.reset();
        indexCount = 0;
    }

    std::unique_ptr<IndexedList*[]> index;  // element pointers in list order; null until asked
    int32_t indexCount = 0;                 // entries of index; valid while index is not null
};
