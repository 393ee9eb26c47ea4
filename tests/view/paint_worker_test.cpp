// The paint's second thread: a failure on it reaches the caller, and a task
// is always finished before the guard that started it is gone. Without a
// thread the task runs where the caller waits for it.

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "view/paint_worker.h"

namespace kelpris {
namespace {

TEST(PaintWorkerTest, aFailureOnTheWorkerIsRethrownByJoin) {
    PaintWorker worker;
    WorkerTask task(&worker, [] { throw std::runtime_error("worker"); });
    EXPECT_THROW(task.join(), std::runtime_error);
    // The worker is usable again afterwards.
    int runs = 0;
    WorkerTask next(&worker, [&runs] { ++runs; });
    next.join();
    EXPECT_EQ(runs, 1);
}

TEST(PaintWorkerTest, theGuardWaitsForItsTask) {
    PaintWorker worker;
    for (const bool callerThrows : {false, true}) {
        int done = 0;
        try {
            WorkerTask task(&worker, [&done] {
                for (int i = 0; i < 1000; ++i) {
                    done = i + 1;
                }
            });
            if (callerThrows) {
                throw std::runtime_error("caller");
            }
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(done, 1000);  // read without a data race only if the task is over
    }
}

TEST(PaintWorkerTest, withoutAWorkerTheTaskRunsAtJoinAndOnlyThere) {
    std::vector<int> steps;
    {
        WorkerTask task(nullptr, [&steps] { steps.push_back(2); });
        steps.push_back(1);
        task.join();
        steps.push_back(3);
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
    WorkerTask failing(nullptr, [] { throw std::runtime_error("task"); });
    EXPECT_THROW(failing.join(), std::runtime_error);
    try {
        WorkerTask dropped(nullptr, [&steps] { steps.push_back(4); });
        throw std::runtime_error("caller");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(steps.size(), 3u);  // a caller that gave up never runs it
}

}  // namespace
}  // namespace kelpris
