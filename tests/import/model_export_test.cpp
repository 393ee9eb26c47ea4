// Saving a scene as STL, OBJ or PLY: the file opens again as the same model,
// formats that cannot hold lines refuse an edge model, and a failed export
// leaves no file behind.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "import/model_export.h"
#include "import_test_support.h"

namespace kelpris::mesh {
namespace {

using testing::ImportTest;
using testing::kSamples;

class ExportTest : public ImportTest {
  protected:
    Scena sample(const char* name) {
        Scena scene;
        EXPECT_TRUE(scene.load(kSamples / name).ok) << name;
        return scene;
    }
    static std::string contents(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

// The teapot lies in the imported models' frame already (box from 0, longest
// side 1000), so every face must come back where it was, whatever the
// format's up axis.
TEST_F(ExportTest, ATriangleModelComesBackTheSameFromEveryFormat) {
    const Scena bunny = sample("teapot.dat");
    for (const char* name : {"teapot.stl", "TEAPOT.OBJ", "teapot.ply"}) {
        const auto path = dir_ / name;
        const auto format = exportFormatFor(path);
        ASSERT_TRUE(format) << name;
        const FileStatus saved = exportScene(bunny, path, *format);
        ASSERT_TRUE(saved.ok) << saved.message();
        const Result<LoadedModel> back = load(path);
        ASSERT_TRUE(back) << back.message();
        EXPECT_EQ(back->scene.faceCount, bunny.faceCount) << name;
        // Vertices come back in order of first use, so compare face by face.
        const auto same = [&](const Face& a, const Face& b, int c) {
            return bunny.vertices[a.corner[c]] == back->scene.vertices[b.corner[c]];
        };
        for (std::size_t i = 0; i < bunny.faces.size(); ++i) {
            const Face& a = bunny.faces[i];
            const Face& b = back->scene.faces[i];
            ASSERT_TRUE(same(a, b, 0) && same(a, b, 1) && same(a, b, 2)) << name << " face " << i;
        }
    }
}

TEST_F(ExportTest, QuadsStayInObjAndPlyAndAreSplitForStl) {
    const Scena house = sample("house_faces.dat");
    std::int32_t quads = 0;
    for (const Face& face : house.faces) {
        quads += face.cornerCount() == 4 ? 1 : 0;
    }
    ASSERT_GT(quads, 0);
    const struct {
        const char* name;
        std::int32_t faces;
    } cases[] = {{"house.obj", house.faceCount},
                 {"house.ply", house.faceCount},
                 {"house.stl", house.faceCount + quads}};
    for (const auto& c : cases) {
        const auto path = dir_ / c.name;
        ASSERT_TRUE(exportScene(house, path, *exportFormatFor(path)).ok) << c.name;
        const Result<LoadedModel> back = load(path);
        ASSERT_TRUE(back) << back.message();
        EXPECT_EQ(back->scene.faceCount, c.faces) << c.name;
        EXPECT_EQ(back->scene.vertexCount, house.vertexCount) << c.name;
    }
}

TEST_F(ExportTest, AnEdgeModelGoesToObjOnly) {
    Scena edges;
    ASSERT_TRUE(edges
                    .load(write("tetra.dat",
                                "0\n4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                                "1 2\n1 3\n1 4\n2 3\n2 4\n3 4\n"))
                    .ok);
    const auto obj = dir_ / "tetra.obj";
    ASSERT_TRUE(exportScene(edges, obj, ExportFormat::obj).ok);
    const Result<LoadedModel> back = load(obj);
    ASSERT_TRUE(back) << back.message();
    EXPECT_EQ(back->scene.faceModel, 0);
    EXPECT_EQ(back->scene.edgeCount, 6);

    // Points (lines from a vertex to itself) go as OBJ points and come back.
    Scena points;
    ASSERT_TRUE(points.load(write("points.dat", "0\n2 2\n0 0 0\n1 1 1\n2 2\n1 1\n")).ok);
    ASSERT_TRUE(exportScene(points, dir_ / "points.obj", ExportFormat::obj).ok);
    EXPECT_EQ(contents(dir_ / "points.obj"),
              "# written by KELPRIS (y up)\nv -1000 1000 1000\nv 0 0 0\np 1\np 2\n");
    const Result<LoadedModel> pointsBack = load(dir_ / "points.obj");
    ASSERT_TRUE(pointsBack) << pointsBack.message();
    EXPECT_EQ(pointsBack->scene.edgeCount, 2);
    EXPECT_EQ(pointsBack->scene.edges[0].end1, pointsBack->scene.edges[0].end2);

    for (const char* name : {"tetra.stl", "tetra.ply"}) {
        const FileStatus refused = exportScene(edges, dir_ / name, *exportFormatFor(name));
        EXPECT_FALSE(refused.ok);
        EXPECT_NE(refused.message().find("edge model"), std::string::npos) << refused.message();
        EXPECT_FALSE(std::filesystem::exists(dir_ / name));
    }
}

TEST_F(ExportTest, AFailedExportLeavesTheTargetAsItWas) {
    const Scena teapot = sample("teapot.dat");
    const auto fresh = dir_ / "no-such-folder" / "fresh.stl";
    const FileStatus failed = exportScene(teapot, fresh, ExportFormat::stl);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message().find("fresh.stl"), std::string::npos) << failed.message();
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const auto old = write("old.stl", "the old file");
    std::filesystem::permissions(
        old, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_FALSE(exportScene(teapot, old, ExportFormat::stl).ok);
    EXPECT_EQ(contents(old), "the old file");
    EXPECT_FALSE(exportScene(Scena{}, dir_ / "empty.obj", ExportFormat::obj).ok);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "empty.obj"));
}

// Only the vertices a record uses, in order of first use, y up.
TEST_F(ExportTest, ObjHoldsTheUsedVerticesInOrderOfFirstUse) {
    Scena scene;
    ASSERT_TRUE(scene
                    .load(write("spare.dat",
                                "1\n5 1\n9 9 9\n0 0 0\n1 0 0\n8 8 8\n0 1 0\n"
                                "5 3 2\n"))
                    .ok);
    ASSERT_TRUE(exportScene(scene, dir_ / "spare.obj", ExportFormat::obj).ok);
    EXPECT_EQ(contents(dir_ / "spare.obj"),
              "# written by KELPRIS (y up)\nv 0 0 111\nv -111 0 0\nv 0 0 0\nf 1 2 3\n");
}

}  // namespace
}  // namespace kelpris::mesh
