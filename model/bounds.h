// Bounds: the box around a mesh's corners, widened corner by corner. It starts empty (low above
// high), so that the first corner sets both.
#pragma once

#include <algorithm>

#include "math/vector3.h"

struct Bounds {
    static constexpr float kLargestFloat = 3.4028235e38f;

    Vector3 low{kLargestFloat, kLargestFloat, kLargestFloat};
    Vector3 high{-kLargestFloat, -kLargestFloat, -kLargestFloat};

    void widen(float x, float y, float z)
    {
        low.set(std::min(low.x, x), std::min(low.y, y), std::min(low.z, z));
        high.set(std::max(high.x, x), std::max(high.y, y), std::max(high.z, z));
    }
};
