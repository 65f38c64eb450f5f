// Quaternion: every rotation of the program (frame orientations, the camera, the light).
// Stored w first; the identity is (1, 0, 0, 0). Composing nested frames is parent * child.
#pragma once

class Vector3;

class Quaternion {
public:
    float w = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Quaternion() = default;
    Quaternion(float w_, float x_, float y_, float z_) : w(w_), x(x_), y(y_), z(z_) {}
    virtual ~Quaternion() = default;
    Quaternion(const Quaternion&) = default;
    Quaternion& operator=(const Quaternion&) = default;

    Quaternion& set(float w_, float x_, float y_, float z_);
    // Rotation by angle (radians) about the axis; the axis is normalised here.
    Quaternion& setAxisAngle(float ax, float ay, float az, float angle);
    Quaternion& setRotationX(float angle);
    Quaternion& setRotationY(float angle);
    Quaternion& setRotationZ(float angle);
    // Hamilton product this * q.
    Quaternion product(const Quaternion& q) const;
    Quaternion& multiply(const Quaternion& q);
    Quaternion conjugate() const;
    // Orientation whose z axis points along direction and whose y axis leans towards up.
    Quaternion& setLookDirection(const Vector3& direction, float upX, float upY, float upZ);
};
