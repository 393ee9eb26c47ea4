#pragma once
// Runs the importer program in a child process, so that a crash, a runaway
// allocation or an endless loop inside the import library costs the viewer
// nothing but an error message. The child gets only the stream pipe (stdin,
// stdout and stderr are /dev/null), limits on address space, CPU time and
// open files, and no core dump; the parent enforces a wall-clock time-out and
// can be cancelled at any moment.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "import/mesh_builder.h"

namespace kelpris::mesh {

/// Lets another thread stop an import. The owner keeps it alive for the
/// whole call; cancel() is safe from any thread and from a signal handler.
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

/// Bytes received so far and the total announced (0 until known).
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct ChildSettings {
    std::filesystem::path importer;  ///< the importer program
    UpAxis up = UpAxis::z;           ///< for files that state no up axis
    std::chrono::milliseconds timeout{120'000};
    std::uint64_t addressSpaceBytes = 0;  ///< 0: no limit
};

/// Exit status of the importer when it ran out of memory.
inline constexpr int kExitOutOfMemory = 3;
/// File descriptor on which the importer writes its stream.
inline constexpr int kStreamFd = 3;

/// Address-space limit for importing a file of `fileSize` bytes: eight times
/// the file, at least 768 MiB, at most 4 GiB; 0 (none) in sanitizer builds,
/// whose shadow memory needs terabytes of address space.
std::uint64_t addressSpaceFor(std::uint64_t fileSize) noexcept;

/// The importer of the installed layout, found from the running program
/// (libexec/kelpris/kelpris-import beside its bin folder); for a program
/// run from the build tree, the importer built there.
std::filesystem::path defaultImporterPath();

struct ChildResult {
    bool ok = false;
    MeshModel model;    ///< when ok: checked
    std::string error;  ///< when not ok: a sentence naming `path`
};

/// Imports `path` through the importer program. Never throws for anything
/// the child does; only std::bad_alloc can escape.
/// The formats a model can be written in through the importer program.
enum class ExportFormat { stl, obj, ply };

/// Largest exported file accepted back from the importer (1 GiB).
inline constexpr std::uint64_t kMaxExportBytes = std::uint64_t{1} << 30;

struct ExportResult {
    bool ok = false;
    std::string bytes;  ///< when ok: the whole file
    std::string error;  ///< when not ok: a sentence naming `name`
};

/// Has the importer program write `model` in `format`: the model goes to
/// the child over a socket as a model stream, the file comes back whole,
/// under the same limits and time-out as an import. `name` names the model
/// in messages; nothing is written here. Only std::bad_alloc can
/// escape.
ExportResult exportInChild(const MeshModel& model, ExportFormat format, const std::string& name,
                           const ChildSettings& settings);

ChildResult importInChild(const std::filesystem::path& path, const ChildSettings& settings,
                          const CancelToken* cancel, const ProgressFn& progress);

}  // namespace kelpris::mesh
