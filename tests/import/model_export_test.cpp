// Saving a scene as STL, OBJ or PLY through the importer's child process: the
// file opens again as the same model, formats that cannot hold lines refuse an
// edge model, and a failed export leaves no file behind.

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

TEST_F(ExportTest, ATriangleModelComesBackTheSameFromEveryFormat) {
    const Scena bunny = sample("bunny.dat");
    for (const char* name : {"bunny.stl", "BUNNY.OBJ", "bunny.ply"}) {
        const auto path = dir_ / name;
        const auto format = exportFormatFor(path);
        ASSERT_TRUE(format) << name;
        const FileStatus saved = exportScene(bunny, path, *format, options);
        ASSERT_TRUE(saved.ok) << saved.message();
        const LoadResult back = load(path);
        ASSERT_TRUE(back) << back.error;
        EXPECT_EQ(back.scene.faceCount, bunny.faceCount) << name;
        ASSERT_EQ(back.scene.vertices.size(), bunny.vertices.size()) << name;
        // Vertices come back in order of first use, so compare face by face.
        const auto same = [&](const Face& a, const Face& b, int c) {
            return bunny.vertices[a.corner[c]] == back.scene.vertices[b.corner[c]];
        };
        for (std::size_t i = 0; i < bunny.faces.size(); ++i) {
            const Face& a = bunny.faces[i];
            const Face& b = back.scene.faces[i];
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
        ASSERT_TRUE(exportScene(house, path, *exportFormatFor(path), options).ok) << c.name;
        const LoadResult back = load(path);
        ASSERT_TRUE(back) << back.error;
        EXPECT_EQ(back.scene.faceCount, c.faces) << c.name;
        EXPECT_EQ(back.scene.vertexCount, house.vertexCount) << c.name;
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
    ASSERT_TRUE(exportScene(edges, obj, ExportFormat::obj, options).ok);
    const LoadResult back = load(obj);
    ASSERT_TRUE(back) << back.error;
    EXPECT_EQ(back.scene.faceModel, 0);
    EXPECT_EQ(back.scene.edgeCount, 6);
    for (const char* name : {"tetra.stl", "tetra.ply"}) {
        const FileStatus refused = exportScene(edges, dir_ / name, *exportFormatFor(name), options);
        EXPECT_FALSE(refused.ok);
        EXPECT_NE(refused.message().find("edge model"), std::string::npos) << refused.message();
        EXPECT_FALSE(std::filesystem::exists(dir_ / name));
    }
}

TEST_F(ExportTest, AFailedExportLeavesTheTargetAsItWas) {
    const Scena bunny = sample("bunny.dat");
    options.importer = KELPRIS_FAKE_IMPORTER;  // sends half a file, then crashes
    const auto fresh = dir_ / "fresh.stl";
    const FileStatus failed = exportScene(bunny, fresh, ExportFormat::stl, options);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message().find("crashed (SIGSEGV)"), std::string::npos) << failed.message();
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const auto old = write("old.stl", "the old file");
    EXPECT_FALSE(exportScene(bunny, old, ExportFormat::stl, options).ok);
    EXPECT_EQ(contents(old), "the old file");
}

TEST_F(ExportTest, OnlyUsedVerticesAreExportedInOrderOfFirstUse) {
    Scena scene;
    ASSERT_TRUE(scene
                    .load(write("spare.dat",
                                "1\n5 1\n9 9 9\n0 0 0\n1 0 0\n8 8 8\n0 1 0\n"
                                "5 3 2\n"))
                    .ok);
    const auto model = meshOfScene(scene);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->vertexCount(), 3u);
    EXPECT_EQ(model->corners, (std::vector<std::uint32_t>{0, 1, 2, kNoCorner}));
    EXPECT_EQ(model->xyz[0], static_cast<float>(scene.vertices[4].x));
    EXPECT_EQ(model->xyz[3], static_cast<float>(scene.vertices[2].x));
    EXPECT_FALSE(meshOfScene(Scena{}));
}

}  // namespace
}  // namespace kelpris::mesh
