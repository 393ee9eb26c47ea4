#include "view/report_writer.h"

#include <new>
#include <utility>

namespace kelpris {

ReportWriter::ReportWriter(FinishedFn finished, WriteFn write)
    : write_(write ? std::move(write) : WriteFn(writeSortReport)),
      finished_(std::move(finished)),
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

void ReportWriter::submit(std::filesystem::path path, std::string text) {
    std::filesystem::path location = resolved(path);
    enqueue(Job{std::move(path), std::move(location), std::move(text)});
}

void ReportWriter::enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(job);  // a report not yet started is replaced
    }
    changed_.notify_all();
}

void ReportWriter::flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !writing_; });
}

std::vector<FileStatus> ReportWriter::takeStatuses() {
    std::lock_guard lock(mutex_);
    return std::exchange(statuses_, {});
}

FileStatus ReportWriter::write(const Job& job) {
    FileStatus status;
    try {
        if (const auto* text = std::get_if<std::string>(&job.content)) {
            status = write_(job.location, *text);
        } else {
            formatSortReportInto(std::get<std::vector<std::int32_t>>(job.content), text_);
            status = write_(job.location, text_);
        }
    } catch (const std::bad_alloc&) {
        status = FileStatus::failure(job.location.string(), 0, "cannot write: out of memory");
    }
    // The whole path, resolved when the paint asked for it, so the user can
    // find the file whatever the working directory is now.
    status.path = job.location.string();
    return status;
}

void ReportWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_) {
            return;  // stopping, and everything submitted is written
        }
        Job job = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        FileStatus status = write(job);
        job = Job{};  // free the report before the next one is formatted
        lock.lock();
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
