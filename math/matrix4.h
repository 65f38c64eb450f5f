// Matrix4: a 4 x 4 single-precision matrix in Direct3D's row-vector order (_11 .. _44 row by
// row, translation in the fourth row), handed to the device as it is. Built from a rotation,
// a scale and a translation just before drawing.
#pragma once

class Quaternion;
class Vector3;

class Matrix4 {
public:
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    Matrix4() = default;
    virtual ~Matrix4() = default;
    Matrix4(const Matrix4&) = default;
    Matrix4& operator=(const Matrix4&) = default;

    // All zero except the diagonal (v.x, v.y, v.z, 1).
    Matrix4& setScale(const Vector3& v);
    // The upper 3 x 3 from q; _14 = _24 = _34 = 0, _44 = 1; the fourth row's first three
    // elements are kept.
    Matrix4& setRotation(const Quaternion& q);
    // _41, _42, _43 only.
    Matrix4& setTranslation(const Vector3& v);
    // this * other, through the SSE path when the processor has SSE.
    Matrix4 product(const Matrix4& other) const;
    // this * R(q).
    Matrix4 productRotation(const Quaternion& q) const;

    const float* data() const { return &m[0][0]; }
};

// The two implementations of the product; exposed so that tests can compare them.
void multiplyMatricesScalar(const Matrix4& a, const Matrix4& b, Matrix4& out);
void multiplyMatricesSse(const Matrix4& a, const Matrix4& b, Matrix4& out);
