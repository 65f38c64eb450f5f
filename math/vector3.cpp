// Vector3: the operations built on an arccosine or a quaternion (the rest are inline).
#include "math/vector3.h"

#include <cmath>

#include "math/quaternion.h"

float Vector3::angleBetween(const Vector3& v) const
{
    const float n = std::sqrt(dot(*this) * v.dot(v));
    if (n > -kEpsilon && n < kEpsilon)
        return 0.0f;
    float c = dot(v) / n;
    // Rounding can push the cosine of parallel vectors just past 1.
    if (c > 1.0f)
        c = 1.0f;
    if (c < -1.0f)
        c = -1.0f;
    return std::acos(c);
}

Vector3 Vector3::rotated(const Quaternion& q) const
{
    const Quaternion r = q.product(Quaternion(0.0f, x, y, z)).product(q.conjugate());
    return {r.x, r.y, r.z};
}

Vector3& Vector3::rotate(const Quaternion& q)
{
    *this = rotated(q);
    return *this;
}
