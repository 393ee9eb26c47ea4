#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "scene/scena.h"
#include "scratch_dir.h"

namespace kelpris {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr const char* kHeader = "Report vytriedovania stien, obsah struktury TRIEDENE_STENY:\n";

// A face model whose faces have the given mean depths: one vertex per face,
// used as every corner of a triangle.
Scena sceneWithDepths(const std::vector<std::int32_t>& depths) {
    Scena s;
    s.faceModel = 1;
    s.vertices.resize(depths.size());
    for (std::size_t i = 0; i < depths.size(); ++i) {
        s.vertices[i].depth = depths[i];
        Vertex* v = &s.vertices[i];
        s.faces.push_back({v, v, v, nullptr});
    }
    s.vertexCount = static_cast<std::int32_t>(depths.size());
    s.faceCount = static_cast<std::int32_t>(depths.size());
    return s;
}

// The one-by-one insertion the order is defined by, done literally.
std::vector<SortedFace> insertOneByOne(const Scena& s, const std::vector<std::int32_t>& depths) {
    std::vector<SortedFace> list;
    for (std::size_t i = 0; i < depths.size(); ++i) {
        const SortedFace entry{depths[i], &s.faces[i]};
        const std::int32_t d = entry.depth;
        if (list.empty()) {
            list.push_back(entry);
        } else if (list.size() == 1) {
            if (list[0].depth > d) {
                list.push_back(entry);
            } else {
                list.insert(list.begin(), entry);
            }
        } else if (d > list[0].depth) {
            list.insert(list.begin(), entry);
        } else {
            std::size_t at = 1;
            while (at < list.size() && list[at].depth > d) {
                ++at;
            }
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
    }
    return list;
}

// Face numbers (1-based, file order) of the sorted list.
std::vector<int> faceNumbers(const Scena& s) {
    std::vector<int> out;
    for (const SortedFace& e : s.TRIEDENE_STENY) {
        out.push_back(static_cast<int>(e.face - s.faces.data()) + 1);
    }
    return out;
}

std::vector<std::int32_t> listDepths(const Scena& s) {
    std::vector<std::int32_t> out;
    for (const SortedFace& e : s.TRIEDENE_STENY) {
        out.push_back(e.depth);
    }
    return out;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SortFaces : public ::testing::Test {
  protected:
    // Sorts, insists the report was written, returns the face numbers.
    std::vector<int> order(const std::vector<std::int32_t>& depths) {
        Scena s = sceneWithDepths(depths);
        const FileStatus st = s.sortFaces(report_);
        EXPECT_TRUE(st.ok) << st.reason;
        return faceNumbers(s);
    }

    testing::ScratchDir scratch_;
    const fs::path& dir_ = scratch_.path();
    const fs::path report_ = dir_ / "rep_vytr.txt";
};

using V = std::vector<int>;

TEST_F(SortFaces, ordersDeepestFirst) {
    EXPECT_EQ(order({1, 2, 3}), (V{3, 2, 1}));
    EXPECT_EQ(order({3, 1, 2}), (V{1, 3, 2}));
    EXPECT_EQ(order({-5, 0, -7, 4}), (V{4, 2, 1, 3}));
}

TEST_F(SortFaces, ordersEqualDepthsAsOneByOneInsertion) {
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

TEST_F(SortFaces, meanDepthTruncatesTowardZero) {
    Scena s;
    s.vertices.resize(4);
    s.vertices[0].depth = 1;
    s.vertices[1].depth = 1;
    s.vertices[2].depth = 2;
    s.vertices[3].depth = 0;
    Vertex* v = s.vertices.data();
    s.faces.push_back({&v[0], &v[1], &v[2], nullptr});  // (1+1+2)/3 = 1
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(listDepths(s), (std::vector<std::int32_t>{1}));

    s.vertices[0].depth = -1;
    s.vertices[1].depth = -1;
    s.vertices[2].depth = -1;
    s.vertices[3].depth = -2;
    s.faces[0].corner4 = &v[3];  // -5/4 = -1, not -2
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(listDepths(s), (std::vector<std::int32_t>{-1}));
}

TEST_F(SortFaces, meanDepthOfSaturatedCornersDoesNotOverflow) {
    // Corner depths at the int32 limits come from degenerate projections;
    // their sum does not fit in 32 bits.
    Scena s;
    s.vertices.resize(3);
    s.vertices[0].depth = kMax;
    s.vertices[1].depth = kMin;
    s.vertices[2].depth = -7;
    Vertex* v = s.vertices.data();
    s.faces.push_back({&v[0], &v[0], &v[0], &v[0]});  // 4*max / 4
    s.faces.push_back({&v[1], &v[1], &v[1], nullptr});
    s.faces.push_back({&v[0], &v[0], &v[2], nullptr});  // (2*max - 7) / 3
    s.faces.push_back({&v[0], &v[1], &v[2], &v[2]});    // (-1 - 14) / 4
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(listDepths(s), (std::vector<std::int32_t>{kMax, 1431655762, -3, kMin}));
}

TEST_F(SortFaces, matchesOneByOneInsertionOnRandomDepths) {
    std::mt19937 rng(20240611);
    struct Range {
        std::int32_t lo, hi;
    };
    const Range ranges[] = {{0, 0}, {0, 1}, {-2, 2}, {-10, 10}, {0, 100}, {kMin, kMax}};
    for (const Range& r : ranges) {
        std::uniform_int_distribution<std::int32_t> depth(r.lo, r.hi);
        for (int round = 0; round < 60; ++round) {
            const auto n = static_cast<std::size_t>(rng() % 201);
            std::vector<std::int32_t> depths(n);
            for (auto& d : depths) {
                d = depth(rng);
            }
            Scena s = sceneWithDepths(depths);
            ASSERT_TRUE(s.sortFaces(report_).ok);
            const std::vector<SortedFace> expected = insertOneByOne(s, depths);
            ASSERT_EQ(s.TRIEDENE_STENY.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i) {
                ASSERT_EQ(s.TRIEDENE_STENY[i].face, expected[i].face)
                    << "range " << r.lo << ".." << r.hi << ", n " << n << ", entry " << i;
                ASSERT_EQ(s.TRIEDENE_STENY[i].depth, expected[i].depth);
            }
        }
    }
}

TEST_F(SortFaces, matchesOneByOneInsertionOnLargeTiedLists) {
    // Enough faces that every digit of the depth key varies somewhere.
    std::mt19937 rng(7);
    std::vector<std::int32_t> depths(3000);
    for (auto& d : depths) {
        const std::int32_t pick = static_cast<std::int32_t>(rng() % 6);
        d = pick == 0 ? kMin : pick == 1 ? kMax : (pick - 3) * 700000;
    }
    Scena s = sceneWithDepths(depths);
    ASSERT_TRUE(s.sortFaces(report_).ok);
    const std::vector<SortedFace> expected = insertOneByOne(s, depths);
    ASSERT_EQ(s.TRIEDENE_STENY.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(s.TRIEDENE_STENY[i].face, expected[i].face) << "entry " << i;
    }
}

// The list of an earlier order, of the same size, is written over in place:
// nothing of it may survive into the new order.
TEST_F(SortFaces, anOldListOfTheSameSizeLeavesNoTrace) {
    std::mt19937 rng(99);
    for (const std::size_t n : {1u, 2u, 7u, 150u}) {
        std::vector<std::int32_t> depths(n);
        for (auto& d : depths) {
            d = static_cast<std::int32_t>(rng() % 9) - 4;
        }
        Scena s = sceneWithDepths(depths);
        s.TRIEDENE_STENY.assign(n, SortedFace{12345, &s.faces[n - 1]});
        s.orderFaces();
        const std::vector<SortedFace> expected = insertOneByOne(s, depths);
        ASSERT_EQ(s.TRIEDENE_STENY.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_EQ(s.TRIEDENE_STENY[i].face, expected[i].face) << n << " entry " << i;
            ASSERT_EQ(s.TRIEDENE_STENY[i].depth, expected[i].depth) << n << " entry " << i;
        }
    }
}

TEST_F(SortFaces, rebuildsTheListOnEveryCall) {
    Scena s = sceneWithDepths({1, 2, 3});
    ASSERT_TRUE(s.sortFaces(report_).ok);
    s.vertices[0].depth = 10;
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(faceNumbers(s), (V{1, 3, 2}));
    EXPECT_EQ(listDepths(s), (std::vector<std::int32_t>{10, 3, 2}));
}

TEST_F(SortFaces, writesTheReportInListOrder) {
    Scena s = sceneWithDepths({-3, 250, -3, 0, kMin});
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(readFile(report_), std::string(kHeader) +
                                     "tr.stena 1 :  250 \n"
                                     "tr.stena 2 :  0 \n"
                                     "tr.stena 3 :  -3 \n"
                                     "tr.stena 4 :  -3 \n"
                                     "tr.stena 5 :  -2147483648 \n");
}

TEST_F(SortFaces, reportOfOneFaceHasTwoLines) {
    EXPECT_EQ(order({42}), (V{1}));
    EXPECT_EQ(readFile(report_), std::string(kHeader) + "tr.stena 1 :  42 \n");
}

TEST_F(SortFaces, emptyFaceChainGivesHeaderOnlyAndReplacesOldReport) {
    Scena full = sceneWithDepths({1, 2});
    ASSERT_TRUE(full.sortFaces(report_).ok);
    Scena s;
    s.faceModel = 1;
    s.TRIEDENE_STENY.push_back({5, nullptr});  // stale entry must go
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_TRUE(s.TRIEDENE_STENY.empty());
    EXPECT_EQ(readFile(report_), kHeader);
}

TEST_F(SortFaces, twoCallsGiveTheSameListAndIdenticalReports) {
    std::vector<std::int32_t> depths;
    for (int i = 0; i < 500; ++i) {
        depths.push_back((i * 7919) % 23 - 11);
    }
    Scena s = sceneWithDepths(depths);
    ASSERT_TRUE(s.sortFaces(report_).ok);
    const std::vector<int> first = faceNumbers(s);
    const std::string firstReport = readFile(report_);
    ASSERT_TRUE(s.sortFaces(report_).ok);
    EXPECT_EQ(faceNumbers(s), first);
    EXPECT_EQ(readFile(report_), firstReport);
    EXPECT_EQ(firstReport.rfind("tr.stena 500 :  ", std::string::npos) != std::string::npos, true);
}

TEST_F(SortFaces, unwritableReportKeepsTheListAndSaysWhy) {
    const struct {
        fs::path path;
        int err;
    } cases[] = {{dir_, EISDIR}, {dir_ / "missing" / "rep_vytr.txt", ENOENT}};
    for (const auto& c : cases) {
        Scena s = sceneWithDepths({1, 3, 2});
        const FileStatus st = s.sortFaces(c.path);
        EXPECT_FALSE(st.ok);
        EXPECT_FALSE(static_cast<bool>(st));
        EXPECT_EQ(st.path, c.path.string());
        EXPECT_NE(st.reason.find(std::strerror(c.err)), std::string::npos) << st.reason;
        EXPECT_EQ(faceNumbers(s), (V{2, 3, 1}));
    }
}

TEST_F(SortFaces, whateverIsPlantedUnderTheReportNameIsReplacedNotFollowedOrOpened) {
    const fs::path elsewhere = dir_ / "precious.txt";
    const struct Case {
        const char* what;
        void (*plant)(const fs::path& report, const fs::path& elsewhere);
    } cases[] = {
        {"link to a file", [](const fs::path& r, const fs::path& e) { fs::create_symlink(e, r); }},
        {"dangling link",
         [](const fs::path& r, const fs::path&) {
             fs::create_symlink("/nonexistent/kelpris-target", r);
         }},
        // No reader: opening it for writing would block for ever.
        {"FIFO", [](const fs::path& r, const fs::path&) { ASSERT_EQ(mkfifo(r.c_str(), 0600), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(elsewhere) << "keep me\n";
        fs::remove(report_);
        c.plant(report_, elsewhere);
        Scena s = sceneWithDepths({1, 3, 2});
        const FileStatus status = s.sortFaces(report_);
        ASSERT_TRUE(status.ok) << status.message();
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(report_)));
        EXPECT_EQ(readFile(report_).rfind(kHeader, 0), 0u);
        EXPECT_EQ(readFile(elsewhere), "keep me\n");
    }
}

// The report formatted into a kept buffer is the report line by line, whatever
// the buffer held before (empty, longer, shorter), across the places where
// positions and depths gain a digit and at the int32 limits.
TEST(SortReportText, formattedIntoAKeptBufferLineByLine) {
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    std::vector<std::int32_t> long120;
    for (int i = 0; i < 120; ++i) {
        long120.push_back(i * 97 - 5000);
    }
    const std::vector<std::vector<std::int32_t>> lists = {
        {}, {0}, {kLow, kHigh, -1, 9, 10, -9, -10, 99, 100, -100}, long120, {7, 7}};
    std::string kept;
    for (const std::string& before : {std::string(), std::string(5000, 'x'), std::string(3, 'y')}) {
        for (const auto& depths : lists) {
            std::string want = kHeader;
            for (std::size_t i = 0; i < depths.size(); ++i) {
                want += "tr.stena " + std::to_string(i + 1) + " :  " + std::to_string(depths[i]) +
                        " \n";
            }
            std::string fresh = before;
            formatSortReportInto(depths, fresh);
            EXPECT_EQ(fresh, want) << depths.size() << " entries over " << before.size();
            formatSortReportInto(depths, kept);  // one buffer through every list
            EXPECT_EQ(kept, want);
            EXPECT_EQ(formatSortReport(depths), want);
        }
    }
}

}  // namespace
}  // namespace kelpris
