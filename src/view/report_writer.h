#pragma once
// The sort report: the text of a depth order, written to rep_vytr.txt by
// every stereo paint of a face model, at once or on a thread of its own, so
// that a paint does not wait for formatting and writing a report that may
// run to many megabytes.
//
// When reports come faster than they can be written, only the latest one
// waiting is kept: a report that is being written is finished, one that has
// not been started is replaced. The file that stands once the writer is idle
// is therefore the one the latest submission describes, exactly as if every
// report had been written at once.
//
// While paints follow one another (a drag, a key held down, a turntable) a
// report waits until they pause, up to a longest delay, so that formatting
// and writing it does not take the processor from the next paint; flush and
// the destructor write what waits at once.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "base/file_status.h"

namespace kelpris {

/// The report every sort of a face model writes, in the working directory.
inline constexpr const char* kSortReportFile = "rep_vytr.txt";

/// The text of the report of a depth order, from the depths of its entries
/// in list order: the header line, then one "tr.stena <position> :  <depth> "
/// line per entry. Written over `out`, whose memory is reused: a caller
/// formatting one report after another keeps one buffer.
void formatSortReport(std::span<const std::int32_t> depths, std::string& out);

/// Formats the report and writes it to `path` atomically. A link or FIFO
/// planted under the report's name is replaced, never followed or opened.
/// The status names the file and the system's reason on failure.
[[nodiscard]] FileStatus writeSortReport(const std::filesystem::path& path,
                                         std::span<const std::int32_t> depths);

/// How long a report submitted to a ReportWriter waits: until no other has
/// come for `quiet`, and never longer than `longest` after the first one
/// waiting.
struct ReportDelay {
    std::chrono::milliseconds quiet{100};
    std::chrono::milliseconds longest{1000};
};

class ReportWriter {
  public:
    /// Writes a report's text to a path and says how it went.
    using WriteFn = std::function<FileStatus(const std::filesystem::path&, const std::string&)>;
    /// Called on the writer thread after each write, once its outcome can be
    /// taken with takeStatuses; must not call back into the writer.
    using FinishedFn = std::function<void()>;

    /// `write` defaults to the atomic write writeSortReport makes.
    explicit ReportWriter(FinishedFn finished = {}, WriteFn write = {},
                          ReportDelay delay = ReportDelay{});
    /// Writes what is still waiting, then ends the thread.
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    /// A report of these depths, in list order (the text writeSortReport
    /// writes). A relative path is taken from the working directory of the
    /// moment, as a write at once would take it.
    void submit(std::filesystem::path path, std::vector<std::int32_t> depths);

    /// The depths of a report already written or replaced, for the caller to
    /// fill and submit again, or none: a large model's depths are megabytes,
    /// and memory reused costs a paint less than fresh memory.
    std::vector<std::int32_t> takeSpareDepths();

    /// Writes what waits at once, then waits until every submitted report is
    /// written (and its FinishedFn has returned) or replaced.
    void flush();

    /// The outcomes of the writes finished since the last call, oldest first.
    /// Replaced reports have none.
    std::vector<FileStatus> takeStatuses();

  private:
    struct Job {
        std::filesystem::path path;      ///< as given, for the outcome
        std::filesystem::path location;  ///< resolved against the directory at submission
        std::vector<std::int32_t> depths;
    };
    using Clock = std::chrono::steady_clock;
    void enqueue(Job job);
    void run();
    /// Waits while the pending report may still wait; the lock is held.
    void waitForPause(std::unique_lock<std::mutex>& lock);
    FileStatus write(const Job& job);

    WriteFn write_;
    FinishedFn finished_;
    ReportDelay delay_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> pending_;
    Clock::time_point firstWaiting_;  ///< when the pending report's wait began
    Clock::time_point lastSubmitted_;
    int flushing_ = 0;  ///< callers in flush
    bool writing_ = false;
    bool stopping_ = false;
    std::vector<FileStatus> statuses_;
    std::vector<std::int32_t> spareDepths_;
    // The writer thread's text buffer, kept from one report to the next: a
    // large model's report is tens of megabytes, fresh memory for which
    // costs more than formatting it.
    std::string text_;
    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace kelpris
