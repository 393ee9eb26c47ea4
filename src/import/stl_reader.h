#pragma once
// The in-process reader of STL files, binary and text: no child process,
// the file read piece by piece, every count and number checked.

#include <cstdint>
#include <string>

#include "base/result.h"
#include "import/mesh_builder.h"
#include "import/mesh_stream.h"

namespace kelpris::mesh {

/// Reads an STL of `size` bytes from `source` into a model turned from `up`
/// (automatic: z). Binary when the size is exactly 84 bytes plus 50 for
/// each triangle the header counts; text when the file starts with "solid"
/// and is text; anything else is refused with the reason (a text that does
/// not start with "solid", a binary whose size does not fit its count).
/// Failures name `name` and, for text, the line.
[[nodiscard]] Result<MeshModel> readStl(ByteSource& source, std::uint64_t size, UpAxis up,
                                        const std::string& name);

}  // namespace kelpris::mesh
