#pragma once
// Turns the meshes of a model file into one model the viewer can show:
// vertices joined by position and listed in order of first use, triangles and
// quadrilaterals kept, larger polygons split into triangle fans, degenerate
// polygons and records that name a missing vertex dropped (and counted), a
// file of points alone kept as points, and the model turned so that its up
// axis is +z. Knows nothing of any file format; the readers feed it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scena.h"

namespace kelpris::mesh {

/// The axis that points up in a model's own coordinates; `automatic` leaves
/// the choice to the file's format (see resolveUpAxis).
enum class UpAxis { x, y, z, automatic };

/// "x", "y", "z" or "auto" (either case); nothing for anything else.
std::optional<UpAxis> parseUpAxis(std::string_view text) noexcept;
/// The name parseUpAxis reads back: "x", "y", "z" or "auto".
std::string_view upAxisName(UpAxis axis) noexcept;

/// Most faces a model may have (after splitting polygons).
inline constexpr std::uint32_t kMaxFaces = 30'000'000;
/// Most lines (or points) an edge model may have.
inline constexpr std::uint32_t kMaxEdges = 30'000'000;
/// Most vertices a file may declare; more could never become a model.
inline constexpr std::uint64_t kMaxVertices = std::uint64_t{3} * kMaxFaces;
/// The fourth corner of a triangle, as in the scene's faces.
using kelpris::kNoCorner;

/// What the conversion left out or changed, for the user's information.
struct ConversionCounts {
    std::uint32_t degenerateDropped = 0;  ///< polygons/lines with too few distinct corners
    std::uint32_t polygonsSplit = 0;      ///< polygons of 5 or more corners split into triangles
    std::uint32_t linesIgnored = 0;       ///< lines of a model that also has faces
    std::uint32_t pointsIgnored = 0;      ///< single points beside faces or lines
    std::uint32_t missingDropped = 0;     ///< records naming a vertex the file does not have
    friend bool operator==(const ConversionCounts&, const ConversionCounts&) = default;
};

/// What an import left out or split, as a short note for the user ("2
/// degenerate faces dropped, 1 polygon split into triangles"); empty when
/// the model came over whole.
std::string conversionNote(const ConversionCounts& counts);

/// A converted model: coordinates as read (single precision, turned to z up)
/// and records referring to them by 0-based index. A model of points alone
/// is an edge model whose lines each go from a point to itself.
struct MeshModel {
    bool faceModel = true;
    std::vector<float> xyz;              ///< x, y, z per vertex, in order of first use
    std::vector<std::uint32_t> corners;  ///< face model: 4 per face (kNoCorner for a
                                         ///< triangle's 4th); edge model: 2 per line
    ConversionCounts counts;
    UpAxis up = UpAxis::z;  ///< the axis that was up in the file (never automatic)

    std::size_t vertexCount() const noexcept { return xyz.size() / 3; }
    std::size_t cornersPerRecord() const noexcept { return faceModel ? 4 : 2; }
    std::size_t recordCount() const noexcept { return corners.size() / cornersPerRecord(); }
};

/// Affine transform p' = A p + t as a row-major 3x4 matrix (the last column is t).
struct Affine {
    std::array<double, 12> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

    bool isIdentity() const noexcept { return *this == Affine{}; }
    /// The transform that applies `inner` first, then this one.
    Affine then(const Affine& inner) const noexcept;
    friend bool operator==(const Affine&, const Affine&) = default;
};

enum class BuildError { none, notFinite, tooManyRecords, noGeometry };

/// Joins positions by their bits (-0 and +0 alike) into numbered vertices:
/// an open-addressing table whose slots hold the position's bits beside its
/// vertex number, so that a lookup touches one slot and not the vertex, with
/// the latest few positions checked first.
class PositionIndex {
  public:
    /// Makes room for about `vertices` distinct positions.
    void reserve(std::size_t vertices);
    /// The number of the vertex at `p` (x, y, z), appended to `xyz` when new.
    std::uint32_t join(const float* p, std::vector<float>& xyz);
    /// Asks the processor to fetch the slot of `p` ahead of a join.
    void prefetch(const float* p) const noexcept;
    void release() noexcept { slots_ = {}; }

  private:
    struct Slot {
        std::uint32_t key[3];
        std::uint32_t vertex;  // vertex number + 1; 0 for an empty slot
    };
    void grow();
    std::uint32_t lookUp(const Slot& wanted, const float* p, std::vector<float>& xyz);

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    // The latest positions joined: neighbouring triangles share corners, so
    // most corners of a mesh written in order are found here.
    std::array<Slot, 8> recent_{};
    std::size_t nextRecent_ = 0;
};

class MeshBuilder {
  public:
    /// `sourceUp`: the axis that is up in the coordinates to come
    /// (automatic counts as z).
    explicit MeshBuilder(UpAxis sourceUp) noexcept;

    /// Makes `xyz` (3 per vertex) the positions the following primitives
    /// index, after `transform` and the turn to z up. Fails when a
    /// coordinate is not finite, before or after the transform.
    [[nodiscard]] bool usePositions(std::span<const float> xyz, const Affine& transform);
    /// The same without a transform, taking the positions over instead of
    /// copying them.
    [[nodiscard]] bool usePositions(std::vector<float>&& xyz);

    /// Adds one primitive by the indices of its corners in the current
    /// positions: 1 corner a point, 2 a line, 3 or more a polygon. A
    /// primitive naming an index outside the positions is dropped and
    /// counted. Fails when the model grows too large.
    [[nodiscard]] bool add(std::span<const std::uint32_t> indices);

    /// Adds each of the current positions as a point: for a file of
    /// vertices alone. Fails when the model grows too large.
    [[nodiscard]] bool addEveryPosition();
    /// True while nothing has been added that finish() would keep.
    bool holdsNothing() const noexcept {
        return faces_.empty() && lines_.empty() && points_.empty();
    }

    /// Adds one primitive given by the positions of its corners (3 floats
    /// each, turned to z up here), as add() would: for formats that list
    /// every corner's position, such as STL. Fails on a coordinate that is
    /// not finite or when the model grows too large.
    [[nodiscard]] bool addCorners(std::span<const float> xyz);

    /// Prepares addCorners of the triangle at `nine` (three corners), to be
    /// called a few triangles ahead: the joining table's slots are fetched
    /// while earlier triangles are joined.
    void prefetchCorners(const float* nine) const noexcept;

    /// Counts a polygon the reader found degenerate before it got here.
    void countDegenerate() noexcept { ++counts_.degenerateDropped; }

    /// Expected number of distinct vertices, to size the joining table.
    void expectVertices(std::size_t count) {
        index_.reserve(count);
        joinedXyz_.reserve(count * 3);
    }
    /// Expected number of faces: room for them all at once, with no copy
    /// of the faces so far (nor twice their memory) while they grow.
    void expectFaces(std::size_t count) { faces_.reserve(count * 4); }

    /// The model: faces when there are any, else lines, else the points.
    /// Fails with noGeometry when there are none of them. The builder is
    /// spent afterwards.
    [[nodiscard]] std::optional<MeshModel> finish();

    BuildError error() const noexcept { return error_; }
    /// What went wrong, in a few words (no file name).
    const std::string& message() const noexcept { return message_; }

  private:
    std::uint32_t joined(std::uint32_t local);
    std::uint32_t joinedAt(const float* p) { return index_.join(p, joinedXyz_); }
    bool addJoined(std::span<const std::uint32_t> corners);
    void addPolygon(std::span<const std::uint32_t> corners);
    void pushFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);
    bool fail(BuildError error, std::string message);

    UpAxis up_;
    std::vector<float> local_;          // current positions, transformed
    std::vector<std::uint32_t> slots_;  // local index -> joined index + 1, 0 unset
    PositionIndex index_;
    std::vector<float> joinedXyz_;
    std::vector<std::uint32_t> faces_;   // 4 per face, joined indices
    std::vector<std::uint32_t> lines_;   // 2 per line, joined indices
    std::vector<std::uint32_t> points_;  // joined indices
    std::vector<std::uint32_t> scratch_;
    std::vector<std::uint32_t> outline_;
    ConversionCounts counts_;
    BuildError error_ = BuildError::none;
    std::string message_;
};

}  // namespace kelpris::mesh
