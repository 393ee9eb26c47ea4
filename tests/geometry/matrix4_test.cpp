#include "geometry/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelpris {
namespace {

struct Point4 {
    float x, y, z, w;
};

Point4 applied(const Matrix4& m, float x, float y, float z, float w = 1.0f) {
    m.apply(x, y, z, w);
    return {x, y, z, w};
}

void expectSameElements(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(a.m[i][j], b.m[i][j]) << "element " << i << "," << j;
        }
    }
}

TEST(Matrix4, newAndResetTransformsLeavePointsUnchanged) {
    Matrix4 fresh;
    Matrix4 reset;
    reset.translate(5, 6, 7);
    reset.rotateZ(0.3f);
    reset.flatten();
    reset.setIdentity();
    for (const Matrix4* m : {&fresh, &reset}) {
        const Point4 p = applied(*m, -1000.0f, 3.0f, 999.0f);
        EXPECT_EQ(p.x, -1000.0f);
        EXPECT_EQ(p.y, 3.0f);
        EXPECT_EQ(p.z, 999.0f);
        EXPECT_EQ(p.w, 1.0f);
    }
}

TEST(Matrix4, zeroAngleRotationsKeepEveryElement) {
    Matrix4 m;
    m.translate(-12, 34, -56);
    m.rotateZ(0.7f);
    const Matrix4 before = m;
    m.rotateZ(0.0f);
    m.rotateX(0.0f);
    expectSameElements(m, before);
}

TEST(Matrix4, translateMovesTheOrigin) {
    Matrix4 m;
    m.translate(-7, 8, 1000);
    const Point4 p = applied(m, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(p.x, -7.0f);
    EXPECT_EQ(p.y, 8.0f);
    EXPECT_EQ(p.z, 1000.0f);
    EXPECT_EQ(p.w, 1.0f);
}

TEST(Matrix4, operationAppendedLastActsLast) {
    const float pi = 3.141592f;
    Matrix4 translateFirst;
    translateFirst.translate(10, 0, 0);
    translateFirst.rotateZ(pi / 2);
    const Point4 a = applied(translateFirst, 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR(a.x, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(a.y, 10.0f);
    EXPECT_EQ(a.z, 0.0f);

    Matrix4 rotateFirst;
    rotateFirst.rotateZ(pi / 2);
    rotateFirst.translate(10, 0, 0);
    const Point4 b = applied(rotateFirst, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(b.x, 10.0f);
    EXPECT_EQ(b.y, 0.0f);
    EXPECT_EQ(b.w, 1.0f);
}

TEST(Matrix4, rotationsTurnAxesTheRightWay) {
    // Rz: x' = x c - y s, y' = x s + y c; Rx: y' = y c - z s, z' = y s + z c.
    Matrix4 z;
    z.rotateZ(0.5f);
    const Point4 pz = applied(z, 1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(pz.x, std::cos(0.5f));
    EXPECT_FLOAT_EQ(pz.y, std::sin(0.5f));
    Matrix4 x;
    x.rotateX(0.5f);
    const Point4 px = applied(x, 0.0f, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(px.y, -std::sin(0.5f));
    EXPECT_FLOAT_EQ(px.z, std::cos(0.5f));
}

TEST(Matrix4, flattenDropsDepth) {
    Matrix4 m;
    m.translate(3, 4, 5);
    m.rotateX(0.4f);
    m.flatten();
    for (float z : {-1000.0f, 0.0f, 77.0f}) {
        EXPECT_EQ(applied(m, 12.0f, -9.0f, z).z, 0.0f);
    }
}

TEST(Matrix4, appendRoundsTheRunningSumAfterEveryTerm) {
    // R[0][0] = m00*c + m01*(-s): rounding the first product to float before
    // adding the second gives a different float than one rounding at the end.
    Matrix4 m;
    m.m[0][0] = 0x1.2265b2p+0f;
    m.m[0][1] = 0x1.09c8d4p+1f;
    m.rotateZ(0.5f);
    EXPECT_EQ(m.m[0][0], -0x1.9afc8ap-21f);
}

TEST(Matrix4, applyRoundsEachResultOnce) {
    // 2^24 + 1 + 1 is exact in double and representable in float; rounding
    // after each term would lose both ones (ties to even).
    Matrix4 m;
    m.m[1][0] = 1.0f;
    m.m[3][0] = 1.0f;
    const Point4 p = applied(m, 16777216.0f, 1.0f, 0.0f);
    EXPECT_EQ(p.x, 16777218.0f);
}

TEST(Matrix4, applyReadsAllInputsBeforeWriting) {
    // Swapping x and y only works if y' is computed from the old x.
    Matrix4 m;
    m.m[0][0] = 0.0f;
    m.m[0][1] = 1.0f;
    m.m[1][0] = 1.0f;
    m.m[1][1] = 0.0f;
    const Point4 p = applied(m, 2.0f, 5.0f, 0.0f);
    EXPECT_EQ(p.x, 5.0f);
    EXPECT_EQ(p.y, 2.0f);
}

TEST(Matrix4, sharedPiLeavesSmallCrossTerms) {
    const float pi = 3.141592f;
    Matrix4 m;
    m.rotateX(-(pi / 2));
    // cos(PI/2) with the shortened constant is about 3.27e-7, not 0.
    EXPECT_GT(m.m[1][1], 3.0e-7f);
    EXPECT_LT(m.m[1][1], 3.5e-7f);
    EXPECT_EQ(m.m[1][2], -1.0f);
}

}  // namespace
}  // namespace kelpris
