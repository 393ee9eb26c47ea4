// The background report writer: the latest report wins over ones not yet
// started, flush and the destructor wait for everything submitted, every
// finished write's outcome is handed over once, and the text is what the
// synchronous sort writes. A blocking write function holds the writer at a
// known point, so nothing here depends on timing.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "scene/scena.h"
#include "view/report_writer.h"

namespace kelpris {
namespace {

// Records every write; while `hold` is set the first write waits for
// release() after saying it has started.
class GatedWrites {
  public:
    explicit GatedWrites(bool hold) : hold_(hold) {}

    ReportWriter::WriteFn fn() {
        return [this](const std::filesystem::path& path, const std::string& text) {
            std::unique_lock lock(mutex_);
            written_.push_back(path.filename().string() + "=" + text);
            paths_.push_back(path);
            ++started_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !hold_; });
            return text == "fail" ? FileStatus::failure(path.string(), 0, "cannot write: no")
                                  : FileStatus::success(path.string());
        };
    }
    void waitForStart(int n) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_ >= n; });
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            hold_ = false;
        }
        changed_.notify_all();
    }
    std::vector<std::string> written() {
        std::lock_guard lock(mutex_);
        return written_;
    }
    std::vector<std::filesystem::path> paths() {
        std::lock_guard lock(mutex_);
        return paths_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool hold_;
    int started_ = 0;
    std::vector<std::string> written_;
    std::vector<std::filesystem::path> paths_;
};

TEST(ReportWriterTest, theLatestWaitingReportReplacesEarlierOnes) {
    GatedWrites writes(true);
    ReportWriter writer({}, writes.fn());
    writer.submit("a", std::string("1"));
    writes.waitForStart(1);  // "1" is being written and will be finished
    writer.submit("a", std::string("2"));
    writer.submit("a", std::string("3"));
    writer.submit("b", std::string("4"));  // the latest, whatever its path
    writes.release();
    writer.flush();
    EXPECT_EQ(writes.written(), (std::vector<std::string>{"a=1", "b=4"}));
    const std::vector<FileStatus> statuses = writer.takeStatuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[0].path, std::filesystem::absolute("a"));  // the whole path, as written
    EXPECT_EQ(statuses[1].path, std::filesystem::absolute("b"));
    EXPECT_TRUE(writer.takeStatuses().empty());  // handed over once
}

TEST(ReportWriterTest, outcomesKeepTheirOrderAndFailures) {
    GatedWrites writes(false);
    int finished = 0;
    ReportWriter writer([&finished] { ++finished; }, writes.fn());
    for (const char* text : {"ok", "fail", "ok"}) {
        writer.submit("r", std::string(text));
        writer.flush();  // each one written before the next comes
    }
    const std::vector<FileStatus> statuses = writer.takeStatuses();
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_TRUE(statuses[0].ok);
    EXPECT_FALSE(statuses[1].ok);
    EXPECT_TRUE(statuses[2].ok);
    EXPECT_EQ(finished, 3);
}

TEST(ReportWriterTest, destructionWritesWhatIsStillWaiting) {
    GatedWrites writes(true);
    {
        ReportWriter writer({}, writes.fn());
        writer.submit("a", std::string("1"));
        writes.waitForStart(1);
        writer.submit("a", std::string("2"));
        writes.release();
    }
    EXPECT_EQ(writes.written(), (std::vector<std::string>{"a=1", "a=2"}));
}

// A write at once would use the working directory of the paint; a later
// change of directory must not move the report.
TEST(ReportWriterTest, relativePathsAreTakenWhenSubmitted) {
    namespace fs = std::filesystem;
    const fs::path before = fs::current_path();
    const fs::path first = fs::temp_directory_path();
    GatedWrites writes(true);
    ReportWriter writer({}, writes.fn());
    fs::current_path(first);
    writer.submit("x", std::string("1"));
    writes.waitForStart(1);
    writer.submit("rel.txt", std::string("2"));
    fs::current_path(before == first ? fs::path("/") : before);
    writes.release();
    writer.flush();
    fs::current_path(before);
    ASSERT_EQ(writes.paths().size(), 2u);
    EXPECT_EQ(writes.paths()[1], fs::absolute(first / "rel.txt"));
    EXPECT_EQ(writer.takeStatuses().at(1).path, fs::absolute(first / "rel.txt"));
}

TEST(ReportWriterTest, flushWithNothingSubmittedReturns) {
    ReportWriter writer;
    writer.flush();
    EXPECT_TRUE(writer.takeStatuses().empty());
}

// Depths handed to the writer give the very file the synchronous sort writes.
TEST(ReportWriterTest, depthsBecomeTheSortReportText) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "kelpris_report_writer_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    Scena scene;
    scene.faceModel = 1;
    scene.vertices = {{0, 0, 0, 0, 0, -7}, {0, 0, 0, 0, 0, 5}, {0, 0, 0, 0, 0, 2147483647}};
    for (Vertex* a : {&scene.vertices[0], &scene.vertices[1], &scene.vertices[2]}) {
        scene.faces.push_back({a, a, a, nullptr});
    }
    ASSERT_TRUE(scene.sortFaces(dir / "sync.txt"));
    std::vector<std::int32_t> depths;
    for (const SortedFace& e : scene.TRIEDENE_STENY) {
        depths.push_back(e.depth);
    }
    {
        ReportWriter writer;
        writer.submit(dir / "async.txt", depths);
        writer.flush();  // else the next one could replace it
        writer.submit(dir / "empty.txt", std::vector<std::int32_t>{});
        writer.flush();
        for (const FileStatus& s : writer.takeStatuses()) {
            EXPECT_TRUE(s.ok) << s.message();
        }
    }
    auto read = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(dir / "async.txt"), read(dir / "sync.txt"));
    EXPECT_EQ(read(dir / "empty.txt"),
              "Report vytriedovania stien, obsah struktury TRIEDENE_STENY:\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelpris
