// Matrix4: building transforms and the 4 x 4 product, with a four-wide SSE path.
#include "math/matrix4.h"

#include "math/cpu.h"
#include "math/quaternion.h"
#include "math/vector3.h"

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define VELLARN_HAVE_SSE_INTRINSICS 1
#endif

Matrix4& Matrix4::setScale(const Vector3& v)
{
    for (auto& row : m)
        for (float& e : row)
            e = 0.0f;
    m[0][0] = v.x;
    m[1][1] = v.y;
    m[2][2] = v.z;
    m[3][3] = 1.0f;
    return *this;
}

Matrix4& Matrix4::setRotation(const Quaternion& q)
{
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m[0][1] = 2.0f * (x * y + w * z);
    m[0][2] = 2.0f * (x * z - w * y);
    m[1][0] = 2.0f * (x * y - w * z);
    m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    m[1][2] = 2.0f * (y * z + w * x);
    m[2][0] = 2.0f * (x * z + w * y);
    m[2][1] = 2.0f * (y * z - w * x);
    m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    m[0][3] = m[1][3] = m[2][3] = 0.0f;
    m[3][3] = 1.0f;
    return *this;
}

Matrix4& Matrix4::setTranslation(const Vector3& v)
{
    m[3][0] = v.x;
    m[3][1] = v.y;
    m[3][2] = v.z;
    return *this;
}

void multiplyMatricesScalar(const Matrix4& a, const Matrix4& b, Matrix4& out)
{
    // Summed in the same order as the SSE path, so that both give identical bits.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = ((a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j]) + a.m[i][2] * b.m[2][j]) +
                          a.m[i][3] * b.m[3][j];
}

void multiplyMatricesSse(const Matrix4& a, const Matrix4& b, Matrix4& out)
{
#ifdef VELLARN_HAVE_SSE_INTRINSICS
    // Each result row is the rows of b weighted by the broadcast elements of a's row.
    const __m128 b0 = _mm_loadu_ps(b.m[0]);
    const __m128 b1 = _mm_loadu_ps(b.m[1]);
    const __m128 b2 = _mm_loadu_ps(b.m[2]);
    const __m128 b3 = _mm_loadu_ps(b.m[3]);
    for (int i = 0; i < 4; ++i) {
        __m128 r = _mm_mul_ps(_mm_set1_ps(a.m[i][0]), b0);
        r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][1]), b1));
        r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][2]), b2));
        r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][3]), b3));
        _mm_storeu_ps(out.m[i], r);
    }
#else
    multiplyMatricesScalar(a, b, out);
#endif
}

Matrix4 Matrix4::product(const Matrix4& other) const
{
    Matrix4 out;
    if (hasSse)
        multiplyMatricesSse(*this, other, out);
    else
        multiplyMatricesScalar(*this, other, out);
    return out;
}

Matrix4 Matrix4::productRotation(const Quaternion& q) const
{
    Matrix4 r;
    r.setRotation(q);
    return product(r);
}
