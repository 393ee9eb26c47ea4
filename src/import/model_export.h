#pragma once
// Saving the model shown in a format other programs read (STL, OBJ, PLY),
// written here piece by piece through the atomic writer: the file appears
// only whole, and a large model is never held a second time in memory.

#include <filesystem>
#include <optional>

#include "base/file_status.h"
#include "scene/scena.h"

namespace kelpris::mesh {

/// The formats a model can be saved in besides scene files.
enum class ExportFormat { stl, obj, ply };

/// The export format a file name asks for by its extension (any case):
/// .stl, .obj or .ply; nothing for every other name.
std::optional<ExportFormat> exportFormatFor(const std::filesystem::path& path);

/// Writes `scene` to `path` in `format`: only the vertices a record uses, in
/// order of first use, with the scene's integer coordinates. STL is binary,
/// z up, quadrilaterals split into two triangles, with unit facet normals;
/// OBJ (no material file) and binary little-endian PLY are written y up, as
/// those formats are read (the reverse of the turn on import, so the file
/// opens again as the same scene). An edge model can only go to OBJ, its
/// lines as "l" and its points (lines from a vertex to itself) as "p". On
/// any failure `path` is left as it was and the status names the file and
/// the reason.
[[nodiscard]] FileStatus exportScene(const Scena& scene, const std::filesystem::path& path,
                                     ExportFormat format);

}  // namespace kelpris::mesh
