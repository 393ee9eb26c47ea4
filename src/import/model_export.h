#pragma once
// Saving the model shown in a format other programs read (STL, OBJ, PLY).
// The import library writes the file in the importer's child process, so a
// failure there costs the viewer nothing; the file appears only whole.

#include <filesystem>
#include <optional>
#include <string>

#include "base/file_status.h"
#include "import/child_import.h"
#include "import/model_loader.h"
#include "scene/scena.h"

namespace kelpris::mesh {

/// The export format a file name asks for by its extension (any case):
/// .stl, .obj or .ply; nothing for every other name.
std::optional<ExportFormat> exportFormatFor(const std::filesystem::path& path);

/// The model as the importer's stream carries it: the scene's integer
/// coordinates, only the vertices a record uses (renumbered in order of first
/// use), faces or lines as the scene's mode says. Nothing when the scene has
/// no record to export or a record refers to a vertex outside the scene.
std::optional<MeshModel> meshOfScene(const Scena& scene);

/// Writes `scene` to `path` in `format` through the importer and the atomic
/// writer: on any failure `path` is left as it was and the status names the
/// file and the reason. An edge model can only go to OBJ.
[[nodiscard]] FileStatus exportScene(const Scena& scene, const std::filesystem::path& path,
                                     ExportFormat format, const ImportOptions& options = {});

}  // namespace kelpris::mesh
