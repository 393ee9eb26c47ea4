#pragma once
// The one scene the viewer shows: integer vertices plus either edges (an edge
// model, drawn as lines) or triangles and quadrilaterals (a face model, drawn
// as filled polygons), the model centre, and the depth-ordered face list.
//
// Storage: each chain is a std::vector owned by the scene, in file order.
// Edges, faces and sorted entries point into `vertices` / `faces`; those
// buffers are only ever filled during `load` and released by `clear`, so the
// pointers stay valid for the life of the records. Moving a Scena moves the
// buffers, so pointers survive a move; copying is disabled because copied
// records would still point into the original.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "base/file_status.h"

namespace kelpris {

/// One point of the model. Coordinates are in -1000..1000 after a load.
struct Vertex {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    std::int32_t screenX = 0;  ///< window x of the latest projection
    std::int32_t screenY = 0;  ///< window y of the latest projection
    std::int32_t depth = 0;    ///< depth of the latest projection
};

/// One line of an edge model. Both ends always refer to vertices of the scene.
struct Edge {
    Vertex* end1 = nullptr;
    Vertex* end2 = nullptr;
};

/// One polygon of a face model; `corner4` is null for a triangle.
struct Face {
    Vertex* corner1 = nullptr;
    Vertex* corner2 = nullptr;
    Vertex* corner3 = nullptr;
    Vertex* corner4 = nullptr;
};

/// One entry of the depth-ordered face list (farthest first).
struct SortedFace {
    std::int32_t depth = 0;  ///< mean corner depth at the time of the sort
    const Face* face = nullptr;
};

/// Largest scene file `load` reads (1 GiB, some thirty million faces).
inline constexpr std::uintmax_t kMaxSceneFileBytes = std::uintmax_t{1} << 30;

/// The scene report written by every depth sort of a face model.
inline constexpr const char* kSortReportFile = "rep_vytr.txt";

class Scena {
  public:
    Scena() = default;
    Scena(const Scena&) = delete;
    Scena& operator=(const Scena&) = delete;
    Scena(Scena&&) noexcept = default;
    Scena& operator=(Scena&&) noexcept = default;
    ~Scena() = default;

    // --- Model -------------------------------------------------------------
    std::int32_t faceModel = 0;  ///< as read from the file: 0 edge model, anything else faces

    /// True for a face model (drawn as filled polygons), false for an edge model.
    bool isFaceModel() const noexcept { return faceModel != 0; }
    std::int32_t vertexCount = 0;
    std::int32_t edgeCount = 0;
    std::int32_t faceCount = 0;
    std::vector<Vertex> vertices;            ///< file order; vertex number n is vertices[n-1]
    std::vector<Edge> edges;                 ///< file order; empty for a face model
    std::vector<Face> faces;                 ///< file order; empty for an edge model
    std::vector<SortedFace> TRIEDENE_STENY;  ///< farthest face first; empty after a load
    std::int32_t centreX = 0;
    std::int32_t centreY = 0;
    std::int32_t centreZ = 0;
    std::int32_t projCentreX = 0;  ///< window position of the centre, parallel views
    std::int32_t projCentreY = 0;

    // --- Loading (scena.cpp) -------------------------------------------------
    /// Reads a scene file into this scene, normally Empty (new or cleared);
    /// anything it held is replaced. On success the mode, chains, counts and
    /// centre come from the file, coordinates are scaled into -1000..1000,
    /// and TRIEDENE_STENY is empty; the projected centre is untouched. On
    /// failure (cannot open or read, or the file breaks the format) nothing of
    /// the file is kept: the scene is left Empty (`faceModel` and the centre
    /// keep their values), and the status names the file, the 1-based line
    /// where known, and what was expected. The file is read once, whole, into a
    /// buffer of its size; only regular files of at most kMaxSceneFileBytes
    /// are read (a FIFO or device is refused without waiting), a file that
    /// changes size while it is read is refused, and running out of memory
    /// is a failure like any other.
    [[nodiscard]] FileStatus load(const std::filesystem::path& path);

    /// Releases every record and sets the three counts to 0. `faceModel`, the
    /// centre and the projected centre keep their values.
    void clear() noexcept;

    /// The vertex with the given 1-based number: the first vertex for any
    /// number up to 1, null when the number is past the end or the chain is
    /// empty. Constant time.
    Vertex* vertexAt(std::int32_t number) noexcept;

    /// Sets centreX/Y/Z to the mean of the vertex coordinates, accumulated in
    /// blocks of ten into single-precision totals and truncated toward zero.
    /// `vertexCount` is the divisor and sets the number of blocks (after a
    /// load it equals the number of vertices); when it is below 1 the centre
    /// is (0, 0, 0).
    void computeCentre() noexcept;

    // --- Depth order (sort_faces.cpp) ----------------------------------------
    /// Rebuilds TRIEDENE_STENY from the vertex depths of the latest projection
    /// (largest mean depth first; ties ordered exactly as a one-by-one
    /// insertion would order them) and rewrites the sort report at
    /// `reportPath`. The list stands whether or not the report could be
    /// written; the status tells which.
    [[nodiscard]] FileStatus sortFaces(const std::filesystem::path& reportPath = kSortReportFile);

    /// The ordering half of sortFaces: rebuilds TRIEDENE_STENY the same way
    /// and writes nothing.
    void orderFaces();
};

/// The text of the sort report for a list in order: the header line, then
/// one "tr.stena <position> :  <depth> " line per entry.
std::string formatSortReport(std::span<const SortedFace> list);
/// The same text from the entries' depths alone.
std::string formatSortReport(std::span<const std::int32_t> depths);
/// The same text written over `out`, whose memory is reused: a caller
/// formatting one report after another keeps one buffer.
void formatSortReportInto(std::span<const std::int32_t> depths, std::string& out);

/// Creates or truncates `path` and writes `text` into it; the status names
/// the file and the system's reason on failure.
[[nodiscard]] FileStatus writeSortReport(const std::filesystem::path& path,
                                         const std::string& text);

}  // namespace kelpris
