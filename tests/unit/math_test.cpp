// Vector3, Quaternion and Matrix4: the worked examples and the agreement of the SSE and scalar
// matrix products.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#if defined(_MSC_VER)
#include <intrin.h>
#elif defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "math/cpu.h"
#include "math/matrix4.h"
#include "math/quaternion.h"
#include "math/vector3.h"

namespace {

constexpr float kPi = 3.14159265f;

void expectNear(const Vector3& v, float x, float y, float z, float tol = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Vector3, AngleBetweenEdgeCases)
{
    EXPECT_EQ(Vector3(0, 0, 0).angleBetween(Vector3(1, 0, 0)), 0.0f);
    EXPECT_EQ(Vector3(1, 0, 0).angleBetween(Vector3(0, 0, 0)), 0.0f);
    EXPECT_FLOAT_EQ(Vector3(1, 0, 0).angleBetween(Vector3(-1, 0, 0)), kPi);
    EXPECT_FLOAT_EQ(Vector3(1, 0, 0).angleBetween(Vector3(0, 5, 0)), kPi / 2);
    // Parallel vectors whose cosine rounds above 1 are clamped instead of giving NaN.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(0.01f, 10.0f);
    for (int i = 0; i < 1000; ++i) {
        Vector3 c(dist(rng), dist(rng), dist(rng));
        Vector3 d = c;
        d.scale(dist(rng));
        const float angle = c.angleBetween(d);
        ASSERT_FALSE(std::isnan(angle));
        EXPECT_LT(angle, 1e-3f);
    }
}

TEST(Vector3, TriangleNormalAndTransforms)
{
    expectNear(Vector3(0, 0, 0).triangleNormal(Vector3(1, 0, 0), Vector3(1, 1, 0)), 0, 0, 1);
    Vector3 a(0, 0, 0);
    a.setTriangleNormal(Vector3(1, 0, 0), Vector3(1, 1, 0));
    expectNear(a, 0, 0, 1);

    Matrix4 m;
    m.setTranslation(Vector3(1, 2, 3));
    expectNear(Vector3(4, 5, 6).transformed(m), 5, 7, 9);

    Vector3 n(3, 0, 4);
    n.normalize();
    expectNear(n, 0.6f, 0, 0.8f);
    EXPECT_TRUE(Vector3(1, 2, 3).plus(Vector3(1, 1, 1)).equals(Vector3(2, 3, 4)));
    EXPECT_TRUE(Vector3(1, 2, 3).minus(Vector3(1, 1, 1)).equals(Vector3(0, 1, 2)));
    EXPECT_TRUE(Vector3(1, 2, 3).scaleBy(Vector3(2, 3, 4)).equals(Vector3(2, 6, 12)));
    EXPECT_TRUE(Vector3(1, -2, 3).negated().equals(Vector3(-1, 2, -3)));
}

TEST(Quaternion, RotationsAgreeWithMatrix)
{
    Quaternion q;
    q.setRotationZ(kPi / 2);
    expectNear(Vector3(1, 0, 0).rotated(q), 0, 1, 0);

    // The matrix built from a quaternion rotates row vectors exactly as the quaternion does.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (int i = 0; i < 50; ++i) {
        Quaternion r;
        r.setAxisAngle(dist(rng), dist(rng), dist(rng) + 2.0f, dist(rng) * kPi);
        Matrix4 m;
        m.setRotation(r);
        const Vector3 v(dist(rng), dist(rng), dist(rng));
        const Vector3 byQ = v.rotated(r);
        const Vector3 byM = v.transformed(m);
        expectNear(byM, byQ.x, byQ.y, byQ.z, 1e-5f);
    }

    Matrix4 identity;
    identity.setRotation(Quaternion());
    EXPECT_EQ(std::memcmp(identity.data(), Matrix4().data(), sizeof(float) * 16), 0);
}

TEST(Quaternion, SetRotationKeepsTranslation)
{
    Matrix4 m;
    m.setTranslation(Vector3(7, 8, 9));
    Quaternion q;
    q.setRotationY(0.5f);
    m.setRotation(q);
    expectNear(Vector3(0, 0, 0).transformed(m), 7, 8, 9);
}

TEST(Quaternion, LookDirectionExamples)
{
    // The camera at (0, 0, 300) looking at the origin: a half turn about y, snapped exactly.
    Quaternion q;
    q.setLookDirection(Vector3(0, 0, -300), 0, 1, 0);
    EXPECT_EQ(q.w, 0.0f);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_FLOAT_EQ(q.y, -1.0f);
    EXPECT_EQ(q.z, 0.0f);

    // In general z goes to the direction and y stays towards up.
    const Vector3 dirs[] = {{1, 0, 0}, {0, 0, 1}, {1, 2, 3}, {-2, 0.5f, -1}};
    for (const Vector3& d : dirs) {
        Quaternion r;
        r.setLookDirection(d, 0, 1, 0);
        Vector3 unit = d;
        unit.normalize();
        const Vector3 z = Vector3(0, 0, 1).rotated(r);
        expectNear(z, unit.x, unit.y, unit.z, 1e-5f);
        EXPECT_GT(Vector3(0, 1, 0).rotated(r).y, 0.0f);
    }

    // With any up: z goes to the direction, y to the part of up across it.
    const struct {
        Vector3 direction, up;
    } cases[] = {
        {{0, 0, 1}, {0, -1, 0}},     {{0, 0, -1}, {1, 0, 0}}, {{1, 2, 3}, {0, 0, 1}},
        {{-2, 0.5f, -1}, {1, 1, 0}}, {{0, 1, 0}, {0, 0, -1}}, {{3, -1, 2}, {-1, 2, 0.5f}},
    };
    for (const auto& c : cases) {
        Quaternion r;
        r.setLookDirection(c.direction, c.up.x, c.up.y, c.up.z);
        Vector3 z = c.direction;
        z.normalize();
        Vector3 across = z;
        across.scale(c.up.dot(z));
        Vector3 y = c.up.minus(across);
        y.normalize();
        const Vector3 gotZ = Vector3(0, 0, 1).rotated(r);
        const Vector3 gotY = Vector3(0, 1, 0).rotated(r);
        expectNear(gotZ, z.x, z.y, z.z, 1e-5f);
        expectNear(gotY, y.x, y.y, y.z, 1e-5f);
    }
}

TEST(Matrix4, SseProductEqualsScalarBitForBit)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
    for (int i = 0; i < 200; ++i) {
        Matrix4 a, b;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                a.m[r][c] = dist(rng);
                b.m[r][c] = dist(rng);
            }
        Matrix4 scalar, sse;
        multiplyMatricesScalar(a, b, scalar);
        multiplyMatricesSse(a, b, sse);
        ASSERT_EQ(std::memcmp(scalar.data(), sse.data(), sizeof(float) * 16), 0);
        EXPECT_EQ(std::memcmp(a.product(b).data(), scalar.data(), sizeof(float) * 16), 0);
    }
}

TEST(Matrix4, ProductComposesTransforms)
{
    Matrix4 scale;
    scale.setScale(Vector3(2, 3, 4));
    Matrix4 move;
    move.setTranslation(Vector3(1, 1, 1));
    // Row vectors: scale first, then translate.
    expectNear(Vector3(1, 1, 1).transformed(scale.product(move)), 3, 4, 5);
    Quaternion q;
    q.setRotationZ(kPi / 2);
    expectNear(Vector3(1, 0, 0).transformed(Matrix4().productRotation(q)), 0, 1, 0);
}

TEST(Cpu, SseFlagMatchesProcessor)
{
    // The processor's own answer, asked here with the compiler's CPUID macro rather than the
    // helper the program uses: leaf 1, EDX bit 25.
#if defined(_MSC_VER)
    int regs[4] = {};
    __cpuid(regs, 0);
    ASSERT_GE(regs[0], 1) << "no CPUID leaf 1";
    __cpuid(regs, 1);
    const int32_t processor = (regs[3] >> 25) & 1;
#elif defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    ASSERT_GE(eax, 1u) << "no CPUID leaf 1";
    __cpuid(1, eax, ebx, ecx, edx);
    const int32_t processor = static_cast<int32_t>((edx >> 25) & 1);
#else
    const int32_t processor = 0;  // no SSE outside x86
#endif
    initCpuFlags();
    EXPECT_EQ(hasSse, processor);
    EXPECT_EQ(readSseFlag(), processor);
}
