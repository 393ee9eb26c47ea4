// Compares the transform and both projections bit for bit with a plain
// reference written here, over a few hundred random matrices and points.
// The reference rounds through a volatile float, so no optimiser can merge
// or drop a rounding in it; the library must give the same bits under every
// build type (-O0, -O2, -O3, -march=native).

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "geometry/matrix4.h"
#include "geometry/scene_projection.h"
#include "scene/scena.h"

namespace kelpris {
namespace {

using Elements = float[4][4];

double roundedToFloat(double v) {
    volatile float f = static_cast<float>(v);
    return f;
}

// Truncation toward zero with saturation; NaN gives 0.
std::int64_t truncated(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int64_t>(v);
}

std::int64_t saturated(std::int64_t v) {
    return std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

// M := M * X, each R[i][j] a running sum rounded to float after every term.
void referenceAppend(Elements& m, const Elements& x) {
    float r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum = roundedToFloat(double{m[i][k]} * double{x[k][j]} + sum);
            }
            r[i][j] = static_cast<float>(sum);
        }
    }
    std::copy(&r[0][0], &r[0][0] + 16, &m[0][0]);
}

void referenceRotate(Elements& m, float angle, bool aboutZ) {
    const auto s = static_cast<float>(roundedToFloat(std::sin(double{angle})));
    const auto c = static_cast<float>(roundedToFloat(std::cos(double{angle})));
    const Elements rz = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const Elements rx = {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}};
    referenceAppend(m, aboutZ ? rz : rx);
}

// Column j of (x, y, z, 1) * M, summed left to right in double, one rounding.
double referenceColumn(const Elements& m, int j, std::int32_t x, std::int32_t y, std::int32_t z) {
    const double fx = roundedToFloat(x);
    const double fy = roundedToFloat(y);
    const double fz = roundedToFloat(z);
    double s = fx * m[0][j];
    s = s + fy * m[1][j];
    s = s + fz * m[2][j];
    s = s + 1.0 * m[3][j];
    return roundedToFloat(s);
}

Point referenceParallel(const Elements& m, std::int32_t x, std::int32_t y, std::int32_t z,
                        float scale, std::int32_t ox, std::int32_t oy) {
    const double px = referenceColumn(m, 0, x, y, z);
    const double py = referenceColumn(m, 1, x, y, z);
    return {static_cast<std::int32_t>(saturated(truncated(px * scale) + ox)),
            static_cast<std::int32_t>(saturated(truncated(-py * scale) + oy))};
}

StereoPoint referenceStereo(const Elements& m, std::int32_t x, std::int32_t y, std::int32_t z,
                            const StereoParams& p) {
    const double px = roundedToFloat(referenceColumn(m, 0, x, y, z) * p.scale);
    const double py = roundedToFloat(referenceColumn(m, 1, x, y, z) * p.scale);
    double pz = roundedToFloat(referenceColumn(m, 2, x, y, z) * p.scale);
    pz = roundedToFloat(p.depthOffset + pz);
    const double k = pz / p.eyeDistance + 1.0;
    const std::int64_t t1 = truncated(px / k);
    const std::int64_t t2 = truncated((px - p.eyeShift) / k);
    const std::int64_t spread = saturated(p.eyeShift - t1 + t2);
    const std::int64_t wx = saturated(t1 + saturated(p.eyeSign * spread));
    return {static_cast<std::int32_t>(saturated(wx + p.originX)),
            static_cast<std::int32_t>(saturated(truncated(-py / k) + p.originY)),
            static_cast<std::int32_t>(truncated(pz))};
}

// Draws from a fixed-seed generator; mt19937's output is the same on every
// platform, and only its raw words are used.
class Draw {
  public:
    std::int32_t between(std::int32_t low, std::int32_t high) {
        const auto span = static_cast<std::uint64_t>(std::int64_t{high} - low) + 1;
        return static_cast<std::int32_t>(low + static_cast<std::int64_t>(gen_() % span));
    }
    /// Uniform in [-limit, limit), with a float's worth of random bits.
    float signedUnit(float limit) {
        const double u = static_cast<double>(gen_() >> 8) / 16777216.0;
        return static_cast<float>((2.0 * u - 1.0) * limit);
    }

  private:
    std::mt19937 gen_{20261207u};
};

// Builds the same random chain into the library matrix and the reference.
void appendRandomSteps(Draw& draw, Matrix4& m, Elements& ref) {
    const int steps = draw.between(1, 8);
    for (int n = 0; n < steps; ++n) {
        switch (draw.between(0, 9)) {
            case 0: {
                const std::int32_t tx = draw.between(-5000, 5000);
                const std::int32_t ty = draw.between(-5000, 5000);
                const std::int32_t tz = draw.between(-5000, 5000);
                m.translate(tx, ty, tz);
                const Elements t = {
                    {1, 0, 0, 0},
                    {0, 1, 0, 0},
                    {0, 0, 1, 0},
                    {static_cast<float>(tx), static_cast<float>(ty), static_cast<float>(tz), 1}};
                referenceAppend(ref, t);
                break;
            }
            case 1: {
                m.flatten();
                const Elements f = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}};
                referenceAppend(ref, f);
                break;
            }
            default: {
                const float angle = draw.signedUnit(7.0f);
                const bool aboutZ = draw.between(0, 1) == 0;
                aboutZ ? m.rotateZ(angle) : m.rotateX(angle);
                referenceRotate(ref, angle, aboutZ);
                break;
            }
        }
    }
}

// Random starting elements, so the sums see arbitrary operands, not only
// products of rotations.
void randomElements(Draw& draw, Matrix4& m, Elements& ref) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = ref[i][j] = draw.signedUnit(i == 3 ? 3000.0f : 2.5f);
        }
    }
}

void expectSameBits(const Matrix4& m, const Elements& ref, int trial) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(m.m[i][j]),
                      std::bit_cast<std::uint32_t>(ref[i][j]))
                << "trial " << trial << " element " << i << "," << j << ": " << m.m[i][j] << " vs "
                << ref[i][j];
        }
    }
}

StereoParams randomStereoParams(Draw& draw) {
    StereoParams p;
    p.depthOffset = draw.between(-50, 800);
    p.eyeDistance = draw.between(1, 2000);
    p.eyeShift = draw.between(0, 60);
    p.eyeSign = draw.between(-1, 1);
    p.scale = draw.signedUnit(1.0f) + 1.1f;
    p.originX = draw.between(-100, 2000);
    p.originY = draw.between(-100, 2000);
    return p;
}

constexpr int kTrials = 300;
constexpr int kPointsPerTrial = 16;

TEST(ReferenceComparison, appendChainsMatchThePlainComputationBitForBit) {
    Draw draw;
    for (int trial = 0; trial < kTrials; ++trial) {
        Matrix4 m;
        Elements ref = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        if (trial % 2 == 1) {
            randomElements(draw, m, ref);
        }
        appendRandomSteps(draw, m, ref);
        expectSameBits(m, ref, trial);
        if (HasFailure()) {
            return;
        }
    }
}

TEST(ReferenceComparison, projectionsMatchThePlainComputation) {
    Draw draw;
    for (int trial = 0; trial < kTrials; ++trial) {
        Matrix4 m;
        Elements ref = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        randomElements(draw, m, ref);
        appendRandomSteps(draw, m, ref);
        const StereoParams params = randomStereoParams(draw);
        const float scale = params.scale;

        Scena scene;
        for (int n = 0; n < kPointsPerTrial; ++n) {
            // Mostly model range, sometimes far outside it.
            const std::int32_t range = n % 5 == 0 ? 3000000 : 1000;
            Vertex v;
            v.x = draw.between(-range, range);
            v.y = draw.between(-range, range);
            v.z = draw.between(-range, range);
            scene.vertices.push_back(v);
        }
        scene.centreX = draw.between(-1000, 1000);
        scene.centreY = draw.between(-1000, 1000);
        scene.centreZ = draw.between(-1000, 1000);

        std::vector<Point> parallel;
        std::vector<StereoPoint> stereo;
        for (const Vertex& v : scene.vertices) {
            const Point want =
                referenceParallel(ref, v.x, v.y, v.z, scale, params.originX, params.originY);
            const Point got =
                m.projectParallel(v.x, v.y, v.z, scale, params.originX, params.originY);
            EXPECT_EQ(got.x, want.x) << "trial " << trial;
            EXPECT_EQ(got.y, want.y) << "trial " << trial;
            parallel.push_back(want);

            const StereoPoint s = referenceStereo(ref, v.x, v.y, v.z, params);
            const StereoPoint gs = m.projectStereo(v.x, v.y, v.z, params);
            EXPECT_EQ(gs.x, s.x) << "trial " << trial;
            EXPECT_EQ(gs.y, s.y) << "trial " << trial;
            EXPECT_EQ(gs.depth, s.depth) << "trial " << trial;
            stereo.push_back(s);

            float ax = static_cast<float>(v.x);
            float ay = static_cast<float>(v.y);
            float az = static_cast<float>(v.z);
            float aw = 1.0f;
            m.apply(ax, ay, az, aw);
            const float applied[4] = {ax, ay, az, aw};
            for (int j = 0; j < 4; ++j) {
                EXPECT_EQ(std::bit_cast<std::uint32_t>(applied[j]),
                          std::bit_cast<std::uint32_t>(
                              static_cast<float>(referenceColumn(ref, j, v.x, v.y, v.z))))
                    << "trial " << trial << " column " << j;
            }
        }

        // The whole-scene loops inline the same arithmetic into a loop the
        // compiler may treat differently; they must agree too.
        std::vector<Point> points(scene.vertices.size());
        std::vector<std::int32_t> depths(scene.vertices.size());
        const Point centre =
            projectParallel(scene, m, scale, params.originX, params.originY, points);
        for (std::size_t n = 0; n < parallel.size(); ++n) {
            EXPECT_EQ(points[n], parallel[n]) << "trial " << trial;
        }
        EXPECT_EQ(centre, referenceParallel(ref, scene.centreX, scene.centreY, scene.centreZ, scale,
                                            params.originX, params.originY))
            << "trial " << trial;

        projectStereo(scene, m, params, points, depths);
        for (std::size_t n = 0; n < stereo.size(); ++n) {
            EXPECT_EQ(points[n], (Point{stereo[n].x, stereo[n].y})) << "trial " << trial;
            EXPECT_EQ(depths[n], stereo[n].depth) << "trial " << trial;
        }

        // Both eyes in one pass, in two ranges as two threads would split it.
        StereoParams eye = params;
        std::vector<Point> right(points.size());
        std::vector<Point> left(points.size());
        const std::size_t split = static_cast<std::size_t>(trial) % (points.size() + 1);
        projectStereoPair(scene, m, params, {right, left, depths}, 0, split);
        projectStereoPair(scene, m, params, {right, left, depths}, split, points.size());
        for (std::size_t n = 0; n < points.size(); ++n) {
            eye.eyeSign = +1;
            const StereoPoint r = referenceStereo(ref, scene.vertices[n].x, scene.vertices[n].y,
                                                  scene.vertices[n].z, eye);
            eye.eyeSign = -1;
            const StereoPoint l = referenceStereo(ref, scene.vertices[n].x, scene.vertices[n].y,
                                                  scene.vertices[n].z, eye);
            EXPECT_EQ(right[n], (Point{r.x, r.y})) << "trial " << trial;
            EXPECT_EQ(left[n], (Point{l.x, l.y})) << "trial " << trial;
            EXPECT_EQ(depths[n], r.depth) << "trial " << trial;
        }
        if (HasFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace kelpris
