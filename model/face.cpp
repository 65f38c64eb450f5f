// The face block's allocation and release, kept together so that every reader frees faces the
// way they were allocated.
#include "model/face.h"

#include <cstddef>
#include <cstdint>
#include <new>

Face* allocateFaces(int32_t count)
{
    if (count < 0 || SIZE_MAX / sizeof(Face) < static_cast<size_t>(count))
        return nullptr;
    return new (std::nothrow) Face[static_cast<size_t>(count)]();
}

void freeFaces(Face* faces, int32_t count)
{
    if (faces == nullptr)
        return;
    for (int32_t i = 0; i < count; ++i) {
        delete[] faces[i].vertices;
        delete[] faces[i].indices;
    }
    delete[] faces;
}
