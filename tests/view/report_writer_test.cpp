// The sort report: its text, the atomic write at once, and the background
// writer, where the latest report wins over ones not yet started, flush and
// the destructor wait for everything submitted, every finished write's
// outcome is handed over once, and the file is the one a write at once
// gives. A blocking write function holds the writer at a known point, so
// nothing here depends on timing.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "view/report_writer.h"

namespace kelpris {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHeader = "Report vytriedovania stien, obsah struktury TRIEDENE_STENY:\n";

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The depths a report's text lists, comma separated: what a test submitted.
std::string depthsIn(const std::string& text) {
    std::string out;
    std::size_t at = text.find(" :  ");
    while (at != std::string::npos) {
        const std::size_t end = text.find(' ', at + 4);
        out += (out.empty() ? "" : ",") + text.substr(at + 4, end - at - 4);
        at = text.find(" :  ", end);
    }
    return out;
}

// Records every write; while `hold` is set the first write waits for
// release() after saying it has started.
class GatedWrites {
  public:
    explicit GatedWrites(bool hold) : hold_(hold) {}

    ReportWriter::WriteFn fn() {
        return [this](const std::filesystem::path& path, const std::string& text) {
            std::unique_lock lock(mutex_);
            written_.push_back(path.filename().string() + "=" + depthsIn(text));
            paths_.push_back(path);
            ++started_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !hold_; });
            return path.filename() == "fail"
                       ? FileStatus::failure(path.string(), 0, "cannot write: no")
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
    writer.submit("a", std::vector<std::int32_t>{1});
    writes.waitForStart(1);  // "1" is being written and will be finished
    writer.submit("a", std::vector<std::int32_t>{2});
    writer.submit("a", std::vector<std::int32_t>{3});
    writer.submit("b", std::vector<std::int32_t>{4});  // the latest, whatever its path
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
    for (const char* name : {"ok", "fail", "ok"}) {
        writer.submit(name, std::vector<std::int32_t>{7});
        writer.flush();  // each one written before the next comes
    }
    const std::vector<FileStatus> statuses = writer.takeStatuses();
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_TRUE(statuses[0].ok);
    EXPECT_FALSE(statuses[1].ok);
    EXPECT_TRUE(statuses[2].ok);
    EXPECT_EQ(finished, 3);
}

// Reports submitted one after another wait for a pause (here an hour away):
// nothing is written until flush, which writes only the latest at once.
TEST(ReportWriterTest, reportsWaitForAPauseAndFlushWritesTheLatestAtOnce) {
    GatedWrites writes(false);
    ReportWriter writer({}, writes.fn(), {std::chrono::hours(1), std::chrono::hours(1)});
    writer.submit("a", std::vector<std::int32_t>{1});
    writer.submit("a", std::vector<std::int32_t>{2});
    EXPECT_TRUE(writes.written().empty());
    writer.flush();
    EXPECT_EQ(writes.written(), (std::vector<std::string>{"a=2"}));
}

TEST(ReportWriterTest, destructionWritesWhatIsStillWaiting) {
    GatedWrites writes(true);
    {
        ReportWriter writer({}, writes.fn());
        writer.submit("a", std::vector<std::int32_t>{1});
        writes.waitForStart(1);
        writer.submit("a", std::vector<std::int32_t>{2});
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
    writer.submit("x", std::vector<std::int32_t>{1});
    writes.waitForStart(1);
    writer.submit("rel.txt", std::vector<std::int32_t>{2});
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

// Depths handed to the writer give the very file a write at once gives.
TEST(ReportWriterTest, theBackgroundFileIsTheOneWrittenAtOnce) {
    const testing::ScratchDir dir;
    const std::vector<std::int32_t> depths{2147483647, 5, -7};
    ASSERT_TRUE(writeSortReport(dir / "sync.txt", depths));
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
    EXPECT_EQ(readFile(dir / "async.txt"), readFile(dir / "sync.txt"));
    EXPECT_EQ(readFile(dir / "empty.txt"), kHeader);
}

TEST(SortReportTest, listsTheEntriesInOrderAndReplacesAnOldReport) {
    const testing::ScratchDir dir;
    const fs::path report = dir / "rep_vytr.txt";
    ASSERT_TRUE(
        writeSortReport(report, std::vector<std::int32_t>{250, 0, -3, -3, -2147483647 - 1}));
    EXPECT_EQ(readFile(report), std::string(kHeader) +
                                    "tr.stena 1 :  250 \n"
                                    "tr.stena 2 :  0 \n"
                                    "tr.stena 3 :  -3 \n"
                                    "tr.stena 4 :  -3 \n"
                                    "tr.stena 5 :  -2147483648 \n");
    ASSERT_TRUE(writeSortReport(report, std::vector<std::int32_t>{42}));
    EXPECT_EQ(readFile(report), std::string(kHeader) + "tr.stena 1 :  42 \n");
    ASSERT_TRUE(writeSortReport(report, {}));
    EXPECT_EQ(readFile(report), kHeader);
}

TEST(SortReportTest, anUnwritableReportSaysWhy) {
    const testing::ScratchDir dir;
    const struct {
        fs::path path;
        int err;
    } cases[] = {{dir.path(), EISDIR}, {dir / "missing" / "rep_vytr.txt", ENOENT}};
    for (const auto& c : cases) {
        const FileStatus st = writeSortReport(c.path, std::vector<std::int32_t>{1, 3, 2});
        EXPECT_FALSE(st.ok);
        EXPECT_EQ(st.path, c.path.string());
        EXPECT_NE(st.reason.find(std::strerror(c.err)), std::string::npos) << st.reason;
    }
}

TEST(SortReportTest, whateverIsPlantedUnderTheReportNameIsReplacedNotFollowedOrOpened) {
    const testing::ScratchDir dir;
    const fs::path report = dir / "rep_vytr.txt";
    const fs::path elsewhere = dir / "precious.txt";
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
        fs::remove(report);
        c.plant(report, elsewhere);
        const FileStatus status = writeSortReport(report, std::vector<std::int32_t>{1, 3, 2});
        ASSERT_TRUE(status.ok) << status.message();
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(report)));
        EXPECT_EQ(readFile(report).rfind(kHeader, 0), 0u);
        EXPECT_EQ(readFile(elsewhere), "keep me\n");
    }
}

// The report formatted into a kept buffer is the report line by line, whatever
// the buffer held before (empty, longer, shorter), across the places where
// positions and depths gain a digit and at the int32 limits.
TEST(SortReportTest, formattedIntoAKeptBufferLineByLine) {
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
            formatSortReport(depths, fresh);
            EXPECT_EQ(fresh, want) << depths.size() << " entries over " << before.size();
            formatSortReport(depths, kept);  // one buffer through every list
            EXPECT_EQ(kept, want);
        }
    }
}

}  // namespace
}  // namespace kelpris
