// Conversion of meshes into one model: joining, polygons, degenerate
// records, edge models, up axis and node transforms.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "import/mesh_builder.h"
#include "import/model_loader.h"

namespace kelpris::mesh {
namespace {

using Corners = std::vector<std::uint32_t>;
constexpr std::uint32_t N = kNoCorner;

// Positions 0..5 of a unit square with a point above it; 6 repeats 0 (an STL
// lists every corner again).
const std::vector<float> kPoints = {0, 0,    0, 1, 0, 0, 1, 1, 0, 0, 1,
                                    0, 0.5f, 2, 0, 3, 3, 3, 0, 0, 0};

MeshModel build(const std::vector<Corners>& primitives, UpAxis up = UpAxis::z,
                const std::vector<float>& points = kPoints) {
    MeshBuilder builder(up);
    EXPECT_TRUE(builder.usePositions(points, Affine{}));
    for (const Corners& p : primitives) {
        EXPECT_TRUE(builder.add(p)) << builder.message();
    }
    auto model = builder.finish();
    EXPECT_TRUE(model.has_value()) << builder.message();
    return model.value_or(MeshModel{});
}

TEST(MeshBuilder, RecordsAndJoining) {
    struct Case {
        const char* name;
        std::vector<Corners> input;
        Corners corners;       // expected, after renumbering by first use
        std::size_t vertices;  // expected vertex count
        ConversionCounts counts;
    };
    const Case cases[] = {
        {"triangle kept", {{2, 1, 0}}, {0, 1, 2, N}, 3, {}},
        {"quad kept, order of first use", {{3, 2, 1, 0}}, {0, 1, 2, 3}, 4, {}},
        {"repeated position joins (6 is 0)",
         {{0, 1, 2}, {6, 2, 3}},
         {0, 1, 2, N, 0, 2, 3, N},
         4,
         {}},
        {"pentagon becomes a fan",
         {{0, 1, 2, 4, 3}},
         {0, 1, 2, N, 0, 2, 3, N, 0, 3, 4, N},
         5,
         {0, 1, 0, 0}},
        {"two corners: dropped", {{0, 6, 1}, {0, 1, 2}}, {0, 1, 2, N}, 3, {1, 0, 0, 0}},
        {"repeat in a row collapses a quad to a triangle", {{0, 1, 1, 2}}, {0, 1, 2, N}, 3, {}},
        {"first equals last collapses too", {{0, 1, 2, 6}}, {0, 1, 2, N}, 3, {}},
        {"a b a b is degenerate", {{0, 1, 6, 1}, {1, 2, 3}}, {0, 1, 2, N}, 3, {1, 0, 0, 0}},
        {"points and lines beside faces are left out",
         {{5}, {0, 1}, {1, 2, 3}},
         {0, 1, 2, N},
         3,
         {0, 0, 1, 1}},
        {"a face naming a missing vertex is dropped and counted",
         {{0, 1, 7}, {1, 2, 3}},
         {0, 1, 2, N},
         3,
         {0, 0, 0, 0, 1}},
        {"vertices of dropped faces are not kept",
         {{5, 5, 4}, {1, 2, 3}},
         {0, 1, 2, N},
         3,
         {1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const MeshModel model = build(c.input);
        EXPECT_TRUE(model.faceModel) << c.name;
        EXPECT_EQ(model.corners, c.corners) << c.name;
        EXPECT_EQ(model.vertexCount(), c.vertices) << c.name;
        EXPECT_EQ(model.counts, c.counts) << c.name;
    }
}

TEST(MeshBuilder, VerticesListedInOrderOfFirstUse) {
    const MeshModel model = build({{5, 2, 6}, {1, 2, 5}});
    const std::vector<float> expected = {3, 3, 3, 1, 1, 0, 0, 0, 0, 1, 0, 0};
    EXPECT_EQ(model.xyz, expected);
    EXPECT_EQ(model.corners, (Corners{0, 1, 2, N, 3, 1, 0, N}));
}

TEST(MeshBuilder, LinesOnlyMakeAnEdgeModel) {
    const MeshModel model = build({{0, 1}, {1, 2}, {2, 2}, {6, 0}, {4}});
    EXPECT_FALSE(model.faceModel);
    EXPECT_EQ(model.corners, (Corners{0, 1, 1, 2}));
    EXPECT_EQ(model.counts.degenerateDropped, 2u);  // 2-2 and 6-0 (same point)
    EXPECT_EQ(model.counts.pointsIgnored, 1u);
}

TEST(MeshBuilder, PointsAloneBecomeLinesFromEachPointToItself) {
    // 6 is the same position as 0: one point.
    const MeshModel model = build({{4}, {0}, {6}, {2}});
    EXPECT_FALSE(model.faceModel);
    EXPECT_EQ(model.corners, (Corners{0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(model.xyz, (std::vector<float>{0.5f, 2, 0, 0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(model.counts, ConversionCounts{});
}

TEST(MeshBuilder, NothingToShowIsAnErrorThatSaysWhatWasDropped) {
    const std::pair<std::vector<Corners>, const char*> cases[] = {
        {{}, "the file holds no faces, lines or points"},
        {{{0, 6}}, "no faces, lines or points are left: 1 degenerate face dropped"},
        {{{0, 6, 0}}, "no faces, lines or points are left: 1 degenerate face dropped"},
        {{{0, 99}},
         "no faces, lines or points are left: 1 face dropped for naming a vertex the file lacks"},
    };
    for (const auto& [input, message] : cases) {
        MeshBuilder builder(UpAxis::z);
        ASSERT_TRUE(builder.usePositions(kPoints, Affine{}));
        for (const Corners& p : input) {
            ASSERT_TRUE(builder.add(p));
        }
        EXPECT_FALSE(builder.finish().has_value());
        EXPECT_EQ(builder.error(), BuildError::noGeometry);
        EXPECT_EQ(builder.message(), message);
    }
}

// Corners given by position (as STL lists them) must join and number
// exactly as the same corners given by index: the joining table against
// the indexed path, on a soup large enough to grow the table many times.
TEST(MeshBuilder, CornersByPositionJoinAsCornersByIndex) {
    std::vector<float> soup;
    std::vector<Corners> byIndex;
    for (std::uint32_t t = 0; t < 20000; ++t) {
        Corners tri;
        for (std::uint32_t k = 0; k < 3; ++k) {
            // Many repeats; every fifth triangle has all corners alike.
            const std::uint32_t p = (t * 7 + (t % 5 == 0 ? 0 : k * 13)) % 9001;
            soup.insert(soup.end(), {float(p % 31), float(p / 31) * 0.5f, p % 2 ? -0.0f : 0.0f});
            tri.push_back(t * 3 + k);
        }
        byIndex.push_back(tri);
    }
    const MeshModel indexed = build(byIndex, UpAxis::y, soup);
    MeshBuilder builder(UpAxis::y);
    for (std::size_t t = 0; t < byIndex.size(); ++t) {
        ASSERT_TRUE(builder.addCorners(std::span(soup).subspan(t * 9, 9)));
    }
    const MeshModel direct = *builder.finish();
    EXPECT_EQ(direct.xyz, indexed.xyz);
    EXPECT_EQ(direct.corners, indexed.corners);
    EXPECT_EQ(direct.counts, indexed.counts);
    EXPECT_GT(indexed.counts.degenerateDropped, 0u);
}

TEST(MeshBuilder, UpAxisTurnsToZ) {
    // The point (1, 2, 3) and the origin, one line between them.
    const std::vector<float> points = {1, 2, 3, 0, 0, 0};
    struct Case {
        UpAxis up;
        std::vector<float> first;
    };
    // y up: up (y) becomes z and the front (+z) faces +y; a proper rotation.
    for (const Case& c :
         {Case{UpAxis::z, {1, 2, 3}}, Case{UpAxis::y, {-1, 3, 2}}, Case{UpAxis::x, {2, 3, 1}}}) {
        const MeshModel model = build({{0, 1}}, c.up, points);
        EXPECT_EQ(std::vector<float>(model.xyz.begin(), model.xyz.begin() + 3), c.first);
    }
}

TEST(MeshBuilder, TransformsApplyBeforeJoiningAndCanBeChained) {
    Affine shift;  // x + 10
    shift.m[3] = 10;
    Affine twice;  // 2x, 2y, 2z
    twice.m[0] = twice.m[5] = twice.m[10] = 2;
    MeshBuilder builder(UpAxis::z);
    const std::vector<float> tri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    ASSERT_TRUE(builder.usePositions(tri, twice.then(shift)));  // shift first, then double
    ASSERT_TRUE(builder.add(std::vector<std::uint32_t>{0, 1, 2}));
    ASSERT_TRUE(builder.usePositions(tri, Affine{}));  // the same triangle untransformed
    ASSERT_TRUE(builder.add(std::vector<std::uint32_t>{0, 1, 2}));
    const MeshModel model = *builder.finish();
    const std::vector<float> expected = {20, 0, 0, 22, 0, 0, 20, 2, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
    EXPECT_EQ(model.xyz, expected);
}

TEST(MeshBuilder, NegativeZeroJoinsWithZero) {
    const std::vector<float> points = {0, 0, 0, -0.0f, 0, -0.0f, 1, 0, 0, 0, 1, 0};
    const MeshModel model = build({{0, 2, 3}, {1, 3, 2}}, UpAxis::z, points);
    EXPECT_EQ(model.vertexCount(), 3u);
}

TEST(MeshBuilder, RejectsBadInput) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float bad : {inf, -inf, nan}) {
        MeshBuilder builder(UpAxis::z);
        EXPECT_FALSE(builder.usePositions(std::vector<float>{0, 0, 0, 1, bad, 0}, Affine{}));
        EXPECT_EQ(builder.error(), BuildError::notFinite);
        EXPECT_EQ(builder.message(), "vertex 2 has a coordinate that is not finite");
    }
    Affine huge;
    huge.m[0] = 1e38;
    MeshBuilder overflow(UpAxis::z);
    EXPECT_FALSE(overflow.usePositions(std::vector<float>{1e10f, 0, 0}, huge));
    EXPECT_EQ(overflow.error(), BuildError::notFinite);

    MeshBuilder corners(UpAxis::z);
    EXPECT_FALSE(corners.addCorners(std::vector<float>{0, 0, 0, 1, 0, 0, 0, nan, 0}));
    EXPECT_EQ(corners.error(), BuildError::notFinite);
}

TEST(MeshBuilder, NoteSaysWhatWasLeftOut) {
    EXPECT_EQ(conversionNote({}), "");
    EXPECT_EQ(conversionNote({1, 0, 0, 0}), "1 degenerate face dropped");
    EXPECT_EQ(conversionNote({2, 1, 3, 1, 4}),
              "2 degenerate faces dropped, 4 faces dropped for naming a vertex the file lacks, "
              "1 polygon split into triangles, 3 lines left out beside the faces, 1 point left "
              "out");
}

TEST(MeshBuilder, UpAxisNamesReadBack) {
    for (const UpAxis axis : {UpAxis::x, UpAxis::y, UpAxis::z, UpAxis::automatic}) {
        EXPECT_EQ(parseUpAxis(upAxisName(axis)), axis);
    }
    EXPECT_EQ(parseUpAxis("Y"), UpAxis::y);
    EXPECT_EQ(parseUpAxis("AUTO"), UpAxis::automatic);
    for (const char* bad : {"", "yz", "au", "w"}) {
        EXPECT_FALSE(parseUpAxis(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace kelpris::mesh
