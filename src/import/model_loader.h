#pragma once
// The one entry point for opening a model file, whatever its format.
//
// Contract of loadModelFile:
//   - A file whose extension is one of importedExtensions() (any case) goes
//     through the importer program in a child process; every other file,
//     ".dat" included, is read in-process by Scena::load as a scene file.
//   - Before the child starts, the file must be a regular file of at most
//     kMaxModelFileBytes whose header counts fit its size (checkModelHead);
//     it is opened non-blocking, so a FIFO or device never blocks the caller.
//   - The child's answer is checked whole before anything is built; its
//     coordinates are then scaled into -1000..1000 by the same code as a
//     scene file's, so the same floats give the same vertices.
//   - Up axis: glTF is turned from y up, COLLADA from its <up_axis>, 3MF is
//     z up already, a file for which the library reports an UpAxis is turned
//     from that; any other file is turned from `options.up`. Y up turns
//     (x, y, z) into (-x, z, y), so that the front (+z) faces the observer.
//   - Blocks the calling thread until the model is in, the child fails, the
//     time-out passes or `cancel` is cancelled: call it off the UI thread
//     and cancel from the UI thread. `progress` is called on the calling
//     thread while the model arrives from the child.
//   - Never throws; the scene of a failed result is Empty and `error` is one
//     sentence naming the file (e.g. "no faces or lines in FILE", "the
//     importer stopped on FILE: it crashed (SIGSEGV)").

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "import/child_import.h"
#include "import/mesh_builder.h"
#include "import/model_check.h"
#include "scene/scena.h"

namespace kelpris::mesh {

struct ImportOptions {
    UpAxis up = UpAxis::z;  ///< up axis of files that state none (--up)
    std::chrono::milliseconds timeout{120'000};
    std::filesystem::path importer;  ///< empty: defaultImporterPath()
};

struct LoadResult {
    Scena scene;              ///< the model when ok, Empty otherwise
    std::string error;        ///< empty when ok
    bool imported = false;    ///< read through the importer, not as a scene file
    ConversionCounts counts;  ///< what the import dropped or split (imported only)

    explicit operator bool() const noexcept { return error.empty(); }
};

[[nodiscard]] LoadResult loadModelFile(const std::filesystem::path& path,
                                       const ImportOptions& options = {},
                                       const CancelToken* cancel = nullptr,
                                       const ProgressFn& progress = {});

/// What an import left out or split, as a short note for the user ("2
/// degenerate faces dropped, 1 polygon split into triangles"); empty when
/// the model came over whole.
std::string conversionNote(const ConversionCounts& counts);

/// The scene for a checked model: face model 1 or edge model 0, counts,
/// vertices scaled as a scene file's are, records in order, centre computed.
/// Nothing when an index is out of range.
std::optional<Scena> buildScene(const MeshModel& model);

}  // namespace kelpris::mesh
