#pragma once
// The second thread of a paint: a thread kept for the life of its owner (so
// a paint does not pay for starting one) that runs one task at a time beside
// the calling thread, and the buffers a paint reuses from one paint to the
// next.

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "geometry/scene_projection.h"
#include "render/drawing_surface.h"
#include "render/scene_drawing.h"

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

    // Per-paint buffers, reused so that a paint does not allocate them anew.
    std::vector<ProjectedVertex> callerProjection;  ///< drawn by the calling thread
    std::vector<ProjectedVertex> workerProjection;  ///< drawn by the worker thread
    std::vector<FaceCorners> faces;                 ///< faces in drawing order
    /// Off-screen pictures kept while their size stays (allocating and
    /// clearing a window-sized picture costs as much as a simple paint);
    /// every paint covers them wholly before drawing on them.
    std::unique_ptr<Bitmap> leftEyePicture;
    std::unique_ptr<Bitmap> previewPicture;

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

/// A task on a PaintWorker for the lifetime of the guard: started by the
/// constructor and always waited for before the guard goes, so that a task
/// never outlives the data it works on, even when the caller throws.
class WorkerTask {
  public:
    WorkerTask(PaintWorker& worker, std::function<void()> task);
    ~WorkerTask();
    WorkerTask(const WorkerTask&) = delete;
    WorkerTask& operator=(const WorkerTask&) = delete;
    /// Waits for the task and rethrows what it threw.
    void join();

  private:
    PaintWorker& worker_;
    bool joined_ = false;
};

/// One of the worker's kept pictures selected into a memory surface for the
/// guard's life: made anew from `window` first when it is missing, of another
/// size, or not accepted by `memory`. The memory surface gets its previous
/// bitmap back when the guard goes.
class KeptPictureSelection {
  public:
    KeptPictureSelection(DrawingSurface& window, DrawingSurface* memory,
                         std::unique_ptr<Bitmap>& kept, std::int32_t width, std::int32_t height);
    ~KeptPictureSelection();
    KeptPictureSelection(const KeptPictureSelection&) = delete;
    KeptPictureSelection& operator=(const KeptPictureSelection&) = delete;
    /// False when no picture could be made or selected.
    bool selected() const { return previous_ != nullptr; }

  private:
    DrawingSurface* memory_;
    Bitmap* previous_ = nullptr;
};

}  // namespace kelpris
