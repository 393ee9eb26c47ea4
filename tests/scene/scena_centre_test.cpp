// The model centre and releasing a scene.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "scene/scena.h"

namespace kelpris {
namespace {

// A scene whose vertices have the given x (y = -x, z = 0) and a matching count.
Scena sceneWithX(const std::vector<int>& xs) {
    Scena s;
    for (int x : xs) {
        s.vertices.push_back({x, -x, 0});
    }
    s.vertexCount = static_cast<std::int32_t>(xs.size());
    return s;
}

TEST(CentreTest, truncatesMeanTowardZero) {
    Scena positive = sceneWithX({1, 2});
    positive.computeCentre();
    EXPECT_EQ(positive.centreX, 1);
    EXPECT_EQ(positive.centreY, -1);
    EXPECT_EQ(positive.centreZ, 0);
}

TEST(CentreTest, accumulatesInBlocksOfTenWithSinglePrecisionTotals) {
    // 30/31 added three times and 3/31 once, each rounded to float, ends
    // just below 3.
    Scena s = sceneWithX(std::vector<int>(31, 3));
    s.computeCentre();
    EXPECT_EQ(s.centreX, 2);
    EXPECT_EQ(s.centreY, -2);

    // Ten vertices are one whole block and an empty remainder; nine are a
    // remainder only. Both are exact here.
    for (int n : {9, 10, 11, 20}) {
        SCOPED_TRACE(n);
        Scena block = sceneWithX(std::vector<int>(static_cast<std::size_t>(n), 7));
        block.computeCentre();
        EXPECT_EQ(block.centreX, 7);
    }
}

TEST(CentreTest, isOriginWithoutVerticesOrCount) {
    Scena empty;
    empty.centreX = 5;
    empty.computeCentre();
    EXPECT_EQ(empty.centreX, 0);

    Scena noCount = sceneWithX({10, 10});
    noCount.vertexCount = 0;
    noCount.computeCentre();
    EXPECT_EQ(noCount.centreX, 0);
}

TEST(CentreTest, staysDefinedWhenCountDisagreesWithChain) {
    // Not produced by a load, but the public fields allow it: no walk past
    // the end, no overflowing sums.
    Scena s = sceneWithX(std::vector<int>(25, 2000000000));
    s.vertexCount = 5;  // no whole block: all 25 vertices are the remainder
    s.computeCentre();
    EXPECT_EQ(s.centreX, 2147483647);  // 1e10 saturates
    s.vertexCount = 1000;
    s.computeCentre();
    EXPECT_EQ(s.centreX, 50000000);
}

TEST(ClearTest, releasesRecordsAndKeepsModeAndCentre) {
    Scena s = sceneWithX({4, 8});
    s.faceModel = 1;
    s.faces.push_back(Face{{0, 1, 0, kNoCorner}});
    s.faceCount = 1;
    s.computeCentre();
    s.clear();
    EXPECT_TRUE(s.vertices.empty());
    EXPECT_TRUE(s.faces.empty());
    EXPECT_EQ(s.vertexCount, 0);
    EXPECT_EQ(s.faceCount, 0);
    EXPECT_EQ(s.faceModel, 1);
    EXPECT_EQ(s.centreX, 6);
}

}  // namespace
}  // namespace kelpris
