#pragma once
// Turns the meshes of a model file into one model the viewer can show:
// vertices joined by position and listed in order of first use, triangles and
// quadrilaterals kept, larger polygons split into triangle fans, degenerate
// polygons dropped, and the model turned so that its up axis is +z.
// Knows nothing of any file format; the importer feeds it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene/scena.h"

namespace kelpris::mesh {

/// The axis that points up in a model's own coordinates.
enum class UpAxis { x, y, z };

/// "x", "y" or "z" (either case); nothing for anything else.
std::optional<UpAxis> parseUpAxis(std::string_view text) noexcept;

/// Most faces a model may have (after splitting polygons).
inline constexpr std::uint32_t kMaxFaces = 30'000'000;
/// Most lines an edge model may have.
inline constexpr std::uint32_t kMaxEdges = 30'000'000;
/// The fourth corner of a triangle, as in the scene's faces.
using kelpris::kNoCorner;

/// What the conversion left out or changed, for the user's information.
struct ConversionCounts {
    std::uint32_t degenerateDropped = 0;  ///< polygons/lines with too few distinct corners
    std::uint32_t polygonsSplit = 0;      ///< polygons of 5 or more corners split into triangles
    std::uint32_t linesIgnored = 0;       ///< lines of a model that also has faces
    std::uint32_t pointsIgnored = 0;      ///< single points, which the viewer cannot show
    friend bool operator==(const ConversionCounts&, const ConversionCounts&) = default;
};

/// A converted model: coordinates as read (single precision, turned to z up)
/// and records referring to them by 0-based index.
struct MeshModel {
    bool faceModel = true;
    std::vector<float> xyz;              ///< x, y, z per vertex, in order of first use
    std::vector<std::uint32_t> corners;  ///< face model: 4 per face (kNoCorner for a
                                         ///< triangle's 4th); edge model: 2 per line
    ConversionCounts counts;

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

enum class BuildError { none, notFinite, badIndex, tooManyRecords, noGeometry };

class MeshBuilder {
  public:
    /// `sourceUp`: the axis that is up in the coordinates to come.
    explicit MeshBuilder(UpAxis sourceUp) noexcept : up_(sourceUp) {}

    /// Makes `xyz` (3 per vertex) the positions the following primitives
    /// index, after `transform` and the turn to z up. Fails when a
    /// coordinate is not finite, before or after the transform.
    [[nodiscard]] bool usePositions(std::span<const float> xyz, const Affine& transform);

    /// Adds one primitive by the indices of its corners in the current
    /// positions: 1 corner a point, 2 a line, 3 or more a polygon. Fails on an
    /// index outside the positions or when the model grows too large.
    [[nodiscard]] bool add(std::span<const std::uint32_t> indices);

    /// The model: faces when there are any, else lines. Fails with noGeometry
    /// when there are neither. The builder is spent afterwards.
    [[nodiscard]] std::optional<MeshModel> finish();

    BuildError error() const noexcept { return error_; }
    /// What went wrong, in a few words (no file name).
    const std::string& message() const noexcept { return message_; }

  private:
    struct KeyHash {
        std::size_t operator()(const std::array<std::uint32_t, 3>& k) const noexcept;
    };

    std::uint32_t joined(std::uint32_t local);
    void addPolygon(std::span<const std::uint32_t> indices);
    void pushFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);
    bool fail(BuildError error, std::string message);

    UpAxis up_;
    std::vector<float> local_;          // current positions, transformed
    std::vector<std::uint32_t> slots_;  // local index -> joined index + 1, 0 unset
    std::unordered_map<std::array<std::uint32_t, 3>, std::uint32_t, KeyHash> byPosition_;
    std::vector<float> joinedXyz_;
    std::vector<std::uint32_t> faces_;  // 4 per face, joined indices
    std::vector<std::uint32_t> lines_;  // 2 per line, joined indices
    std::vector<std::uint32_t> scratch_;
    ConversionCounts counts_;
    BuildError error_ = BuildError::none;
    std::string message_;
};

}  // namespace kelpris::mesh
