// Quaternion arithmetic: Hamilton product, axis-angle rotations and the look-direction
// orientation of the camera.
#include "math/quaternion.h"

#include <cmath>

#include "math/vector3.h"

Quaternion& Quaternion::set(float w_, float x_, float y_, float z_)
{
    w = w_;
    x = x_;
    y = y_;
    z = z_;
    return *this;
}

Quaternion& Quaternion::setAxisAngle(float ax, float ay, float az, float angle)
{
    const float inv = 1.0f / std::sqrt(ax * ax + ay * ay + az * az);
    const float s = std::sin(angle * 0.5f);
    return set(std::cos(angle * 0.5f), ax * inv * s, ay * inv * s, az * inv * s);
}

Quaternion& Quaternion::setRotationX(float angle)
{
    return setAxisAngle(1.0f, 0.0f, 0.0f, angle);
}

Quaternion& Quaternion::setRotationY(float angle)
{
    return setAxisAngle(0.0f, 1.0f, 0.0f, angle);
}

Quaternion& Quaternion::setRotationZ(float angle)
{
    return setAxisAngle(0.0f, 0.0f, 1.0f, angle);
}

Quaternion Quaternion::product(const Quaternion& q) const
{
    return {w * q.w - x * q.x - y * q.y - z * q.z, w * q.x + x * q.w + y * q.z - z * q.y,
            w * q.y - x * q.z + y * q.w + z * q.x, w * q.z + x * q.y - y * q.x + z * q.w};
}

Quaternion& Quaternion::multiply(const Quaternion& q)
{
    *this = product(q);
    return *this;
}

Quaternion Quaternion::conjugate() const
{
    return {w, -x, -y, -z};
}

Quaternion& Quaternion::setLookDirection(const Vector3& direction, float upX, float upY, float upZ)
{
    constexpr float kHalfPi = 1.5707964f;
    Vector3 d = direction;
    Vector3 u(upX, upY, upZ);

    // Tilt about x until the direction lies in the x-z plane.
    float aX = 0.0f;
    if (d.y != 0.0f || d.z != 0.0f) {
        aX = std::atan2(d.y, d.z);
        const float s = std::sin(aX);
        const float c = std::cos(aX);
        const float uy = u.y;
        const float uz = u.z;
        d.z = snapToZero(s * d.y + c * d.z);
        u.z = snapToZero(s * uy + c * uz);
        u.y = snapToZero(c * uy - s * uz);
    }
    // Turn about y until it points along z.
    float aY = 0.0f;
    if (d.x != 0.0f || d.z != 0.0f) {
        aY = std::atan2(d.z, d.x) - kHalfPi;
        u.x = snapToZero(std::cos(aY) * u.x + std::sin(aY) * u.z);
    }
    // Roll about z until up points along y.
    float aZ = 0.0f;
    if (u.x != 0.0f || u.y != 0.0f)
        aZ = std::atan2(u.y, u.x) - kHalfPi;

    setRotationX(-aX);
    multiply(Quaternion().setRotationY(-aY));
    multiply(Quaternion().setRotationZ(aZ));
    w = snapToZero(w);
    x = snapToZero(x);
    z = snapToZero(z);
    return *this;
}
