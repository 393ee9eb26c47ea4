#pragma once
// Writing a scene back to the text format the loader reads. Platform-free so
// the shell and the tests share one writer.

#include <filesystem>
#include <ostream>
#include <string>

#include "scene/scena.h"

namespace kelpris {

/// Formats `scene` as a scene file: the mode, the vertex count and the edge or
/// face count, one "x y z" line of integer coordinates per vertex, then one
/// line per edge ("a b") or face ("a b c" or "a b c d") giving vertex numbers
/// counted from 1. The counts are written as stored when the chains agree with
/// them (a stored count of 0 or 1 stands for one record, as the loader reads
/// it), otherwise as the number of records.
///
/// Returns an empty string on success. Returns the reason, and writes nothing,
/// when the scene cannot be expressed as a valid file: no vertices, a chain
/// the mode needs is empty, or an edge or face refers to a vertex outside the
/// scene's own vertices.
[[nodiscard]] std::string formatScene(const Scena& scene, std::ostream& out);

/// Writes `scene` to `path` through writeFileAtomically: never a partial
/// file; a link at `path` is followed and its target replaced, keeping the
/// target's permissions; a read-only target is refused. On failure `path`
/// is untouched and the status names the file and the system's reason.
[[nodiscard]] FileStatus writeScene(const Scena& scene, const std::filesystem::path& path);

}  // namespace kelpris
