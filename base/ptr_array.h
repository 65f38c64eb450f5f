// PtrArray: the growable array of owned elements behind the program's short lists (the
// scene's part lists, the model menu's names, the plug-in modules).
//
// Each slot owns one heap element of type T. The element type is the array's kind: it decides
// how an element is made (value-initialised, or moved in) and released (its destructor), so
// destroying the array or removing a slot always releases the element the right way. A list
// that refers to objects it does not own holds pointer cells, e.g. PtrArray<Frame*>: the cell
// is released, the Frame is not.
//
// Capacity starts at 256 slots and grows in steps of 256: making room for k more elements
// when count + k >= capacity adds step * floor((count + k - capacity + step) / step) slots,
// so at least one slot is always free after an append.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

template <typename T>
class PtrArray {
public:
    static constexpr int32_t kInitialCapacity = 256;
    static constexpr int32_t kGrowthStep = 256;

    PtrArray() : slots(new (std::nothrow) Slot[kInitialCapacity]()), cap(slots ? kInitialCapacity : 0) {}

    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Makes sure k more elements fit; false (nothing changed) when k is negative or the
    // grown capacity cannot be represented or allocated.
    bool makeRoom(int32_t k)
    {
        if (k < 0)
            return false;
        const int64_t wanted = static_cast<int64_t>(used) + k;
        if (wanted < cap)
            return true;
        const int64_t grown = cap + static_cast<int64_t>(step) * ((wanted - cap + step) / step);
        if (grown > INT32_MAX || static_cast<uint64_t>(grown) > SIZE_MAX / sizeof(Slot))
            return false;
        std::unique_ptr<Slot[]> larger(new (std::nothrow) Slot[static_cast<size_t>(grown)]());
        if (!larger)
            return false;
        for (int32_t i = 0; i < used; ++i)
            larger[static_cast<size_t>(i)] = std::move(slots[static_cast<size_t>(i)]);
        slots = std::move(larger);
        cap = static_cast<int32_t>(grown);
        return true;
    }

    // Appends a new element (value-initialised, or the value given) and returns it; null
    // when there is no room.
    T* append(T value = T{})
    {
        if (!makeRoom(1))
            return nullptr;
        Slot& slot = slots[static_cast<size_t>(used++)];
        slot = std::make_unique<T>(std::move(value));
        return slot.get();
    }

    // Releases element i and closes the gap by moving the later slots down one place; false
    // when i is out of range.
    bool remove(int32_t i)
    {
        if (i < 0 || i >= used)
            return false;
        slots[static_cast<size_t>(i)].reset();
        for (int32_t j = i; j + 1 < used; ++j)
            slots[static_cast<size_t>(j)] = std::move(slots[static_cast<size_t>(j + 1)]);
        --used;
        return true;
    }

    // Releases every element; the capacity stays.
    void clear()
    {
        for (int32_t i = 0; i < used; ++i)
            slots[static_cast<size_t>(i)].reset();
        used = 0;
    }

    // Element i, or null when i is out of range.
    T* at(int32_t i) const
    {
        if (i < 0 || i >= used)
            return nullptr;
        return slots[static_cast<size_t>(i)].get();
    }

    // Element i, which must exist.
    T& operator[](int32_t i) const
    {
        assert(i >= 0 && i < used);
        return *slots[static_cast<size_t>(i)];
    }

    int32_t count() const { return used; }
    int32_t capacity() const { return cap; }
    int32_t growthStep() const { return step; }

private:
    using Slot = std::unique_ptr<T>;

    std::unique_ptr<Slot[]> slots;  // owned elements in order; slots past count are empty
    int32_t used = 0;               // number of elements
    int32_t cap;                    // number of slots
    int32_t step = kGrowthStep;     // slots added per growth step
};
