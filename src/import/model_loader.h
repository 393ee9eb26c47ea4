#pragma once
// The one entry point for opening a model file, whatever its format.
//
// Contract of loadModelFile:
//   - A file whose extension is one of importedExtensions() (any case) is a
//     mesh file; every other file, ".dat" included, is read by Scena::load
//     as a scene file.
//   - A mesh file is told by its content (the extension decides only where
//     the content has no mark of its own): STL, PLY and OFF are read here by
//     our own readers; every other format goes through the importer program in
//     a child process, after the cheap checks of checkModelHead. Files are
//     opened non-blocking, so a FIFO or device never blocks the caller.
//   - Up axis: what the format states wins (glTF y, 3MF z, COLLADA its
//     <up_axis>); otherwise `options.up`, and for automatic the format's
//     custom (STL z; OBJ, PLY and OFF y). Y up turns (x, y, z) into
//     (-x, z, y), so that the front (+z) faces the observer.
//   - The model then lands in the frame of the bundled scenes (placeModel),
//     and is scaled into -1000..1000 by the same code as a scene file's.
//   - Blocks the calling thread until the model is in, the reader or child
//     fails, the time-out passes or `cancel` is cancelled: call it off the
//     UI thread and cancel from the UI thread. `progress` is called on the
//     calling thread with the bytes read (or received) and the total.
//   - Never throws; a failure's status names the file, the reason and, where
//     known, the line.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "base/result.h"
#include "import/cancel_token.h"
#include "import/mesh_builder.h"
#include "import/model_check.h"
#include "scene/scena.h"

namespace kelpris::mesh {

struct ImportOptions {
    UpAxis up = UpAxis::automatic;  ///< up axis of files that state none (--up)
    std::chrono::milliseconds timeout{120'000};
    std::filesystem::path importer;  ///< empty: defaultImporterPath()
};

/// A model read from a file, ready to be shown.
struct LoadedModel {
    Scena scene;
    bool imported = false;    ///< a mesh file, not a scene file
    ConversionCounts counts;  ///< what the import dropped or split (imported only)
    UpAxis up = UpAxis::z;    ///< the axis that was up in the file (imported only)
};

[[nodiscard]] Result<LoadedModel> loadModelFile(const std::filesystem::path& path,
                                                const ImportOptions& options = {},
                                                const CancelToken* cancel = nullptr,
                                                const ProgressFn& progress = {});

/// Brings an imported model into the frame the bundled scenes use: moved so
/// that its bounding box starts at 0 on every axis and scaled uniformly so
/// that its longest side is 1000 (in double precision, each coordinate
/// stored in single precision). A model of one point lands on the origin.
void placeModel(MeshModel& model) noexcept;

/// The scene for a checked model, the one conversion from a mesh to a
/// Scena: the model placed, its vertices scaled as a scene file's are,
/// face model 1 or edge model 0, records in order, centre computed.
/// Nothing when an index is out of range.
std::optional<Scena> buildScene(MeshModel&& model);

}  // namespace kelpris::mesh
