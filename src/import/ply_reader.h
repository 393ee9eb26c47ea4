#pragma once
// The in-process reader of PLY files, text and binary of either byte order:
// no child process, the file read piece by piece, every count, index and
// number checked.

#include <cstdint>
#include <string>

#include "base/result.h"
#include "import/mesh_builder.h"
#include "import/mesh_stream.h"

namespace kelpris::mesh {

/// Reads a PLY of `size` bytes from `source` into a model turned from `up`
/// (automatic: z). Takes x, y and z of the "vertex" element, the
/// "vertex_indices" (or "vertex_index") lists of "face", triangle strips of
/// "tristrips" and "vertex1"/"vertex2" of "edge"; every other element and
/// property is skipped. A file with vertices but no faces or edges is a
/// cloud of points. Refused: a header without end_header, counts the file
/// cannot hold, a file that ends before its header's counts are met.
/// Failures name `name` and, for text, the line.
[[nodiscard]] Result<MeshModel> readPly(ByteSource& source, std::uint64_t size, UpAxis up,
                                        const std::string& name);

}  // namespace kelpris::mesh
