#pragma once
// Reads a model file on a worker thread so that the window keeps repainting
// and can offer Cancel while a large model arrives from the importer.

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "import/model_loader.h"

namespace kelpris {

class BackgroundLoad : public QObject {
  public:
    /// Called on this object's thread with the bytes received so far and
    /// the total (0 until known).
    using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    /// Called on this object's thread once the load has ended; `cancelled`
    /// when cancel() stopped it.
    using Finished = std::function<void(const QByteArray& path, Result<mesh::LoadedModel>&& result,
                                        bool cancelled)>;

    BackgroundLoad(Progress progress, Finished finished, QObject* parent = nullptr);
    /// Cancels a load still running and waits for its thread.
    ~BackgroundLoad() override;
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    /// Starts loading `path`; a load still running is cancelled first and
    /// its outcome never reported.
    void start(const QByteArray& path, const mesh::ImportOptions& options);
    /// Stops the running load (the importer's child is ended); its outcome
    /// is reported as cancelled.
    void cancel();
    /// Cancels without reporting and waits for the thread.
    void abandon();
    bool running() const { return running_; }

  private:
    void deliver(std::uint64_t generation, const QByteArray& path,
                 const std::shared_ptr<Result<mesh::LoadedModel>>& result, bool cancelled);

    Progress progress_;
    Finished finished_;
    std::unique_ptr<mesh::CancelToken> token_;
    std::thread worker_;
    std::uint64_t generation_ = 0;  // read and written on this object's thread only
    bool running_ = false;
};

}  // namespace kelpris
