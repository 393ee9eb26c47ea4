#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "geometry/matrix4.h"
#include "geometry/scene_projection.h"
#include "scene/scena.h"

namespace kelpris {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// The viewer's angle constant and its initial view angles.
const float kPi = std::bit_cast<float>(0x40490FD8u);
const float kYaw = 0.0f;
const float kPitch = kPi / 2;

// A model centre away from the origin, so the translation matters.
constexpr std::int32_t kCx = 37;
constexpr std::int32_t kCy = -120;
constexpr std::int32_t kCz = 250;

Matrix4 stereoTransform() {
    Matrix4 m;
    m.translate(-kCx, -kCy, -kCz);
    m.rotateZ(-kYaw);
    m.rotateX(-kPitch);
    return m;
}

Matrix4 sideTransform() {
    Matrix4 m;
    m.translate(-kCx, -kCy, -kCz);
    m.rotateZ(static_cast<float>(-(static_cast<double>(kPi) / 2 + kYaw)));
    m.rotateX(static_cast<float>(-(static_cast<double>(kPi) / 2)));
    m.rotateZ(static_cast<float>(-(static_cast<double>(kPitch) - static_cast<double>(kPi) / 2)));
    m.flatten();
    return m;
}

Matrix4 planTransform() {
    Matrix4 m;
    m.translate(-kCx, -kCy, -kCz);
    m.rotateZ(static_cast<float>(-(static_cast<double>(kPi) / 2)));
    m.rotateX(-kPi);
    m.rotateZ(kYaw);
    m.flatten();
    return m;
}

// Preview box of a 640-pixel-wide client area: modelX 190, planeX 350.
StereoParams previewParams(std::int32_t eyeSign) {
    StereoParams p;
    p.depthOffset = 350 - 190;
    p.eyeDistance = 640 - 350 - 75;
    p.eyeShift = 10;
    p.eyeSign = eyeSign;
    p.scale = 0.2f;
    p.originX = 75;
    p.originY = 51;
    return p;
}

TEST(ProjectStereo, previewPlacesTheCentreBetweenTheEyes) {
    const Matrix4 m = stereoTransform();
    const StereoPoint right = m.projectStereo(kCx, kCy, kCz, previewParams(+1));
    const StereoPoint left = m.projectStereo(kCx, kCy, kCz, previewParams(-1));
    const StereoPoint axis = m.projectStereo(kCx, kCy, kCz, previewParams(0));
    EXPECT_EQ(right.x, 80);
    EXPECT_EQ(left.x, 70);
    EXPECT_EQ(axis.x, 75);
    for (const StereoPoint& p : {right, left, axis}) {
        EXPECT_EQ(p.y, 51);
        EXPECT_EQ(p.depth, 160);
    }
}

TEST(ProjectStereo, fartherPointsSeparateMoreBetweenTheEyes) {
    const Matrix4 m = stereoTransform();
    const StereoPoint right = m.projectStereo(kCx, kCy - 500, kCz, previewParams(+1));
    const StereoPoint left = m.projectStereo(kCx, kCy - 500, kCz, previewParams(-1));
    EXPECT_EQ(right.depth, 260);
    EXPECT_EQ(left.depth, 260);
    EXPECT_EQ(right.x, 81);
    EXPECT_EQ(left.x, 69);
    EXPECT_EQ(right.y, 51);
}

TEST(ProjectStereo, upOnTheModelIsUpOnTheScreen) {
    const Matrix4 m = stereoTransform();
    const StereoPoint p = m.projectStereo(kCx, kCy, kCz + 100, previewParams(0));
    EXPECT_LT(p.y, 51);
    EXPECT_EQ(p.depth, 160);
}

TEST(ProjectStereo, pointOnThePicturePlaneLooksTheSameToBothEyes) {
    // depthOffset 0 puts the untransformed point on the plane: k = 1.
    StereoParams p = previewParams(+1);
    p.depthOffset = 0;
    p.scale = 1.0f;
    const Matrix4 identity;
    const StereoPoint right = identity.projectStereo(-33, 12, 0, p);
    p.eyeSign = -1;
    const StereoPoint left = identity.projectStereo(-33, 12, 0, p);
    EXPECT_EQ(right.x, 75 - 33);
    EXPECT_EQ(left.x, 75 - 33);
    EXPECT_EQ(right.y, 51 - 12);
    EXPECT_EQ(right.depth, 0);
}

TEST(ProjectStereo, truncatesTowardZeroOnBothSides) {
    StereoParams p = previewParams(0);
    p.depthOffset = 0;
    p.scale = 0.1f;
    const Matrix4 identity;
    const StereoPoint neg = identity.projectStereo(-49, 49, 0, p);
    EXPECT_EQ(neg.x, 75 - 4);
    EXPECT_EQ(neg.y, 51 - 4);
    const StereoPoint pos = identity.projectStereo(49, -49, 0, p);
    EXPECT_EQ(pos.x, 75 + 4);
    EXPECT_EQ(pos.y, 51 + 4);
    // Depth -4.9 after scaling truncates to -4.
    EXPECT_EQ(identity.projectStereo(0, 0, -49, p).depth, -4);
}

TEST(ProjectParallel, sideViewShowsYToTheRightAndZUp) {
    const Matrix4 m = sideTransform();
    const Point centre = m.projectParallel(kCx, kCy, kCz, 0.2f, 190, 160);
    const Point alongY = m.projectParallel(kCx, kCy + 100, kCz, 0.2f, 190, 160);
    const Point alongZ = m.projectParallel(kCx, kCy, kCz + 100, 0.2f, 190, 160);
    EXPECT_EQ(centre.x, 190);
    EXPECT_EQ(centre.y, 160);
    EXPECT_EQ(alongY.x, 210);
    EXPECT_EQ(alongY.y, 160);
    EXPECT_EQ(alongZ.x, 190);
    EXPECT_EQ(alongZ.y, 140);
}

TEST(ProjectParallel, planViewShowsXUpAndYToTheRight) {
    const Matrix4 m = planTransform();
    const Point centre = m.projectParallel(kCx, kCy, kCz, 0.2f, 190, 480);
    const Point alongX = m.projectParallel(kCx + 100, kCy, kCz, 0.2f, 190, 480);
    const Point alongY = m.projectParallel(kCx, kCy + 100, kCz, 0.2f, 190, 480);
    EXPECT_EQ(centre.x, 190);
    EXPECT_EQ(centre.y, 480);
    EXPECT_EQ(alongX.x, 190);
    EXPECT_EQ(alongX.y, 460);
    EXPECT_EQ(alongY.x, 210);
    EXPECT_EQ(alongY.y, 480);
}

TEST(ProjectParallel, truncatesTowardZeroOnBothSides) {
    Matrix4 m;
    m.m[0][0] = 0.1f;
    m.m[1][1] = 0.1f;
    // x' = -4.9, y' = 4.9 (negated to -4.9 on screen).
    const Point p = m.projectParallel(-49, 49, 0, 1.0f, 100, 200);
    EXPECT_EQ(p.x, 100 - 4);
    EXPECT_EQ(p.y, 200 - 4);
}

TEST(ProjectParallel, truncatesTheScaledProductWithoutRoundingToFloat) {
    // 16777217 * 1 rounds to 16777216 as a float, but stays exact in double.
    Matrix4 m;
    m.m[0][0] = 16777216.0f;
    m.m[3][0] = 0.0f;
    EXPECT_EQ(m.projectParallel(1, 0, 0, 1.0f + 0x1p-23f, 0, 0).x, 16777218);
}

// ---------------------------------------------------------------------------
// Degenerate divisors and huge values must give defined, saturated integers.

TEST(ProjectStereo, eyeOnThePicturePlaneGivesDefinedValues) {
    StereoParams p = previewParams(+1);
    p.eyeDistance = 0;
    p.depthOffset = 0;
    p.scale = 1.0f;
    const Matrix4 identity;
    // pz 0 and eyeDistance 0: k is NaN, so both quotients become 0.
    const StereoPoint nan = identity.projectStereo(40, 40, 0, p);
    EXPECT_EQ(nan.x, 75 + 10);
    EXPECT_EQ(nan.y, 51);
    EXPECT_EQ(nan.depth, 0);
    // pz > 0: k is infinite, every point falls on the vanishing point.
    const StereoPoint far = identity.projectStereo(40, 40, 10, p);
    EXPECT_EQ(far.x, 75 + 10);
    EXPECT_EQ(far.y, 51);
    // pz < 0: k is -inf.
    EXPECT_EQ(identity.projectStereo(40, 40, -10, p).y, 51);
}

TEST(ProjectStereo, pointAtOrBehindTheEyeSaturates) {
    StereoParams p = previewParams(+1);
    p.depthOffset = 0;
    p.scale = 1.0f;
    p.eyeDistance = 100;
    const Matrix4 identity;
    // pz = -eyeDistance: k = 0, the quotients are infinite.
    const StereoPoint atEye = identity.projectStereo(50, 50, -100, p);
    EXPECT_EQ(atEye.x, kMax);
    EXPECT_EQ(atEye.y, kMin + 51);  // saturated quotient, then the origin
    EXPECT_EQ(atEye.depth, -100);
    p.eyeSign = -1;
    // 2*t1 - eyeShift - t2 with t1 = t2 = +max, saturated step by step.
    const StereoPoint leftAtEye = identity.projectStereo(50, 50, -100, p);
    EXPECT_EQ(leftAtEye.x, kMax);
    // Behind the eye k < 0: the picture flips but stays finite.
    const StereoPoint behind = identity.projectStereo(50, 50, -300, p);
    EXPECT_EQ(behind.y, 51 + 25);
}

TEST(ProjectStereo, hugeValuesSaturateInsteadOfWrapping) {
    StereoParams p;
    p.depthOffset = kMax;
    p.eyeDistance = 1;
    p.eyeShift = kMin;
    p.eyeSign = kMax;
    p.scale = 1e30f;
    p.originX = kMax;
    p.originY = kMin;
    Matrix4 m;
    m.translate(kMax, kMin, kMax);
    for (std::int32_t v : {kMin, -1, 0, kMax}) {
        const StereoPoint s = m.projectStereo(v, v, v, p);
        EXPECT_GE(s.x, kMin);  // reaching here without a sanitizer report is the test
        EXPECT_EQ(s.depth, kMax);
    }
    // Origin near the limit: the addition saturates.
    p = previewParams(+1);
    p.originX = kMax - 5;
    p.originY = kMin + 5;
    const StereoPoint edge = stereoTransform().projectStereo(kCx + 1000, kCy, kCz + 1000, p);
    EXPECT_EQ(edge.x, kMax);
    EXPECT_EQ(edge.y, kMin);
}

TEST(ProjectParallel, hugeValuesSaturateInsteadOfWrapping) {
    Matrix4 m;
    m.translate(kMax, kMin, 0);
    const Point p = m.projectParallel(kMax, kMin, 0, 1e30f, kMax, kMin);
    EXPECT_EQ(p.x, kMax);
    EXPECT_EQ(p.y, kMax + kMin);  // -py*scale is +inf -> max, plus min
    const Point q = m.projectParallel(kMin, kMax, 0, -1e30f, kMin, kMax);
    EXPECT_EQ(q.x, kMin);
    EXPECT_EQ(q.y, kMax);
    Matrix4 nan;
    nan.m[0][0] = std::numeric_limits<float>::infinity();
    EXPECT_EQ(nan.projectParallel(0, 0, 0, 1.0f, 7, 7).x, 7);  // inf * 0 is NaN -> 0
}

// ---------------------------------------------------------------------------
// Whole-scene projections.

Scena sceneWithVertices() {
    Scena s;
    for (std::int32_t i = 0; i < 50; ++i) {
        Vertex v;
        v.x = i * 37 - 900;
        v.y = 1000 - i * 41;
        v.z = (i * 53) % 2001 - 1000;
        s.vertices.push_back(v);
    }
    s.vertexCount = 50;
    s.centreX = kCx;
    s.centreY = kCy;
    s.centreZ = kCz;
    return s;
}

TEST(ProjectAll, parallelMatchesSinglePointsAndPlacesTheCentre) {
    const Scena s = sceneWithVertices();
    const Matrix4 m = sideTransform();
    std::vector<Point> points(s.vertices.size());
    const Point centre = projectParallel(s, m, 0.2f, 190, 160, points);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vertex& v = s.vertices[i];
        EXPECT_EQ(points[i], m.projectParallel(v.x, v.y, v.z, 0.2f, 190, 160));
    }
    EXPECT_EQ(centre, (Point{190, 160}));
}

// Buffers shorter than the vertex list are filled as far as they go and
// never past their end; depths are written only where asked for.
TEST(ProjectAll, stereoMatchesSinglePointsWithinTheBuffersGiven) {
    const Scena s = sceneWithVertices();
    const Matrix4 m = stereoTransform();
    const StereoParams params = previewParams(-1);
    struct Case {
        std::size_t points, depths;
    };
    for (const Case c : {Case{50, 50}, Case{50, 0}, Case{50, 20}, Case{30, 50}}) {
        std::vector<Point> points(c.points + 1, Point{-7, -7});
        std::vector<std::int32_t> depths(c.depths + 1, -7);
        projectStereo(s, m, params, std::span(points).first(c.points),
                      std::span(depths).first(c.depths));
        bool someDepthNonZero = false;
        for (std::size_t i = 0; i < c.points; ++i) {
            const Vertex& v = s.vertices[i];
            const StereoPoint p = m.projectStereo(v.x, v.y, v.z, params);
            EXPECT_EQ(points[i], (Point{p.x, p.y})) << i;
            if (i < c.depths) {
                EXPECT_EQ(depths[i], p.depth) << i;
                someDepthNonZero = someDepthNonZero || p.depth != 0;
            }
        }
        EXPECT_EQ(points[c.points], (Point{-7, -7}));
        EXPECT_EQ(depths[std::min(c.depths, c.points)], -7);
        EXPECT_EQ(someDepthNonZero, c.depths > 0);
    }
}

// Both eyes in one pass, and the parallel projection, go through wide lanes
// of four vertices and a one-by-one tail; both must give the single-point
// results bit for bit on the degenerate inputs too (NaN and infinite
// divisors, points at and behind the eye, values past float's exact integers
// and at the int32 limits), for any split between two threads and depth
// buffers that end anywhere.
TEST(ProjectAll, lanesMatchSinglePointsOnAwkwardInputs) {
    Scena s;
    for (const std::int32_t z :
         {0, 10, -10, -100, -300, 99, -101, 16777217, kMax, kMin, 1, -99, -16777217}) {
        s.vertices.push_back({z / 3 + 7, 50 - z / 2, z});
    }
    StereoParams onPlane = previewParams(+1);  // eye on the picture plane: k NaN or infinite
    onPlane.eyeDistance = 0;
    onPlane.depthOffset = 0;
    onPlane.scale = 1.0f;
    StereoParams nearEye = onPlane;  // vertices at, and behind, the eye
    nearEye.eyeDistance = 100;
    StereoParams huge = nearEye;
    huge.scale = 1e30f;
    huge.eyeShift = kMax;
    huge.originX = kMin;
    huge.originY = kMax;
    Matrix4 notANumber;
    notANumber.m[1][0] = std::numeric_limits<float>::infinity();
    const std::size_t n = s.vertices.size();
    for (const Matrix4& m : {Matrix4{}, stereoTransform(), notANumber}) {
        for (const StereoParams& params : {onPlane, nearEye, huge, previewParams(+1)}) {
            std::vector<Point> flat(n);
            projectParallel(s, m, params.scale, params.originX, params.originY, flat);
            for (std::size_t i = 0; i < n; ++i) {
                const Vertex& v = s.vertices[i];
                EXPECT_EQ(flat[i], m.projectParallel(v.x, v.y, v.z, params.scale, params.originX,
                                                     params.originY))
                    << i;
            }
            for (const std::size_t split : {std::size_t{0}, std::size_t{3}, std::size_t{6}, n}) {
                for (const std::size_t withDepth : {n, std::size_t{0}, std::size_t{5}}) {
                    std::vector<Point> right(n + 1, Point{-7, -7});
                    std::vector<Point> left(n + 1, Point{-7, -7});
                    std::vector<std::int32_t> depths(withDepth + 1, -7);
                    const StereoPairBuffers out{std::span(right).first(n), std::span(left).first(n),
                                                std::span(depths).first(withDepth)};
                    projectStereoPair(s, m, params, out, split, n);
                    projectStereoPair(s, m, params, out, 0, split);
                    for (std::size_t i = 0; i < n; ++i) {
                        const Vertex& v = s.vertices[i];
                        StereoParams eye = params;
                        eye.eyeSign = +1;
                        const StereoPoint r = m.projectStereo(v.x, v.y, v.z, eye);
                        eye.eyeSign = -1;
                        const StereoPoint l = m.projectStereo(v.x, v.y, v.z, eye);
                        EXPECT_EQ(right[i], (Point{r.x, r.y})) << i << " split " << split;
                        EXPECT_EQ(left[i], (Point{l.x, l.y})) << i << " split " << split;
                        if (i < withDepth) {
                            EXPECT_EQ(depths[i], r.depth) << i;
                        }
                    }
                    EXPECT_EQ(right[n], (Point{-7, -7}));
                    EXPECT_EQ(left[n], (Point{-7, -7}));
                    EXPECT_EQ(depths[withDepth], -7);
                    if (HasFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

TEST(ProjectAll, emptySceneStillProjectsTheCentre) {
    Scena s;
    s.centreX = kCx;
    s.centreY = kCy;
    s.centreZ = kCz + 100;
    std::vector<Point> points(4);
    EXPECT_EQ(projectParallel(s, sideTransform(), 0.2f, 190, 160, points), (Point{190, 140}));
    projectStereo(s, stereoTransform(), previewParams(+1), points, {});  // nothing to do
    EXPECT_EQ(points[0], Point{});
}

}  // namespace
}  // namespace kelpris
