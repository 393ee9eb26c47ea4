// The paint's second thread: a failure on it reaches the caller, and a task
// is always finished before the guard that started it is gone. Without a
// thread the task runs where the caller waits for it. Work shared in slices
// is done once, whole, by the two threads together.

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <utility>
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

TEST(PaintWorkerTest, sharedSlicesCoverEveryIndexOnce) {
    PaintWorker worker;
    // A last slice cut short, one slice, nothing, and a zero slice (taken as 1).
    for (const auto& [count, slice] :
         {std::pair<std::size_t, std::size_t>{10007, 64}, {5, 8}, {0, 4}, {3, 0}}) {
        std::vector<int> seen(count, 0);
        SharedSlices slices(count, slice);
        const auto mark = [&seen](std::size_t first, std::size_t last) {
            for (std::size_t i = first; i < last; ++i) {
                ++seen[i];
            }
        };
        WorkerTask task(&worker, [&] { slices.take(mark); });
        slices.take(mark);
        task.join();
        EXPECT_EQ(seen, std::vector<int>(count, 1)) << count << " by " << slice;
    }
}

}  // namespace
}  // namespace kelpris
