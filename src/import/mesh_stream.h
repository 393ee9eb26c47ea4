#pragma once
// The binary form in which the importer process hands a converted model (or
// the reason it has none) to the viewer, and the viewer's checked reader for
// it. Both ends run on the same machine, so numbers are in host byte order.
//
//   model:  "KLPMESH2", u32 kind (1 faces, 2 lines), u32 vertexCount,
//           u32 recordCount, u32 x5 conversion counts, u32 up axis (0 x,
//           1 y, 2 z), f32 x 3*vertexCount, u32 x (4 or 2)*recordCount,
//           end of stream
//   error:  "KLPERR01", u32 ChildError, u32 length (<= kMaxErrorText),
//           length bytes of text, end of stream

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/mesh_builder.h"

namespace kelpris::mesh {

/// Why the importer produced no model.
enum class ChildError : std::uint32_t {
    library = 1,      ///< the import library refused the file
    noGeometry = 2,   ///< the file holds no faces, lines or points
    badGeometry = 3,  ///< a coordinate is not finite, an index is out of range
    tooLarge = 4,     ///< more records than the viewer takes
    outOfMemory = 5,  ///< the importer ran out of memory
    unusable = 6,     ///< the file could not be read (or the options were bad)
};

inline constexpr std::size_t kMaxErrorText = 4096;

/// The whole stream for a model.
std::vector<std::byte> encodeModel(const MeshModel& model);
/// The whole stream for an error (text cut to kMaxErrorText).
std::vector<std::byte> encodeError(ChildError error, const std::string& text);

/// Where the reader takes bytes from.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    /// Fills `into` with up to `size` bytes; fewer only at the end of the
    /// stream (or when the source gave up, which it records itself).
    virtual std::size_t read(std::byte* into, std::size_t size) = 0;
};

/// Bytes already in memory.
class MemorySource final : public ByteSource {
  public:
    MemorySource(const std::byte* data, std::size_t size) noexcept : data_(data), size_(size) {}
    std::size_t read(std::byte* into, std::size_t size) override;

  private:
    const std::byte* data_;
    std::size_t size_;
};

/// What a stream held.
struct StreamContent {
    enum class Kind { model, error, malformed };
    Kind kind = Kind::malformed;
    MeshModel model;                         ///< kind model: checked
    ChildError error = ChildError::library;  ///< kind error
    std::string text;  ///< kind error: the reason, printable; malformed: what is wrong
};

/// Reads one stream and checks it whole: known magic, counts within the
/// limits (1..kMaxFaces faces or 1..kMaxEdges lines, at least one and at most
/// corners-per-record times as many vertices as records), every coordinate
/// finite, every index in range (only a face's 4th may be kNoCorner), no
/// vertex left unused, and nothing after the end. Memory grows with the bytes
/// actually received, never with a count alone. `progress` (optional) is
/// called with the bytes received so far and the total the header announced.
using StreamProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
StreamContent readStream(ByteSource& source, const StreamProgress& progress = {});

}  // namespace kelpris::mesh
