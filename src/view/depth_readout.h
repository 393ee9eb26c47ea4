#pragma once
// How deep the model stands out of the stereo screen: the parallax of its
// vertices (the right eye's window x minus the left eye's, from the same
// projections the stereo screen draws with), in pixels and millimetres, and
// a verdict on how comfortable it is to look at.
//
// The verdict follows two common rules of stereoscopy:
//   - Uncrossed parallax (behind the screen) wider than the distance between
//     the eyes makes the eyes diverge, which they cannot do comfortably: more
//     than 63 mm, the mean adult interpupillary distance (N. A. Dodgson,
//     "Variation and extrema of human interpupillary distance", Proc. SPIE
//     5291, 2004), is too strong. So is a point at or behind the eye.
//   - The stereographers' "1/30 rule" of thumb keeps on-screen parallax within
//     about 1/30 of the screen width; beyond that, crossed or uncrossed, the
//     depth is strong.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "geometry/matrix4.h"
#include "geometry/point_projection.h"
#include "geometry/scene_projection.h"
#include "scene/scena.h"
#include "view/view_state.h"

namespace kelpris {

inline constexpr double kInterocularMm = 63.0;
inline constexpr double kScreenWidthShare = 1.0 / 30.0;

struct ParallaxRange {
    std::int32_t points = 0;     ///< vertices measured
    std::int32_t behindEye = 0;  ///< vertices at or behind the eye, not measured
    std::int32_t nearest = 0;    ///< smallest parallax in pixels (negative: crossed)
    std::int32_t farthest = 0;   ///< largest parallax in pixels (positive: uncrossed)
    bool empty() const noexcept { return points == 0; }
};

/// Whether two eyes' projection arguments differ in nothing but the eye.
inline bool sameExceptEye(const StereoParams& a, const StereoParams& b) noexcept {
    return a.depthOffset == b.depthOffset && a.eyeDistance == b.eyeDistance &&
           a.eyeShift == b.eyeShift && a.scale == b.scale && a.originX == b.originX &&
           a.originY == b.originY;
}

/// Both eyes' points of the vertices [first, last) of `scene` in front of
/// the eye, handed to `visit(right, left)`; returns how many of them are at
/// or behind the eye, where the projection has no meaning and `visit` is not
/// called. The points are Matrix4::projectStereo's. When the eyes' arguments
/// differ in nothing but the eye (as the screens' do), both are projected a
/// slice at a time by projectStereoPair, which shares the part of a point
/// that does not depend on the eye; otherwise each eye through a projector
/// of its own made once (the status line measures every picture).
template <typename Visit>
std::int32_t forEachEyePair(const Scena& scene, std::size_t first, std::size_t last,
                            const Matrix4& transform, const StereoParams& right,
                            const StereoParams& left, Visit&& visit) {
    const std::size_t end = std::min(last, scene.vertices.size());
    const bool inFront = right.eyeDistance > 0;
    std::int32_t behindEye = 0;
    const bool pair = sameExceptEye(left, right) && right.eyeSign == -left.eyeSign &&
                      (right.eyeSign == 1 || right.eyeSign == -1);
    if (pair) {
        constexpr std::size_t kSlice = 1024;
        std::array<Point, kSlice> plus;
        std::array<Point, kSlice> minus;
        std::array<std::int32_t, kSlice> depths;
        const Point* r = right.eyeSign == 1 ? plus.data() : minus.data();
        const Point* l = right.eyeSign == 1 ? minus.data() : plus.data();
        for (std::size_t from = first; from < end; from += kSlice) {
            const std::size_t n = std::min(kSlice, end - from);
            projectStereoPair(std::span(scene.vertices).subspan(from, n), transform, right,
                              {plus, minus, depths});
            for (std::size_t i = 0; i < n; ++i) {
                if (!inFront || depths[i] <= -right.eyeDistance) {
                    ++behindEye;
                    continue;
                }
                visit(StereoPoint{r[i].x, r[i].y, depths[i]},
                      StereoPoint{l[i].x, l[i].y, depths[i]});
            }
        }
        return behindEye;
    }
    const detail::StereoProjector rightEye(transform, right);
    const detail::StereoProjector leftEye(transform, left);
    const Vertex* vertices = scene.vertices.data();
    for (std::size_t i = first; i < end; ++i) {
        const Vertex& v = vertices[i];
        const detail::StereoProjector::Shared s = rightEye.shared(v.x, v.y, v.z);
        if (!inFront || s.depth <= -right.eyeDistance) {
            ++behindEye;
            continue;
        }
        visit(StereoPoint{rightEye.eyeX(s, right.eyeSign), s.y, s.depth}, leftEye(v.x, v.y, v.z));
    }
    return behindEye;
}

/// One rule for every way of measuring: a vertex's parallax is the right
/// eye's x minus the left eye's, saturated to 32 bits.
class ParallaxAccumulator {
  public:
    void add(std::int32_t rightX, std::int32_t leftX) noexcept {
        const auto parallax = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{rightX} - leftX, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max()));
        range_.nearest = std::min(range_.nearest, parallax);
        range_.farthest = std::max(range_.farthest, parallax);
        ++range_.points;
    }
    ParallaxRange done(std::int32_t behindEye) const noexcept {
        ParallaxRange range = range_;
        range.behindEye = behindEye;
        if (range.empty()) {
            range.nearest = 0;
            range.farthest = 0;
        }
        return range;
    }

  private:
    ParallaxRange range_{0, 0, std::numeric_limits<std::int32_t>::max(),
                         std::numeric_limits<std::int32_t>::min()};
};

/// Parallax of every vertex of `scene` through `transform` with the two eyes'
/// projection arguments (`right` with eyeSign +1, `left` with -1).
ParallaxRange parallaxRange(const Scena& scene, const Matrix4& transform, const StereoParams& right,
                            const StereoParams& left) noexcept;

/// The parallax range of points already projected (element i of each for
/// vertex i, both eyes through `right` as projectStereoPair gives them), by
/// the same rule as parallaxRange.
ParallaxRange parallaxOfPoints(std::span<const Point> right, std::span<const Point> left,
                               std::span<const std::int32_t> depths,
                               const StereoParams& rightParams) noexcept;

/// The range of two sets of points measured apart (such as the halves two
/// threads projected): the range of all of them.
ParallaxRange joined(const ParallaxRange& a, const ParallaxRange& b) noexcept;

/// The parallax range a stereo paint found in its own projections, and what
/// they were made with: while the state still gives the same, the status
/// line reads it instead of projecting every vertex again.
struct KeptParallax {
    std::weak_ptr<const Scena> scene;
    Matrix4 transform{};
    StereoParams right{};  ///< the left eye's differ in the eye only
    ParallaxRange range;

    /// Made from the state's model (the same object, still loaded).
    bool ofModel(const ViewState& state) const noexcept;
    bool madeFor(const ViewState& state, const StereoParams& rightNow) const noexcept;
};

/// Which parallax a status line gives.
enum class ParallaxShown : std::uint8_t {
    Current,  ///< the state's: kept when it was made for it, else measured
    /// The kept range while it is of the same model: an event that changes
    /// the view shows its angles at once and its parallax with its picture,
    /// without measuring every vertex for a picture not drawn yet.
    LastPicture,
};

/// The parallax range on the stereo screen as the state is laid out, with
/// its stereoXf: `kept` when it was made for that, else measured. Empty with
/// no scene.
ParallaxRange stereoScreenParallax(const ViewState& state, const KeptParallax* kept = nullptr,
                                   ParallaxShown shown = ParallaxShown::Current) noexcept;

/// The physical screen the picture is shown on. widthMm 0 when unknown.
struct ScreenMetrics {
    double widthPx = 0.0;
    double widthMm = 0.0;
    double mmPerPixel() const noexcept { return widthPx > 0.0 ? widthMm / widthPx : 0.0; }
};

enum class Comfort : std::uint8_t { Comfortable, Strong, TooStrong };

/// The verdict of the rules above. Without a known physical size only the
/// 1/30 rule (in pixels) and the points behind the eye count.
Comfort judgeParallax(const ParallaxRange& range, const ScreenMetrics& screen) noexcept;

std::string_view comfortText(Comfort comfort) noexcept;

/// The status line: file name, counts as loaded, angles in degrees (on the
/// stereo screen those of the picture shown, transformYaw/Pitch), the
/// parallax range in pixels (and millimetres when the size is known) and the
/// verdict: "NAME | V vertices, F faces | azimuth A°, zenith Z° | parallax
/// N..F px (N..F mm): VERDICT". With no model to measure there is no verdict.
std::string depthReadout(const ViewState& state, std::string_view fileName,
                         const ScreenMetrics& screen);
/// The status line after "NAME | ", for a caller that shortens the name.
std::string depthReadoutDetails(const ViewState& state, const ScreenMetrics& screen,
                                const KeptParallax* kept = nullptr,
                                ParallaxShown shown = ParallaxShown::Current);

/// The model report of `kelpris --info`: counts, centre, bounding box, the
/// parallax on a stereo screen of clientW x clientH at the default layout and
/// the state's angles with its verdict for a screen of that width, and the
/// framing (fitted when the state's framing asks for a fit). `state` holds
/// the scene; its layout and transforms are replaced.
std::string sceneInfo(ViewState& state, std::string_view fileName, std::int32_t clientW,
                      std::int32_t clientH);

}  // namespace kelpris
