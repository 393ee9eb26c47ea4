// The depth order of faces: deepest first, ties as a one-by-one insertion
// into a sorted list would place them.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "scene/depth_order.h"

namespace kelpris {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Faces whose mean depths are `depths`: face i uses vertex i as every corner
// of a triangle, and vertex i has depth depths[i].
std::vector<Face> facesOnTheirOwnVertex(std::size_t n) {
    std::vector<Face> faces(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint32_t>(i);
        faces[i] = Face{{v, v, v, kNoCorner}};
    }
    return faces;
}

// The one-by-one insertion the order is defined by, done literally: (face
// position, depth) pairs.
std::vector<std::pair<std::uint32_t, std::int32_t>> insertOneByOne(
    const std::vector<std::int32_t>& depths) {
    std::vector<std::pair<std::uint32_t, std::int32_t>> list;
    for (std::size_t i = 0; i < depths.size(); ++i) {
        const std::pair entry{static_cast<std::uint32_t>(i), depths[i]};
        const std::int32_t d = depths[i];
        if (list.empty()) {
            list.push_back(entry);
        } else if (list.size() == 1) {
            if (list[0].second > d) {
                list.push_back(entry);
            } else {
                list.insert(list.begin(), entry);
            }
        } else if (d > list[0].second) {
            list.insert(list.begin(), entry);
        } else {
            std::size_t at = 1;
            while (at < list.size() && list[at].second > d) {
                ++at;
            }
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
    }
    return list;
}

// Runs the two tasks on two threads, as the paint's worker does.
const RunBoth onTwoThreads = [](const std::function<void()>& beside,
                                const std::function<void()>& here) {
    std::thread other(beside);
    here();
    other.join();
};

std::vector<std::pair<std::uint32_t, std::int32_t>> entries(const DepthOrder& order) {
    EXPECT_EQ(order.TRIEDENE_STENY.size(), order.depths.size());
    std::vector<std::pair<std::uint32_t, std::int32_t>> out;
    for (std::size_t i = 0; i < order.size(); ++i) {
        out.emplace_back(order.TRIEDENE_STENY[i], order.depths[i]);
    }
    return out;
}

// Face numbers (1-based, file order) in depth order.
std::vector<int> order(const std::vector<std::int32_t>& depths) {
    DepthOrder result;
    orderFaces(facesOnTheirOwnVertex(depths.size()), depths, result);
    std::vector<int> out;
    for (const std::uint32_t face : result.TRIEDENE_STENY) {
        out.push_back(static_cast<int>(face) + 1);
    }
    return out;
}

using V = std::vector<int>;

TEST(DepthOrder, ordersDeepestFirst) {
    EXPECT_EQ(order({1, 2, 3}), (V{3, 2, 1}));
    EXPECT_EQ(order({3, 1, 2}), (V{1, 3, 2}));
    EXPECT_EQ(order({-5, 0, -7, 4}), (V{4, 2, 1, 3}));
}

TEST(DepthOrder, ordersEqualDepthsAsOneByOneInsertion) {
    EXPECT_EQ(order({4}), (V{1}));
    EXPECT_EQ(order({4, 4}), (V{2, 1}));
    EXPECT_EQ(order({4, 4, 4}), (V{2, 3, 1}));
    EXPECT_EQ(order({4, 4, 4, 4}), (V{2, 4, 3, 1}));
    EXPECT_EQ(order({4, 4, 4, 4, 4, 4}), (V{2, 6, 5, 4, 3, 1}));
    // A later equal of the head goes directly after it.
    EXPECT_EQ(order({7, 5, 7}), (V{1, 3, 2}));
    EXPECT_EQ(order({5, 7, 5, 7}), (V{2, 4, 3, 1}));
    // Below the head, an equal goes in front of its group.
    EXPECT_EQ(order({9, 3, 3, 3}), (V{1, 4, 3, 2}));
    // A group that was the head group and later is not mixes both rules.
    EXPECT_EQ(order({3, 3, 3, 8, 3}), (V{4, 5, 2, 3, 1}));
}

TEST(DepthOrder, meanDepthTruncatesTowardZeroWithoutOverflow) {
    struct Case {
        std::vector<std::int32_t> vertexDepths;
        Face face;
        std::int32_t mean;
    };
    // Corner depths at the int32 limits come from degenerate projections;
    // their sum does not fit in 32 bits.
    const Case cases[] = {
        {{1, 1, 2}, Face{{0, 1, 2, kNoCorner}}, 1},
        {{-1, -1, -1, -2}, Face{{0, 1, 2, 3}}, -1},  // -5/4 = -1, not -2
        {{kMax}, Face{{0, 0, 0, 0}}, kMax},
        {{kMin}, Face{{0, 0, 0, kNoCorner}}, kMin},
        {{kMax, -7}, Face{{0, 0, 1, kNoCorner}}, 1431655762},  // (2*max - 7) / 3
        {{kMax, kMin, -7}, Face{{0, 1, 2, 2}}, -3},            // (-1 - 14) / 4
    };
    for (const Case& c : cases) {
        DepthOrder result;
        orderFaces(std::vector<Face>{c.face}, c.vertexDepths, result);
        EXPECT_EQ(entries(result),
                  (std::vector<std::pair<std::uint32_t, std::int32_t>>{{0, c.mean}}));
    }
}

// A face naming a vertex without a depth cannot be placed: it is left out,
// and the others keep the order they would have without it.
TEST(DepthOrder, facesWithACornerOutsideTheDepthsAreLeftOut) {
    const std::vector<std::int32_t> depths{5, 9, 5};
    const std::vector<Face> faces{Face{{0, 0, 0, kNoCorner}}, Face{{0, 1, 7, kNoCorner}},
                                  Face{{1, 1, 1, kNoCorner}}, Face{{2, 2, 2, 3}},
                                  Face{{2, 2, 2, kNoCorner}}};
    DepthOrder result;
    orderFaces(faces, depths, result);
    EXPECT_EQ(entries(result),
              (std::vector<std::pair<std::uint32_t, std::int32_t>>{{2, 9}, {4, 5}, {0, 5}}));
}

TEST(DepthOrder, matchesOneByOneInsertionOnRandomDepths) {
    std::mt19937 rng(20240611);
    struct Range {
        std::int32_t lo, hi;
    };
    const Range ranges[] = {{0, 0},   {0, 1},          {-2, 2},     {-10, 10},
                            {0, 100}, {-40000, 40000}, {kMin, kMax}};
    for (const Range& r : ranges) {
        std::uniform_int_distribution<std::int32_t> depth(r.lo, r.hi);
        for (int round = 0; round < 60; ++round) {
            const auto n = static_cast<std::size_t>(rng() % 201);
            std::vector<std::int32_t> depths(n);
            for (auto& d : depths) {
                d = depth(rng);
            }
            DepthOrder result;
            orderFaces(facesOnTheirOwnVertex(n), depths, result);
            ASSERT_EQ(entries(result), insertOneByOne(depths))
                << "range " << r.lo << ".." << r.hi << ", n " << n;
        }
    }
}

TEST(DepthOrder, matchesOneByOneInsertionOnLargeTiedLists) {
    // Enough faces that every digit of the depth key varies somewhere.
    std::mt19937 rng(7);
    std::vector<std::int32_t> depths(3000);
    for (auto& d : depths) {
        const std::int32_t pick = static_cast<std::int32_t>(rng() % 6);
        d = pick == 0 ? kMin : pick == 1 ? kMax : (pick - 3) * 700000;
    }
    DepthOrder result;
    orderFaces(facesOnTheirOwnVertex(depths.size()), depths, result);
    EXPECT_EQ(entries(result), insertOneByOne(depths));
}

// The order is written over whole each time: nothing of an earlier order,
// of the same size, longer or shorter, survives into the new one.
TEST(DepthOrder, anEarlierOrderLeavesNoTrace) {
    std::mt19937 rng(99);
    for (const std::size_t n : {0u, 1u, 2u, 7u, 150u}) {
        for (const std::size_t before : {n, n + 3, n / 2}) {
            std::vector<std::int32_t> depths(n);
            for (auto& d : depths) {
                d = static_cast<std::int32_t>(rng() % 9) - 4;
            }
            DepthOrder result;
            result.TRIEDENE_STENY.assign(before, 12345);
            result.depths.assign(before, 12345);
            orderFaces(facesOnTheirOwnVertex(n), depths, result);
            ASSERT_EQ(entries(result), insertOneByOne(depths)) << n << " over " << before;
        }
    }
}

// Two threads share a long list's work: the order must be the one thread's,
// whatever the ties, the key width, or where the unplaceable faces lie.
TEST(DepthOrder, twoThreadsGiveTheOneThreadOrder) {
    constexpr std::size_t kFaces = 70001;
    struct Case {
        const char* name;
        std::int32_t lo, hi;
        bool rising;  // each depth above the last: the head changes all the time
        std::size_t unplacedFrom, unplacedTo;
    };
    const Case cases[] = {
        {"ties", -3, 3, false, 0, 0},
        {"one depth", 5, 5, false, 0, 0},
        {"wide keys", kMin, kMax, false, 0, 0},
        {"rising", 0, 0, true, 0, 0},
        {"front half unplaced", -50, 50, false, 0, kFaces / 2 + 1},
        {"back half unplaced", -50, 50, false, kFaces / 2, kFaces},
    };
    std::mt19937 rng(4242);
    for (const Case& c : cases) {
        std::uniform_int_distribution<std::int32_t> depth(c.lo, c.hi);
        std::vector<std::int32_t> depths(kFaces);
        for (std::size_t i = 0; i < kFaces; ++i) {
            depths[i] = c.rising ? static_cast<std::int32_t>(i / 3) : depth(rng);
        }
        std::vector<Face> faces = facesOnTheirOwnVertex(kFaces);
        for (std::size_t i = c.unplacedFrom; i < c.unplacedTo; ++i) {
            faces[i].corner[1] = kFaces;  // no depth: left out
        }
        DepthOrder one;
        DepthOrder two;
        orderFaces(faces, depths, one);
        orderFaces(faces, depths, two, &onTwoThreads);
        EXPECT_EQ(entries(two), entries(one)) << c.name;
    }
}

// A vertex that no face uses changes nothing, however far away it lies, and
// neither do the threads: lists full of ties, with equals of the deepest
// face on both sides of the middle, give the same order and the same faces
// copied in that order whichever way they are done.
TEST(DepthOrder, aFarVertexNoFaceUsesChangesNothing) {
    constexpr std::size_t kFaces = 70001;
    std::mt19937 rng(777);
    const auto deepestFirst = [&](std::size_t i) {  // then its equals everywhere
        return i == 0 ? 9 : static_cast<std::int32_t>(rng() % 7) + 3;
    };
    const auto newHeadInTheBack = [&](std::size_t i) {
        return i == kFaces * 3 / 4 ? 10 : static_cast<std::int32_t>(rng() % 8) + 3;
    };
    const auto aroundZero = [&](std::size_t) { return static_cast<std::int32_t>(rng() % 5) - 2; };
    for (const std::function<std::int32_t(std::size_t)>& depthOf :
         {std::function<std::int32_t(std::size_t)>(deepestFirst),
          {newHeadInTheBack},
          {aroundZero}}) {
        std::vector<std::int32_t> depths(kFaces);
        for (std::size_t i = 0; i < kFaces; ++i) {
            depths[i] = depthOf(i);
        }
        std::vector<Face> faces = facesOnTheirOwnVertex(kFaces);
        faces[kFaces / 2].corner[2] = kFaces + 1;  // no depth: left out
        faces[kFaces / 3].corner[3] = static_cast<std::uint32_t>(kFaces / 3 + 1);
        std::vector<std::int32_t> withFar = depths;
        withFar.push_back(kMin);
        DepthOrder reference;
        orderFaces(faces, withFar, reference);
        std::vector<Face> referenceFaces(reference.size());
        gatherFaces(faces, reference.TRIEDENE_STENY, referenceFaces);
        for (const RunBoth* threads : {static_cast<const RunBoth*>(nullptr), &onTwoThreads}) {
            for (const auto* vertexDepths : {&depths, &withFar}) {
                DepthOrder got;
                std::vector<Face> gathered;
                orderFaces(faces, *vertexDepths, got, threads, &gathered);
                ASSERT_EQ(entries(got), entries(reference));
                ASSERT_EQ(gathered, referenceFaces);
            }
        }
    }
}

}  // namespace
}  // namespace kelpris
