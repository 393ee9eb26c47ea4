#include "view/paint_worker.h"

#include <utility>

namespace kelpris {

PaintWorker::PaintWorker() : thread_([this] { run(); }) {}

PaintWorker::~PaintWorker() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PaintWorker::start(std::function<void()> task) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });  // one task at a time
        task_ = std::move(task);
        error_ = nullptr;
        busy_ = true;
    }
    changed_.notify_all();
}

void PaintWorker::wait() {
    std::exception_ptr error;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        error = std::exchange(error_, nullptr);
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

void PaintWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) {
            return;  // stopping with nothing to do
        }
        std::function<void()> task = std::move(task_);
        lock.unlock();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        task = nullptr;  // whatever the task holds goes before it is reported done
        lock.lock();
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

WorkerTask::WorkerTask(PaintWorker* worker, std::function<void()> task) : worker_(worker) {
    if (worker_ != nullptr) {
        worker_->start(std::move(task));
    } else {
        deferred_ = std::move(task);
    }
}

WorkerTask::~WorkerTask() {
    if (!joined_ && worker_ != nullptr) {
        try {
            worker_->wait();
        } catch (...) {
            // Already unwinding from the caller's own failure; that one wins.
        }
    }
}

void WorkerTask::join() {
    joined_ = true;
    if (worker_ != nullptr) {
        worker_->wait();
    } else if (deferred_) {
        std::exchange(deferred_, nullptr)();
    }
}

}  // namespace kelpris
