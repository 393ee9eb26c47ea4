// What the viewer makes of an importer that crashes, hangs, runs out of
// memory or sends garbage, and of a cancelled import. A stand-in program
// misbehaves on request; the real importer is also run on inputs that make
// the import library itself loop or exhaust memory (bypassing the checks
// that normally keep such files from it).

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

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
        {"crash", "the importer crashed (SIGSEGV)"},
        {"hang", "the importer took longer than 2 s"},
        {"late", "the importer took longer than 2 s"},  // a model, but the child never ends
        {"garbage", "the importer sent malformed data (not a model stream)"},
        {"extra", "the importer sent malformed data (data after the model)"},
        {"silent", "the importer sent malformed data (nothing was sent)"},
    };
    for (const Case& c : cases) {
        const auto path = order(c.word);
        EXPECT_EQ(load(path).message(), path.string() + ": " + c.why);
    }
}

TEST_F(ChildTest, AGoodAnswerBecomesTheScene) {
    const Result<LoadedModel> result = load(order("model"));
    ASSERT_TRUE(result) << result.message();
    EXPECT_EQ(result->scene.faceCount, 1);
    EXPECT_EQ(result->scene.vertices[1].x, 1000);
    EXPECT_EQ(result->scene.faces[0].corner[3], kNoCorner);
}

TEST_F(ChildTest, RunningOutOfMemoryIsSaidSo) {
    const std::uint64_t limit = importerAddressSpace();
    if (limit == 0) {
        GTEST_SKIP() << "no address-space limit in sanitizer builds";
    }
    EXPECT_GE(limit, std::uint64_t{1} << 30);
    const auto path = order("oom");
    const std::string message = load(path).message();
    EXPECT_TRUE(message.starts_with(path.string() + ": the importer needed more than ")) << message;
    EXPECT_TRUE(message.ends_with(" GiB")) << message;
}

TEST_F(ChildTest, CancelledImportStops) {
    CancelToken token;
    token.cancel();
    const auto path = order("hang");
    EXPECT_EQ(loadModelFile(path, options, &token).message(),
              path.string() + ": the import was cancelled");
    // The same for a file read in this process.
    const auto stl = testing::kSamples / "bunny.stl";
    EXPECT_EQ(loadModelFile(stl, options, &token).message(),
              stl.string() + ": the import was cancelled");
}

TEST_F(ChildTest, CancelFromAnotherThreadEndsAHangingChild) {
    CancelToken token;
    const auto path = order("hang");
    std::thread canceller([&token] {
        std::this_thread::sleep_for(200ms);
        token.cancel();
    });
    const Result<LoadedModel> result = loadModelFile(path, options, &token);
    canceller.join();
    EXPECT_EQ(result.message(), path.string() + ": the import was cancelled");
}

TEST_F(ChildTest, AMissingImporterIsReported) {
    options.importer = dir_ / "no-such-importer";
    const auto path = order("model");
    EXPECT_EQ(load(path).message(),
              path.string() + ": cannot start the importer " + options.importer.string());
}

// The real importer on files the checks would refuse: the library loops on
// a PLY header without end, and allocates far beyond the file for huge OFF
// counts. The child's limits turn both into messages.
TEST_F(ChildTest, LibraryLoopsAndRunawayAllocationsStayInTheChild) {
    ChildSettings settings;
    settings.importer = KELPRIS_TEST_IMPORTER;
    settings.timeout = 1500ms;
    settings.addressSpaceBytes = importerAddressSpace() == 0 ? 0 : std::uint64_t{3} << 29;
    const auto loop = write("loop.ply", "ply\nformat ascii 1.0\n");
    EXPECT_EQ(importInChild(loop, settings, nullptr, {}).message(),
              loop.string() + ": the importer took longer than 2 s");
    if (settings.addressSpaceBytes != 0) {
        const auto huge = write("huge.off", "OFF\n100000000 100000000 0\n0 0 0\n");
        EXPECT_EQ(importInChild(huge, settings, nullptr, {}).message(),
                  huge.string() + ": the importer needed more than 1.5 GiB");
    }
}

bool processEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
        return true;
    }
    const char state = line[line.rfind(')') + 2];
    return state == 'Z' || state == 'X';  // a zombie has ended; its new parent reaps it
}

// Killing the viewer mid-import, however it dies, ends the importer at once
// rather than when its CPU limit runs out.
TEST_F(ChildTest, TheImporterEndsWithTheViewer) {
    options.timeout = 60s;
    for (const int signal : {SIGTERM, SIGKILL}) {
        const auto path = order("hang");
        const std::string pidFile = path.string() + ".pid";
        std::filesystem::remove(pidFile);
        const pid_t viewer = ::fork();
        if (viewer == 0) {
            static_cast<void>(loadModelFile(path, options).ok());
            ::_exit(0);
        }
        pid_t importer = 0;
        for (int i = 0; i < 1000 && importer == 0; ++i) {
            std::this_thread::sleep_for(10ms);
            std::ifstream(pidFile) >> importer;
        }
        ASSERT_GT(importer, 0);
        ::kill(viewer, signal);
        int status = 0;
        ::waitpid(viewer, &status, 0);
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!processEnded(importer) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_TRUE(processEnded(importer)) << "signal " << signal;
        ::kill(importer, SIGKILL);
    }
}

}  // namespace
}  // namespace kelpris::mesh
