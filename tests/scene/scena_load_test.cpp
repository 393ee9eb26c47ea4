// Loading scene files: the format, the scaling, and the rejection of broken
// files.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

#include <string>
#include <vector>

#include "scena_test_files.h"
#include "scene/scena.h"

namespace kelpris {
namespace {

using namespace std::string_literals;
using testing::SceneFileTest;
using LoadTest = SceneFileTest;

struct Xyz {
    int x, y, z;
    bool operator==(const Xyz&) const = default;
};

std::vector<Xyz> coordinates(const Scena& s) {
    std::vector<Xyz> out;
    for (const Vertex& v : s.vertices) {
        out.push_back({v.x, v.y, v.z});
    }
    return out;
}

// 1-based number of a vertex position, 0 for a missing corner.
int numberOf(std::uint32_t index) {
    return index == kNoCorner ? 0 : static_cast<int>(index) + 1;
}

std::vector<int> corners(const Face& f) {
    return {numberOf(f.corner[0]), numberOf(f.corner[1]), numberOf(f.corner[2]),
            numberOf(f.corner[3])};
}

// Four vertices on the unit square, for face tests.
const std::string kSquare = "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";

TEST_F(LoadTest, loadsFaceModelWorkedExample) {
    const auto status = load("1\n4 1\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 2 3 4\n");
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(status.message(), "");
    EXPECT_NE(scene.faceModel, 0);
    EXPECT_EQ(scene.vertexCount, 4);
    EXPECT_EQ(scene.faceCount, 1);
    EXPECT_EQ(scene.edgeCount, 0);
    EXPECT_TRUE(scene.edges.empty());
    EXPECT_EQ(coordinates(scene),
              (std::vector<Xyz>{{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}}));
    ASSERT_EQ(scene.faces.size(), 1u);
    EXPECT_EQ(corners(scene.faces[0]), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(scene.centreX, 500);
    EXPECT_EQ(scene.centreY, 500);
    EXPECT_EQ(scene.centreZ, 0);
}

TEST_F(LoadTest, loadsEdgeModelWorkedExample) {
    ASSERT_TRUE(load("0\n2 1\n-1 0 0.5\n1 0 0.5\n1 2\n"));
    EXPECT_EQ(scene.faceModel, 0);
    EXPECT_EQ(scene.edgeCount, 1);
    EXPECT_EQ(scene.faceCount, 0);
    EXPECT_TRUE(scene.faces.empty());
    EXPECT_EQ(coordinates(scene), (std::vector<Xyz>{{-1000, 0, 500}, {1000, 0, 500}}));
    ASSERT_EQ(scene.edges.size(), 1u);
    EXPECT_EQ(numberOf(scene.edges[0].end1), 1);
    EXPECT_EQ(numberOf(scene.edges[0].end2), 2);
    EXPECT_EQ(scene.centreX, 0);
    EXPECT_EQ(scene.centreY, 0);
    EXPECT_EQ(scene.centreZ, 500);
}

TEST_F(LoadTest, scalesLargestMagnitudeToThousandTruncatingTowardZero) {
    struct Case {
        const char* coordinates;
        Xyz expected;
    } cases[] = {
        {"3 -3 1.5", {1000, -1000, 500}},
        {"1.1 -1.1 0", {999, -999, 0}},  // 1.1f * float(1000/1.1f) is just below 1000
        {"0.7 -0.7 0", {999, -999, 0}},
        {"10 2.345 -2.345", {1000, 234, -234}},
        {"1e-40 -1e-40 0", {1000, -1000, 0}},  // factor beyond float range
        {"1e-50 0.5 0", {0, 1000, 0}},         // underflows to 0, accepted
        {"0 0 0", {0, 0, 0}},                  // M = 0: nothing to divide by
        {"-0 0 -0.0", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coordinates);
        Scena s;
        const auto status = s.load(write(std::string("0\n1 1\n") + c.coordinates + "\n1 1\n"));
        ASSERT_TRUE(status) << status.message();
        EXPECT_EQ(coordinates(s), (std::vector<Xyz>{c.expected}));
    }
}

TEST_F(LoadTest, takesLargestMagnitudeFromAnyAxisOfAnyVertex) {
    ASSERT_TRUE(load("0\n3 1\n0.5 0 0\n0 0.25 0\n0 0 -2\n1 3\n"));
    EXPECT_EQ(coordinates(scene), (std::vector<Xyz>{{250, 0, 0}, {0, 125, 0}, {0, 0, -1000}}));
    EXPECT_EQ(scene.centreZ, -333);
}

TEST_F(LoadTest, allZeroCoordinatesLoadWithCentreAtOrigin) {
    ASSERT_TRUE(load("1\n3 1\n0 0 0\n0 0 0\n0 0 0\n1 2 3\n"));
    EXPECT_EQ(coordinates(scene), (std::vector<Xyz>(3, {0, 0, 0})));
    EXPECT_EQ(scene.centreX, 0);
    EXPECT_EQ(scene.centreY, 0);
    EXPECT_EQ(scene.centreZ, 0);
}

TEST_F(LoadTest, anyNonZeroModeMakesFaceModel) {
    for (const char* mode : {"1", "7", "-1", "0x10", "010"}) {
        SCOPED_TRACE(mode);
        Scena s;
        ASSERT_TRUE(s.load(write(std::string(mode) + "\n4 1\n" + kSquare + "1 2 3\n")));
        EXPECT_EQ(s.faceCount, 1);
        EXPECT_EQ(s.edgeCount, 0);
        EXPECT_EQ(s.faces.size(), 1u);
        EXPECT_TRUE(s.edges.empty());
    }
}

TEST_F(LoadTest, readsFourthCornerOnlyFromTheRestOfTheFaceLine) {
    struct Case {
        std::string faceLines;
        std::vector<std::vector<int>> expected;
    } cases[] = {
        {"1 2 3\n", {{1, 2, 3, 0}}},
        {"1 2 3 4\n", {{1, 2, 3, 4}}},
        {"1 2 3 four\n", {{1, 2, 3, 0}}},
        {"1 2 3 4 2 1\n", {{1, 2, 3, 4}}},
        {"1 2 3 0\n", {{1, 2, 3, 1}}},  // 0 or less means vertex 1
        {"1 2 3 -9\n", {{1, 2, 3, 1}}},
        {"-2147483648 0 3\n", {{1, 1, 3, 0}}},
        {"1 2 3\t\t4\r\n", {{1, 2, 3, 4}}},
        {"1 2 3", {{1, 2, 3, 0}}},          // file ends right after the third number
        {"1 2 3 4", {{1, 2, 3, 4}}},        // last line without a line break
        {"1 2 3 x4\n", {{1, 2, 3, 0}}},     // the rest must start with the number
        {"1 2 3 \0 4\n"s, {{1, 2, 3, 0}}},  // the rest ends at a NUL byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faceLines);
        Scena s;
        ASSERT_TRUE(s.load(write(std::string("1\n4 1\n") + kSquare + c.faceLines)));
        ASSERT_EQ(s.faces.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(corners(s.faces[i]), c.expected[i]);
        }
    }
}

TEST_F(LoadTest, faceLineRestIsAtMostNineteenCharactersAndOverflowStartsNextFace) {
    // Rest of exactly 19 characters with its line break: one quadrilateral.
    const std::string fits = "1 2 3" + std::string(16, ' ') + " 4\n";
    ASSERT_TRUE(load("1\n4 2\n" + kSquare + fits + "2 3 4\n"));
    ASSERT_EQ(scene.faces.size(), 2u);
    EXPECT_EQ(corners(scene.faces[0]), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(corners(scene.faces[1]), (std::vector<int>{2, 3, 4, 0}));

    // One blank more: the rest is blanks only (a triangle), and the 4 begins
    // the next face, which takes its other numbers from the following line.
    const std::string overflows = "1 2 3" + std::string(18, ' ') + " 4\n";
    Scena other;
    ASSERT_TRUE(other.load(write("1\n4 2\n" + kSquare + overflows + "2 3\n", "b.dat")));
    ASSERT_EQ(other.faces.size(), 2u);
    EXPECT_EQ(corners(other.faces[0]), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(corners(other.faces[1]), (std::vector<int>{4, 2, 3, 0}));
}

TEST_F(LoadTest, numberOnTheNextLineStartsTheNextFace) {
    ASSERT_TRUE(load("1\n4 2\n" + kSquare + "1 2 3\n4 1 2\n"));
    ASSERT_EQ(scene.faces.size(), 2u);
    EXPECT_EQ(corners(scene.faces[0]), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(corners(scene.faces[1]), (std::vector<int>{4, 1, 2, 0}));
}

TEST_F(LoadTest, readsOctalAndHexadecimalIntegers) {
    std::string text = "00\n0x9 0X2\n";
    for (int i = 1; i <= 9; ++i) {
        text += std::to_string(i) + " 0 0\n";
    }
    text += "010 0x9\n-0x1 +011\n";  // 8 9, then 1 (negative) and 9
    ASSERT_TRUE(load(text));
    EXPECT_EQ(scene.vertexCount, 9);
    ASSERT_EQ(scene.edges.size(), 2u);
    EXPECT_EQ(numberOf(scene.edges[0].end1), 8);
    EXPECT_EQ(numberOf(scene.edges[0].end2), 9);
    EXPECT_EQ(numberOf(scene.edges[1].end1), 1);
    EXPECT_EQ(numberOf(scene.edges[1].end2), 9);
}

TEST_F(LoadTest, numbersMaySpreadOverLinesInAnyWay) {
    const char* layouts[] = {
        "0 2 1 -1 0 0.5 1 0 0.5 1 2", "0\n\n2\n\n1\n-1\n0\n\n0.5\n1\n0\n0.5\n1\n\n2\n",
        " \t0\r\n2 1 -1 0 0.5\n1 0 0.5 1\n 2 trailing text is never read",
        "0 2 1 -1+0+.5 1.0 0 5e-1 1 2",  // scanf needs no blank where a token ends
    };
    for (const char* layout : layouts) {
        SCOPED_TRACE(layout);
        Scena s;
        const auto status = s.load(write(layout));
        ASSERT_TRUE(status) << status.message();
        EXPECT_EQ(coordinates(s), (std::vector<Xyz>{{-1000, 0, 500}, {1000, 0, 500}}));
        ASSERT_EQ(s.edges.size(), 1u);
        EXPECT_EQ(numberOf(s.edges[0].end2), 2);
    }
}

TEST_F(LoadTest, countOfOneOrLessStillReadsOneRecord) {
    ASSERT_TRUE(load("0\n2 0\n0 0 0\n1 1 1\n2 1\n"));
    EXPECT_EQ(scene.edgeCount, 0);  // kept as read
    ASSERT_EQ(scene.edges.size(), 1u);
    EXPECT_EQ(numberOf(scene.edges[0].end1), 2);

    Scena faces;
    ASSERT_TRUE(faces.load(write("1\n1 -5\n1 2 3\n1 1 1 1\n", "f.dat")));
    EXPECT_EQ(faces.faceCount, -5);
    EXPECT_EQ(faces.vertexCount, 1);
    ASSERT_EQ(faces.faces.size(), 1u);
    EXPECT_EQ(corners(faces.faces[0]), (std::vector<int>{1, 1, 1, 1}));
}

TEST_F(LoadTest, rejectsBrokenFilesWithLineAndReasonLeavingSceneEmpty) {
    struct Case {
        std::string text;
        int line;
        std::string reason;
    } cases[] = {
        {"", 0, "expected the mode, found the end of the file"},
        {"  \n\n", 0, "expected the mode, found the end of the file"},
        {"model\n", 1, "expected the mode, found \"model\""},
        {"0\n0 1\n0 0 0\n1 1\n", 2, "vertex count 0 is less than 1"},
        {"0\n-3 1\n", 2, "vertex count -3 is less than 1"},
        {"0\n4 1\n" + kSquare + "1 7\n", 7, "vertex number 7 is greater than the vertex count 4"},
        {"1\n3 1\n0 0 0\n1 0 0\n0 1 0\n1 2 3 4\n", 6,
         "vertex number 4 is greater than the vertex count 3"},
        {"0\n2 1\n0 0 0\n1 0\n", 4, "expected a vertex coordinate, found the end of the file"},
        {"0\n2 2\n0 0 0\n1 0 0\n1 2\n\n", 5, "expected a vertex number, found the end of the file"},
        {"1\n4 0\n" + kSquare + "\n", 6, "expected a vertex number, found the end of the file"},
        {"0\n2 1\n0 zero 0\n", 3, "expected a vertex coordinate, found \"zero\""},
        {"0\n2 1\n0 0 0\n1,0,0\n1 2\n", 4, "expected a vertex coordinate, found \",0,0\""},
        {"0\n1 1\ninf 0 0\n1 1\n", 3, "vertex coordinate \"inf\" is not finite"},
        {"0\n1 1\n0 -NaN 0\n1 1\n", 3, "vertex coordinate \"-NaN\" is not finite"},
        {"0\n1 1\n0 0 1e39\n1 1\n", 3, "vertex coordinate \"1e39\" is out of range"},
        {"0\n1 1\n0 0 -3.5e38\n1 1\n", 3, "vertex coordinate \"-3.5e38\" is out of range"},
        {"0\n1 1\n1e 0 0\n1 1\n", 3, "expected a vertex coordinate, found malformed number \"1e\""},
        {"0\n1 1\n1E+ 0 0\n", 3, "expected a vertex coordinate, found malformed number \"1E+\""},
        {"0\n1 1\n0x 0 0\n", 3, "expected a vertex coordinate, found malformed number \"0x\""},
        {"0\n2 1\n0 0 0\n1 0 0\n1 0x\n", 5,
         "expected a vertex number, found malformed number \"0x\""},
        {"0\n2 1\n0 0 0\n1 0 0\n08 1\n", 5,
         "expected a vertex number, found malformed number \"08\""},
        {"1\n4 1\n" + kSquare + "1 2 3 019\n", 7,
         "expected a vertex number, found malformed number \"019\""},
        {"0\n2 1\n0 0 0\n1 0 0\n1 4294967297\n", 5, "vertex number \"4294967297\" is out of range"},
        {"0\n2 1\n0 0 0\n1 0 0\n0xFFFFFFFF 1\n", 5, "vertex number \"0xFFFFFFFF\" is out of range"},
        {"0\n2 1\n0 0 0\n1 0 0\n-2147483649 1\n", 5,
         "vertex number \"-2147483649\" is out of range"},
        {"1\n4 1\n" + kSquare + "1 2 3 2147483648\n", 7,
         "vertex number \"2147483648\" is out of range"},
        {"0\n99999999999 1\n", 2, "vertex count \"99999999999\" is out of range"},
        {"4294967296\n1 1\n0 0 0\n1 1\n", 1, "mode \"4294967296\" is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Scena s;
        const auto path = write(c.text);
        const auto status = s.load(path);
        EXPECT_FALSE(status);
        EXPECT_EQ(status.line, c.line);
        EXPECT_EQ(status.reason, c.reason);
        EXPECT_EQ(status.path, path.string());
        expectEmpty(s);
    }
}

TEST_F(LoadTest, reportsFilesThatCannotBeOpenedOrRead) {
    const auto missing = dir_ / "missing.dat";
    const auto status = scene.load(missing);
    EXPECT_FALSE(status);
    EXPECT_EQ(status.line, 0);
    EXPECT_EQ(status.message(), missing.string() + ": cannot open file: No such file or directory");
    expectEmpty(scene);

    const auto folder = scene.load(dir_);
    EXPECT_FALSE(folder);
    EXPECT_EQ(folder.reason, "cannot read file: Is a directory");
    expectEmpty(scene);
}

TEST_F(LoadTest, refusesFifosAndFilesOverTheSizeLimitWithoutReadingThem) {
    // A FIFO with no writer would block a plain read forever.
    const auto fifo = dir_ / "pipe.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::FILE* keepOpen = std::fopen(fifo.c_str(), "r+");  // so opening does not block
    ASSERT_NE(keepOpen, nullptr);
    const auto piped = scene.load(fifo);
    std::fclose(keepOpen);
    EXPECT_FALSE(piped);
    EXPECT_EQ(piped.reason, "cannot read file: not a regular file");
    expectEmpty(scene);

    // A sparse file just over the limit: refused from its size, nothing read.
    const auto huge = write("0\n1 1\n0 0 0\n1 1\n", "huge.dat");
    std::filesystem::resize_file(huge, kelpris::kMaxSceneFileBytes + 1);
    const auto big = scene.load(huge);
    EXPECT_FALSE(big);
    EXPECT_EQ(big.reason.rfind("file too large", 0), 0u) << big.reason;
    expectEmpty(scene);
}

TEST_F(LoadTest, messageNamesFileAndLine) {
    EXPECT_EQ(FileStatus::failure("a.dat", 7, "why").message(), "a.dat: line 7: why");
    EXPECT_EQ(FileStatus::failure("a.dat", 0, "why").message(), "a.dat: why");
    // A reason that names the file itself stands alone.
    EXPECT_EQ(FileStatus::failure("", 0, "no faces or lines in a.stl").message(),
              "no faces or lines in a.stl");
    EXPECT_EQ(FileStatus::success("a.dat").message(), "");
}

TEST_F(LoadTest, secondLoadLeavesNoTraceOfTheFirst) {
    ASSERT_TRUE(load("3\n4 2\n0 0 0\n4 0 0\n4 4 0\n0 4 4\n1 2 3 4\n2 3 4\n"));
    scene.clear();
    expectEmpty(scene);
    ASSERT_TRUE(scene.load(write("0\n2 1\n-1 0 0.5\n1 0 0.5\n2 1\n", "second.dat")));
    EXPECT_EQ(scene.faceModel, 0);
    EXPECT_EQ(scene.vertexCount, 2);
    EXPECT_EQ(scene.edgeCount, 1);
    EXPECT_EQ(scene.faceCount, 0);
    EXPECT_TRUE(scene.faces.empty());
    EXPECT_EQ(coordinates(scene), (std::vector<Xyz>{{-1000, 0, 500}, {1000, 0, 500}}));
    EXPECT_EQ(scene.centreX, 0);
    EXPECT_EQ(scene.centreZ, 500);

    // A broken file after a good one leaves nothing of either.
    EXPECT_FALSE(scene.load(write("0\n2 1\n0 0 0\n", "broken.dat")));
    expectEmpty(scene);
}

TEST_F(LoadTest, aCopyOrAMoveIsTheSameModel) {
    ASSERT_TRUE(load("1\n4 1\n" + kSquare + "4 3 2 1\n"));
    const Scena copy = scene;
    const Scena moved = std::move(scene);
    for (const Scena* s : {&copy, &moved}) {
        ASSERT_EQ(s->faces.size(), 1u);
        EXPECT_EQ(corners(s->faces[0]), (std::vector<int>{4, 3, 2, 1}));
        EXPECT_EQ(coordinates(*s)[3], (Xyz{0, 1000, 0}));
    }
}

TEST_F(LoadTest, loadsAMillionRecords) {
    constexpr int kVertices = 1000000;
    std::string text = "0\n" + std::to_string(kVertices) + " " + std::to_string(kVertices) + "\n";
    for (int i = 0; i < kVertices; ++i) {
        text += std::to_string(i % 2000 - 1000) + " 0 1\n";
    }
    for (int i = 1; i <= kVertices; ++i) {
        text += std::to_string(i) + " " + std::to_string(kVertices + 1 - i) + "\n";
    }
    ASSERT_TRUE(load(text));
    ASSERT_EQ(scene.vertices.size(), static_cast<std::size_t>(kVertices));
    ASSERT_EQ(scene.edges.size(), static_cast<std::size_t>(kVertices));
    EXPECT_EQ(numberOf(scene.edges.back().end2), 1);
    EXPECT_EQ(scene.vertices.back().x, 999);
    EXPECT_EQ(scene.centreX, 0);  // -1000..999 repeated: mean -0.5 truncates to 0
    scene.clear();
    expectEmpty(scene);
}

}  // namespace
}  // namespace kelpris
