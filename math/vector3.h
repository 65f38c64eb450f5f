// Vector3: a single-precision point, direction or per-axis scale factor.
// Operations that produce a new value return it; those documented "in place" change this
// vector and return it. No operation allocates.
#pragma once

#include <cmath>

class Matrix4;
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

// True when no component is infinite or NaN.
inline bool isFinite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
