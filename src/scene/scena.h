#pragma once
// The model the viewer shows: integer vertices plus either edges (an edge
// model, drawn as lines) or triangles and quadrilaterals (a face model, drawn
// as filled polygons), and the model centre.
//
// Edges and faces refer to vertices by their 0-based position in `vertices`,
// so a scene is a plain value: it can be copied, moved and shared. It holds
// the model only. What a paint computes from it (window positions, depths,
// the depth order) goes into buffers the paint owns, so that the model is
// read-only once loaded and two threads can draw it at once.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/file_status.h"

namespace kelpris {

/// One point of the model. Coordinates are in -1000..1000 after a load.
struct Vertex {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    friend constexpr bool operator==(const Vertex&, const Vertex&) = default;
};

/// Marks the missing fourth corner of a triangle.
inline constexpr std::uint32_t kNoCorner = UINT32_MAX;

/// One line of an edge model: the positions of its ends in the vertex list.
struct Edge {
    std::uint32_t end1 = 0;
    std::uint32_t end2 = 0;
    friend constexpr bool operator==(const Edge&, const Edge&) = default;
};

/// One polygon of a face model: the positions of its corners in the vertex
/// list, `corner[3]` kNoCorner for a triangle. Users skip a face whose
/// corners are not all in the list (a loaded scene has none), so a face
/// left at its default draws nothing.
struct Face {
    std::uint32_t corner[4] = {kNoCorner, kNoCorner, kNoCorner, kNoCorner};
    std::size_t cornerCount() const noexcept { return corner[3] == kNoCorner ? 3 : 4; }
    friend constexpr bool operator==(const Face&, const Face&) = default;
};

/// Largest scene file `load` reads (1 GiB, some thirty million faces).
inline constexpr std::uintmax_t kMaxSceneFileBytes = std::uintmax_t{1} << 30;

class Scena {
  public:
    std::int32_t faceModel = 0;  ///< as read from the file: 0 edge model, anything else faces

    /// True for a face model (drawn as filled polygons), false for an edge model.
    bool isFaceModel() const noexcept { return faceModel != 0; }
    std::int32_t vertexCount = 0;
    std::int32_t edgeCount = 0;
    std::int32_t faceCount = 0;
    std::vector<Vertex> vertices;  ///< file order; vertex number n is vertices[n-1]
    std::vector<Edge> edges;       ///< file order; empty for a face model
    std::vector<Face> faces;       ///< file order; empty for an edge model
    std::int32_t centreX = 0;
    std::int32_t centreY = 0;
    std::int32_t centreZ = 0;

    /// Reads a scene file into this scene, normally Empty (new or cleared);
    /// anything it held is replaced. On success the mode, records, counts
    /// and centre come from the file and coordinates are scaled into
    /// -1000..1000. On failure (cannot open or read, or the file breaks the
    /// format) nothing of the file is kept: the scene is left Empty
    /// (`faceModel` and the centre keep their values), and the status names
    /// the file, the 1-based line where known, and what was expected. The
    /// file is read once, whole, into a buffer of its size; only regular
    /// files of at most kMaxSceneFileBytes are read (a FIFO or device is
    /// refused without waiting), a file that changes size while it is read
    /// is refused, and running out of memory is a failure like any other.
    [[nodiscard]] FileStatus load(const std::filesystem::path& path);

    /// Releases every record and sets the three counts to 0. `faceModel` and
    /// the centre keep their values.
    void clear() noexcept;

    /// Sets centreX/Y/Z to the mean of the vertex coordinates, accumulated in
    /// blocks of ten into single-precision totals and truncated toward zero.
    /// `vertexCount` is the divisor and sets the number of blocks (after a
    /// load it equals the number of vertices); when it is below 1 the centre
    /// is (0, 0, 0).
    void computeCentre() noexcept;
};

}  // namespace kelpris
