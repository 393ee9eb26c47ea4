#include "view/report_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>
#include <utility>

#include "base/file_io.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace kelpris {

namespace {

/// Characters of the decimal form of v, a sign included.
constexpr std::size_t decimalLength(std::int64_t v) noexcept {
    std::size_t n = v < 0 ? 2 : 1;
    // The magnitude in unsigned arithmetic: -v would overflow for the minimum.
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m >= 10) {
        m /= 10;
        ++n;
    }
    return n;
}

FileStatus writeReportText(const std::filesystem::path& path, const std::string& text) {
    // A link planted under the report's name is replaced, not followed, so
    // the report can never overwrite another file. The report is rewritten
    // on every stereo paint: syncing it each time would cost every paint a
    // disk flush, and the next paint writes it again anyway.
    return writeFileAtomically(path, text, LinkPolicy::ReplaceLinks, Durability::Unsynced);
}

}  // namespace

void formatSortReport(std::span<const std::int32_t> depths, std::string& out) {
    static constexpr char kHeader[] =
        "Report vytriedovania stien, obsah struktury TRIEDENE_STENY:\n";
    static constexpr char kPrefix[] = "tr.stena ";
    static constexpr char kMiddle[] = " :  ";
    static constexpr char kEnd[] = " \n";
    constexpr std::size_t kFixed = (sizeof kPrefix - 1) + (sizeof kMiddle - 1) + (sizeof kEnd - 1);
    // The exact length first, so that a buffer kept from an earlier report
    // of about the same size is written over as it is, with no new memory
    // and no clearing.
    std::size_t length = sizeof kHeader - 1 + depths.size() * kFixed;
    std::size_t digitsAtLeast = 1;
    std::int64_t nextLonger = 10;  // the first position with one more digit
    for (std::size_t i = 0; i < depths.size(); ++i) {
        const auto position = static_cast<std::int64_t>(i) + 1;
        if (position == nextLonger) {
            ++digitsAtLeast;
            nextLonger *= 10;
        }
        length += digitsAtLeast + decimalLength(depths[i]);
    }
    out.resize(length);
    char* p = out.data();
    char* const end = out.data() + out.size();
    std::memcpy(p, kHeader, sizeof kHeader - 1);
    p += sizeof kHeader - 1;
    std::int64_t position = 0;
    for (const std::int32_t depth : depths) {
        ++position;
        std::memcpy(p, kPrefix, sizeof kPrefix - 1);
        p += sizeof kPrefix - 1;
        p = std::to_chars(p, end, position).ptr;
        std::memcpy(p, kMiddle, sizeof kMiddle - 1);
        p += sizeof kMiddle - 1;
        p = std::to_chars(p, end, depth).ptr;
        std::memcpy(p, kEnd, sizeof kEnd - 1);
        p += sizeof kEnd - 1;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));  // already exact; kept as a guard
}

FileStatus writeSortReport(const std::filesystem::path& path,
                           std::span<const std::int32_t> depths) {
    try {
        std::string text;
        formatSortReport(depths, text);
        return writeReportText(path, text);
    } catch (const std::bad_alloc&) {
        return FileStatus::failure(path.string(), 0, "cannot write: out of memory");
    }
}

ReportWriter::ReportWriter(FinishedFn finished, WriteFn write, ReportDelay delay)
    : write_(write ? std::move(write) : WriteFn(writeReportText)),
      finished_(std::move(finished)),
      delay_(delay),
      thread_([this] { run(); }) {}

ReportWriter::~ReportWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();  // the thread writes what is pending before it ends
}

namespace {

std::filesystem::path resolved(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

}  // namespace

void ReportWriter::submit(std::filesystem::path path, std::vector<std::int32_t> depths) {
    std::filesystem::path location = resolved(path);
    enqueue(Job{std::move(path), std::move(location), std::move(depths)});
}

void ReportWriter::enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        lastSubmitted_ = Clock::now();
        if (!pending_) {
            firstWaiting_ = lastSubmitted_;
        }
        if (pending_) {  // a report not yet started is replaced
            spareDepths_ = std::move(pending_->depths);
        }
        pending_ = std::move(job);
    }
    changed_.notify_all();
}

void ReportWriter::flush() {
    std::unique_lock lock(mutex_);
    ++flushing_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !pending_ && !writing_; });
    --flushing_;
}

void ReportWriter::waitForPause(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        if (stopping_ || flushing_ > 0) {
            return;
        }
        const Clock::time_point due =
            std::min(lastSubmitted_ + delay_.quiet, firstWaiting_ + delay_.longest);
        if (Clock::now() >= due) {
            return;
        }
        changed_.wait_until(lock, due);
    }
}

std::vector<std::int32_t> ReportWriter::takeSpareDepths() {
    std::lock_guard lock(mutex_);
    return std::exchange(spareDepths_, {});
}

std::vector<FileStatus> ReportWriter::takeStatuses() {
    std::lock_guard lock(mutex_);
    return std::exchange(statuses_, {});
}

FileStatus ReportWriter::write(const Job& job) {
    FileStatus status;
    try {
        formatSortReport(job.depths, text_);
        status = write_(job.location, text_);
    } catch (const std::bad_alloc&) {
        status = FileStatus::failure(job.location.string(), 0, "cannot write: out of memory");
    }
    // The whole path, resolved when the paint asked for it, so the user can
    // find the file whatever the working directory is now.
    status.path = job.location.string();
    return status;
}

namespace {

/// Gives the calling thread the lowest scheduling priority where the system
/// lets a thread have its own: a report then takes a core only when the
/// paint threads leave it idle, or a sliver of it when they do not, instead
/// of half of it from a paint that is under way.
void yieldToPaints() noexcept {
#if defined(__linux__)
    // Lowering one's own priority is always allowed; should it fail, the
    // report is written at the usual priority.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
#endif
}

}  // namespace

void ReportWriter::run() {
    yieldToPaints();
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) {
            return;  // stopping, and everything submitted is written
        }
        waitForPause(lock);
        Job job = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        FileStatus status = write(job);
        lock.lock();
        spareDepths_ = std::move(job.depths);
        statuses_.push_back(std::move(status));
        if (finished_) {
            lock.unlock();
            finished_();
            lock.lock();
        }
        writing_ = false;  // only now: flush also waits for the notice
        changed_.notify_all();
    }
}

}  // namespace kelpris
