#include "scene/scene_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "comma_locale.h"
#include "scratch_dir.h"

namespace kelpris {
namespace {

namespace fs = std::filesystem;

class SceneWriterTest : public ::testing::Test {
  protected:
    fs::path write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p) << text;
        return p;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static Scena load(const fs::path& p) {
        Scena s;
        const FileStatus st = s.load(p);
        EXPECT_TRUE(st.ok) << st.message();
        return s;
    }
    static std::vector<std::uint32_t> numbers(const Face& f) {
        return {f.corner, f.corner + f.cornerCount()};
    }
    static void expectSameScene(const Scena& a, const Scena& b) {
        EXPECT_EQ(a.faceModel, b.faceModel);
        EXPECT_EQ(a.vertexCount, b.vertexCount);
        EXPECT_EQ(a.edgeCount, b.edgeCount);
        EXPECT_EQ(a.faceCount, b.faceCount);
        ASSERT_EQ(a.vertices.size(), b.vertices.size());
        for (std::size_t i = 0; i < a.vertices.size(); ++i) {
            EXPECT_EQ(a.vertices[i].x, b.vertices[i].x) << i;
            EXPECT_EQ(a.vertices[i].y, b.vertices[i].y) << i;
            EXPECT_EQ(a.vertices[i].z, b.vertices[i].z) << i;
        }
        ASSERT_EQ(a.edges.size(), b.edges.size());
        for (std::size_t i = 0; i < a.edges.size(); ++i) {
            EXPECT_EQ(a.edges[i], b.edges[i]) << "edge " << i;
        }
        ASSERT_EQ(a.faces.size(), b.faces.size());
        for (std::size_t i = 0; i < a.faces.size(); ++i) {
            EXPECT_EQ(numbers(a.faces[i]), numbers(b.faces[i])) << "face " << i;
        }
        EXPECT_EQ(a.centreX, b.centreX);
        EXPECT_EQ(a.centreY, b.centreY);
        EXPECT_EQ(a.centreZ, b.centreZ);
    }

    testing::ScratchDir scratch_;
    const fs::path& dir_ = scratch_.path();
};

TEST_F(SceneWriterTest, edgeModelWritesTheExactTextAndLoadsBack) {
    const Scena original = load(write("in.dat", "0\n3 2\n-1 0 0.5\n1 0 0.5\n0 1 -1\n1 2\n3 1\n"));
    std::ostringstream text;
    ASSERT_EQ(formatScene(original, text), "");
    EXPECT_EQ(text.str(), "0\n3 2\n-1000 0 500\n1000 0 500\n0 1000 -1000\n1 2\n3 1\n");

    const fs::path out = dir_ / "out.dat";
    const FileStatus st = writeScene(original, out);
    ASSERT_TRUE(st.ok) << st.message();
    expectSameScene(original, load(out));
}

TEST_F(SceneWriterTest, aGroupingGlobalLocaleChangesNothing) {
    const Scena original = load(write("in.dat", "0\n3 2\n-1 0 0.5\n1 0 0.5\n0 1 -1\n1 2\n3 1\n"));
    const testing::GermanGlobalLocale german;
    std::ostringstream grouped;
    grouped << 1000;
    ASSERT_EQ(grouped.str(), "1.000");  // the locale is in force
    std::ostringstream text;
    ASSERT_EQ(formatScene(original, text), "");
    EXPECT_EQ(text.str(), "0\n3 2\n-1000 0 500\n1000 0 500\n0 1000 -1000\n1 2\n3 1\n");
}

TEST_F(SceneWriterTest, faceModelKeepsTrianglesQuadsModeAndNumbering) {
    // Mode 7 (any non-zero value is a face model), a quad, a triangle, and a
    // face whose corners come out of order.
    const Scena original = load(write("in.dat",
                                      "7\n5 3\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 1 2\n"
                                      "1 2 3 4\n5 1 2\n4 5 3 2\n"));
    const fs::path out = dir_ / "out.dat";
    ASSERT_TRUE(writeScene(original, out).ok);
    EXPECT_EQ(read(out),
              "7\n5 3\n0 0 0\n1000 0 0\n1000 1000 0\n0 1000 0\n500 500 1000\n"
              "1 2 3 4\n5 1 2\n4 5 3 2\n");
    expectSameScene(original, load(out));
}

TEST_F(SceneWriterTest, bundledModelsSurviveARoundTrip) {
    for (const char* name : {"dom.dat", "samples/house_faces.dat", "samples/bunny.dat"}) {
        const fs::path source = fs::path(KELPRIS_DATA_DIR) / name;
        if (!fs::exists(source)) {
            continue;  // samples may be absent in a trimmed checkout
        }
        SCOPED_TRACE(name);
        const Scena original = load(source);
        const fs::path out = dir_ / "copy.dat";
        ASSERT_TRUE(writeScene(original, out).ok);
        // Saved coordinates already span -1000..1000 whenever the original
        // reached that range, so the reload scales by exactly 1.
        expectSameScene(original, load(out));
    }
}

TEST_F(SceneWriterTest, countOfZeroStaysZeroWithItsSingleRecord) {
    const Scena original = load(write("in.dat", "0\n2 0\n1 0 0\n0 1 0\n2 1\n"));
    ASSERT_EQ(original.edgeCount, 0);
    ASSERT_EQ(original.edges.size(), 1u);
    const fs::path out = dir_ / "out.dat";
    ASSERT_TRUE(writeScene(original, out).ok);
    expectSameScene(original, load(out));
}

TEST_F(SceneWriterTest, countsDisagreeingWithTheChainsAreWrittenAsTheRecords) {
    Scena s;
    s.faceModel = 0;
    s.vertexCount = 9;  // stale: only two vertices present
    s.edgeCount = 5;
    s.vertices = {{1000, 0, 0}, {0, 1000, 0}};
    s.edges = {{0, 1}};
    std::ostringstream text;
    ASSERT_EQ(formatScene(s, text), "");
    EXPECT_EQ(text.str(), "0\n2 1\n1000 0 0\n0 1000 0\n1 2\n");
}

TEST_F(SceneWriterTest, refusesScenesThatCannotBeAValidFile) {
    const fs::path out = dir_ / "out.dat";
    std::ostringstream text;

    Scena empty;
    EXPECT_NE(formatScene(empty, text), "");
    FileStatus st = writeScene(empty, out);
    EXPECT_FALSE(st.ok);
    EXPECT_NE(st.message().find("out.dat"), std::string::npos);

    Scena noFaces;
    noFaces.faceModel = 1;
    noFaces.vertices.resize(1);
    EXPECT_NE(formatScene(noFaces, text), "");

    Scena foreign;
    foreign.vertices.resize(2);
    foreign.edges = {{0, 2}};
    EXPECT_NE(formatScene(foreign, text), "");

    Scena missingCorner;
    missingCorner.faceModel = 1;
    missingCorner.vertices.resize(3);
    missingCorner.faces = {Face{{0, kNoCorner, 2, kNoCorner}}};
    EXPECT_NE(formatScene(missingCorner, text), "");

    EXPECT_EQ(text.str(), "") << "a refused scene writes nothing";
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 0)
        << "no temporary file is left behind";
}

TEST_F(SceneWriterTest, replacesAnExistingFileKeepingItsPermissions) {
    const Scena scene = load(write("in.dat", "0\n2 1\n1 0 0\n0 1 0\n1 2\n"));
    const fs::path out = write("out.dat", "old contents that are much longer than the new ones\n");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeScene(scene, out).ok);
    EXPECT_EQ(read(out), "0\n2 1\n1000 0 0\n0 1000 0\n1 2\n");
    EXPECT_EQ(fs::status(out).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(SceneWriterTest, failureLeavesTheTargetUntouched) {
    const Scena scene = load(write("in.dat", "0\n2 1\n1 0 0\n0 1 0\n1 2\n"));
    const FileStatus missingDir = writeScene(scene, dir_ / "no_such_dir" / "out.dat");
    EXPECT_FALSE(missingDir.ok);
    EXPECT_NE(missingDir.message().find("out.dat"), std::string::npos);

    // A directory in the way of the rename: the directory stays as it was.
    const fs::path blocked = dir_ / "blocked";
    fs::create_directories(blocked / "inner");
    EXPECT_FALSE(writeScene(scene, blocked).ok);
    EXPECT_TRUE(fs::is_directory(blocked / "inner"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "only in.dat and the directory remain";
}

TEST_F(SceneWriterTest, savingThroughALinkWritesItsTargetUnlessTheTargetIsReadOnly) {
    const Scena scene = load(write("in.dat", "0\n2 1\n1 0 0\n0 1 0\n1 2\n"));
    const struct Case {
        fs::perms mode;
        bool written;
    } cases[] = {
        {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, true},
        {fs::perms::owner_read | fs::perms::group_read, false},
    };
    for (const Case& c : cases) {
        const fs::path target = write("target.dat", "old\n");
        fs::permissions(target, c.mode);
        const fs::path link = dir_ / "link.dat";
        fs::remove(link);
        fs::create_symlink(target, link);
        const FileStatus status = writeScene(scene, link);
        EXPECT_EQ(status.ok, c.written) << status.message();
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(read(target), c.written ? "0\n2 1\n1000 0 0\n0 1000 0\n1 2\n" : "old\n");
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, c.mode);
        fs::permissions(target, fs::perms::owner_all);
        fs::remove(target);
    }
}

}  // namespace
}  // namespace kelpris
