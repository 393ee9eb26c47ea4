// What the viewer makes of an importer that crashes, hangs, runs out of
// memory or sends garbage, and of a cancelled import. A stand-in program
// misbehaves on request; the real importer is also run on inputs that make
// the import library itself loop or exhaust memory (bypassing the checks
// that normally keep such files from it).

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "import/child_import.h"
#include "import/model_loader.h"
#include "import_test_support.h"

namespace kelpris::mesh {
namespace {

using testing::ImportTest;
using namespace std::chrono_literals;

class ChildTest : public ImportTest {
  protected:
    void SetUp() override {
        ImportTest::SetUp();
        options.importer = KELPRIS_FAKE_IMPORTER;
    }
    // A file that tells the stand-in what to do (.obj: no checks apply).
    std::filesystem::path order(const std::string& word) { return write(word + ".obj", word); }
};

TEST_F(ChildTest, EveryWayTheChildCanFailIsNamed) {
    options.timeout = 1500ms;
    struct Case {
        const char* word;
        const char* why;
    };
    const Case cases[] = {
        {"crash", "it crashed (SIGSEGV)"},
        {"hang", "it took longer than 2 s"},
        {"late", "it took longer than 2 s"},  // a model, but the child never ends
        {"garbage", "it sent malformed data (not a model stream)"},
        {"extra", "it sent malformed data (data after the model)"},
        {"silent", "it sent malformed data (nothing was sent)"},
    };
    for (const Case& c : cases) {
        const auto path = order(c.word);
        const LoadResult result = load(path);
        EXPECT_EQ(result.error, "the importer stopped on " + path.string() + ": " + c.why);
        EXPECT_TRUE(result.scene.vertices.empty());
    }
}

TEST_F(ChildTest, AGoodAnswerBecomesTheScene) {
    const LoadResult result = load(order("model"));
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.scene.faceCount, 1);
    EXPECT_EQ(result.scene.vertices[1].x, 1000);
    EXPECT_EQ(result.scene.faces[0].corner[3], kNoCorner);
}

TEST_F(ChildTest, RunningOutOfMemoryIsSaidSo) {
    if (addressSpaceFor(0) == 0) {
        GTEST_SKIP() << "no address-space limit in sanitizer builds";
    }
    const auto path = order("oom");
    EXPECT_EQ(load(path).error,
              "the importer stopped on " + path.string() + ": it ran out of memory");
}

TEST_F(ChildTest, CancelledImportStops) {
    CancelToken token;
    token.cancel();
    const auto path = order("hang");
    const LoadResult result = loadModelFile(path, options, &token);
    EXPECT_EQ(result.error, "the import of " + path.string() + " was cancelled");
}

TEST_F(ChildTest, CancelFromAnotherThreadEndsAHangingChild) {
    CancelToken token;
    const auto path = order("hang");
    std::thread canceller([&token] {
        std::this_thread::sleep_for(200ms);
        token.cancel();
    });
    const LoadResult result = loadModelFile(path, options, &token);
    canceller.join();
    EXPECT_EQ(result.error, "the import of " + path.string() + " was cancelled");
}

TEST_F(ChildTest, AMissingImporterIsReported) {
    options.importer = dir_ / "no-such-importer";
    const auto path = order("model");
    EXPECT_EQ(load(path).error,
              "cannot start the importer " + options.importer.string() + " for " + path.string());
}

// The real importer on files the checks would refuse: the library loops on
// a PLY header without end, and allocates far beyond the file for huge OFF
// counts. The child's limits turn both into messages.
TEST_F(ChildTest, LibraryLoopsAndRunawayAllocationsStayInTheChild) {
    ChildSettings settings;
    settings.importer = KELPRIS_TEST_IMPORTER;
    settings.timeout = 1500ms;
    settings.addressSpaceBytes = addressSpaceFor(100);
    const auto loop = write("loop.ply", "ply\nformat ascii 1.0\n");
    EXPECT_EQ(importInChild(loop, settings, nullptr, {}).error,
              "the importer stopped on " + loop.string() + ": it took longer than 2 s");
    if (settings.addressSpaceBytes != 0) {
        const auto huge = write("huge.off", "OFF\n100000000 100000000 0\n0 0 0\n");
        EXPECT_EQ(importInChild(huge, settings, nullptr, {}).error,
                  "the importer stopped on " + huge.string() + ": it ran out of memory");
    }
}

}  // namespace
}  // namespace kelpris::mesh
