#pragma once
// Stopping a model load from another thread, and hearing how far it got.

#include <atomic>
#include <cstdint>
#include <functional>

namespace kelpris::mesh {

/// Lets another thread stop a load. The owner keeps it alive for the whole
/// call; cancel() is safe from any thread and from a signal handler.
class CancelToken {
  public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void cancel() noexcept;
    bool cancelled() const noexcept { return cancelled_.load(); }
    /// Readable once cancel() has been called (for poll()); -1 if none.
    int fd() const noexcept { return fds_[0]; }

  private:
    int fds_[2] = {-1, -1};
    std::atomic<bool> cancelled_{false};
};

/// Bytes read so far and the total expected (0 until known).
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

}  // namespace kelpris::mesh
