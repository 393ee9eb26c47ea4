#pragma once
// The in-process reader of OFF files: no child process, the file read piece
// by piece, every count, index and number checked.

#include <cstdint>
#include <string>

#include "base/result.h"
#include "import/mesh_builder.h"
#include "import/mesh_stream.h"

namespace kelpris::mesh {

/// Reads a text OFF of `size` bytes from `source` into a model turned from
/// `up` (automatic: z). An optional header keyword (OFF, or a variant whose
/// vertices also hold colours, normals or texture coordinates, which are
/// skipped), the vertex, face and edge counts (edges ignored), one vertex
/// per line (x y z, then anything) and one face per line (its corner count
/// and vertex numbers, then an optional colour); `#` starts a comment.
/// Faces naming a missing vertex and degenerate ones are dropped and
/// counted; a file without faces, or whose faces are all dropped, is a
/// cloud of points. Refused: binary OFF, points of other than three
/// dimensions (4OFF, nOFF), counts the file cannot hold, a file that ends
/// before its counts are met. Failures name `name` and, where known, the line.
[[nodiscard]] Result<MeshModel> readOff(ByteSource& source, std::uint64_t size, UpAxis up,
                                        const std::string& name);

}  // namespace kelpris::mesh
