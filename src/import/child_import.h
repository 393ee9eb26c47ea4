#pragma once
// Runs the importer program in a child process, so that a crash, a runaway
// allocation or an endless loop inside the import library costs the viewer
// nothing but an error message. The child gets only the stream pipe (stdin,
// stdout and stderr are /dev/null), limits on address space, CPU time and
// open files, no core dump, and dies with the thread that started it; the
// parent enforces a wall-clock time-out and can be cancelled at any moment.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/result.h"
#include "import/cancel_token.h"
#include "import/mesh_builder.h"

namespace kelpris::mesh {

struct ChildSettings {
    std::filesystem::path importer;  ///< the importer program
    UpAxis up = UpAxis::z;           ///< for files that state no up axis (not automatic)
    std::chrono::milliseconds timeout{120'000};
    std::uint64_t addressSpaceBytes = 0;  ///< 0: no limit
};

/// Exit status of the importer when it ran out of memory.
inline constexpr int kExitOutOfMemory = 3;
/// File descriptor on which the importer writes its stream.
inline constexpr int kStreamFd = 3;

/// Address-space limit of the importer: half the machine's memory, at least
/// 1 GiB; 0 (none) in sanitizer builds, whose shadow memory needs terabytes
/// of address space.
std::uint64_t importerAddressSpace() noexcept;

/// The importer of the installed layout, found from the running program
/// (libexec/kelpris/kelpris-import beside its bin folder); for a program
/// run from the build tree, the importer built there.
std::filesystem::path defaultImporterPath();

/// Imports `path` through the importer program: the checked model, or why
/// there is none (the status names `path`). Never throws for anything the
/// child does; only std::bad_alloc can escape.
[[nodiscard]] Result<MeshModel> importInChild(const std::filesystem::path& path,
                                              const ChildSettings& settings,
                                              const CancelToken* cancel,
                                              const ProgressFn& progress);

}  // namespace kelpris::mesh
