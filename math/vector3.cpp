// Vector3 arithmetic in single precision.
#include "math/vector3.h"

#include <cmath>

#include "math/matrix4.h"
#include "math/quaternion.h"

Vector3& Vector3::set(float x_, float y_, float z_)
{
    x = x_;
    y = y_;
    z = z_;
    return *this;
}

Vector3& Vector3::setAll(float s)
{
    return set(s, s, s);
}

Vector3& Vector3::normalize()
{
    const float inv = 1.0f / std::sqrt(x * x + y * y + z * z);
    return scale(inv);
}

Vector3 Vector3::negated() const
{
    return {-x, -y, -z};
}

Vector3 Vector3::plus(const Vector3& v) const
{
    return {x + v.x, y + v.y, z + v.z};
}

Vector3& Vector3::add(const Vector3& v)
{
    return set(x + v.x, y + v.y, z + v.z);
}

Vector3 Vector3::minus(const Vector3& v) const
{
    return {x - v.x, y - v.y, z - v.z};
}

Vector3& Vector3::scale(float s)
{
    return set(x * s, y * s, z * s);
}

Vector3& Vector3::scaleBy(const Vector3& v)
{
    return set(x * v.x, y * v.y, z * v.z);
}

bool Vector3::equals(const Vector3& v) const
{
    return x == v.x && y == v.y && z == v.z;
}

float Vector3::dot(const Vector3& v) const
{
    return x * v.x + y * v.y + z * v.z;
}

Vector3 Vector3::cross(const Vector3& v) const
{
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
}

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

Vector3 Vector3::triangleNormal(const Vector3& b, const Vector3& c) const
{
    return b.minus(*this).cross(c.minus(b));
}

Vector3& Vector3::setTriangleNormal(const Vector3& b, const Vector3& c)
{
    *this = triangleNormal(b, c);
    return *this;
}

Vector3 Vector3::transformed(const Matrix4& m) const
{
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
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
