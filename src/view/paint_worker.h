#pragma once
// The second thread of a paint: a thread kept for the life of its owner (so
// a paint does not pay for starting one) that runs one task at a time beside
// the calling thread. A paint without one runs the same tasks on the calling
// thread.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kelpris {

class PaintWorker {
  public:
    PaintWorker();
    /// Waits for a task still running, then ends the thread.
    ~PaintWorker();
    PaintWorker(const PaintWorker&) = delete;
    PaintWorker& operator=(const PaintWorker&) = delete;

    /// Runs `task` on the worker thread, after the task started before it
    /// (whose failure, if it was not waited for, is then dropped).
    void start(std::function<void()> task);
    /// Waits until the task started last has finished; rethrows what it threw.
    void wait();

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;  // last: starts once everything above exists
};

/// A task beside the calling thread for the lifetime of the guard. With a
/// worker it starts at once on the worker's thread and is always waited for
/// before the guard goes, so that a task never outlives the data it works
/// on, even when the caller throws. Without one it runs on the calling
/// thread at join(): the paint is then the same code on one thread, and a
/// surface sees the calls in the order the code makes them, the task's last.
class WorkerTask {
  public:
    WorkerTask(PaintWorker* worker, std::function<void()> task);
    ~WorkerTask();
    WorkerTask(const WorkerTask&) = delete;
    WorkerTask& operator=(const WorkerTask&) = delete;
    /// Waits for the task (or runs it) and rethrows what it threw.
    void join();

  private:
    PaintWorker* worker_;
    std::function<void()> deferred_;  // the task, when there is no worker
    bool joined_ = false;
};

/// Indices 0 .. count-1 handed out a slice at a time to whichever thread
/// asks next: threads that each have other work first still finish a shared
/// part together, whatever else the machine runs.
class SharedSlices {
  public:
    SharedSlices(std::size_t count, std::size_t slice)
        : count_(count), slice_(std::max<std::size_t>(slice, 1)) {}
    /// Runs work(first, last) on the slices no thread has taken yet, until
    /// none is left.
    template <typename Work>
    void take(const Work& work) {
        for (;;) {
            const std::size_t first = next_.fetch_add(slice_, std::memory_order_relaxed);
            if (first >= count_) {
                return;
            }
            work(first, first + std::min(slice_, count_ - first));
        }
    }

  private:
    std::atomic<std::size_t> next_{0};
    std::size_t count_;
    std::size_t slice_;
};

}  // namespace kelpris
