// Vector3: a single-precision point, direction or per-axis scale factor.
// Operations that produce a new value return it; those documented "in place" change this
// vector and return it. No operation allocates.
#pragma once

#include <cmath>

#include "math/matrix4.h"

class Quaternion;

// Values strictly between -kEpsilon and kEpsilon are snapped to exactly 0 where the math asks.
constexpr float kEpsilon = 1.1920929e-7f;  // 2^-23

class Vector3 {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    virtual ~Vector3() = default;
    Vector3(const Vector3&) = default;
    Vector3& operator=(const Vector3&) = default;

    Vector3& set(float x_, float y_, float z_);
    Vector3& setAll(float s);
    Vector3& normalize();
    Vector3 negated() const;
    Vector3 plus(const Vector3& v) const;
    Vector3& add(const Vector3& v);
    Vector3 minus(const Vector3& v) const;
    Vector3& scale(float s);
    Vector3& scaleBy(const Vector3& v);
    bool equals(const Vector3& v) const;
    float dot(const Vector3& v) const;
    Vector3 cross(const Vector3& v) const;
    // Angle in radians, 0..pi; 0 when either vector is (nearly) zero.
    float angleBetween(const Vector3& v) const;
    // (b - this) x (c - b), not normalised; this is the first corner.
    Vector3 triangleNormal(const Vector3& b, const Vector3& c) const;
    Vector3& setTriangleNormal(const Vector3& b, const Vector3& c);
    // The first three components of (x, y, z, 1) * m; no division by w.
    Vector3 transformed(const Matrix4& m) const;
    Vector3 rotated(const Quaternion& q) const;
    Vector3& rotate(const Quaternion& q);
};

// Returns 0 for values strictly inside (-kEpsilon, kEpsilon), else the value.
inline float snapToZero(float v)
{
    return (v > -kEpsilon && v < kEpsilon) ? 0.0f : v;
}

// The small operations are defined here so that the readers' per-corner arithmetic compiles
// inline; the results are those of the same operations out of line.
inline Vector3& Vector3::set(float x_, float y_, float z_)
{
    x = x_;
    y = y_;
    z = z_;
    return *this;
}

inline Vector3& Vector3::setAll(float s)
{
    return set(s, s, s);
}

inline Vector3& Vector3::normalize()
{
    const float inv = 1.0f / std::sqrt(x * x + y * y + z * z);
    return scale(inv);
}

inline Vector3 Vector3::negated() const
{
    return {-x, -y, -z};
}

inline Vector3 Vector3::plus(const Vector3& v) const
{
    return {x + v.x, y + v.y, z + v.z};
}

inline Vector3& Vector3::add(const Vector3& v)
{
    return set(x + v.x, y + v.y, z + v.z);
}

inline Vector3 Vector3::minus(const Vector3& v) const
{
    return {x - v.x, y - v.y, z - v.z};
}

inline Vector3& Vector3::scale(float s)
{
    return set(x * s, y * s, z * s);
}

inline Vector3& Vector3::scaleBy(const Vector3& v)
{
    return set(x * v.x, y * v.y, z * v.z);
}

inline bool Vector3::equals(const Vector3& v) const
{
    return x == v.x && y == v.y && z == v.z;
}

inline float Vector3::dot(const Vector3& v) const
{
    return x * v.x + y * v.y + z * v.z;
}

inline Vector3 Vector3::cross(const Vector3& v) const
{
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
}

inline Vector3 Vector3::triangleNormal(const Vector3& b, const Vector3& c) const
{
    return b.minus(*this).cross(c.minus(b));
}

inline Vector3& Vector3::setTriangleNormal(const Vector3& b, const Vector3& c)
{
    *this = triangleNormal(b, c);
    return *this;
}

inline Vector3 Vector3::transformed(const Matrix4& m) const
{
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
}

// True when no component is infinite or NaN.
inline bool isFinite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
