#include "view/framing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/saturate.h"
#include "base/two_halves.h"
#include "view/depth_readout.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

// Setup pixels per model unit, as the setup views and the preview draw.
constexpr double kSetupScale = 0.2;
// The fit keeps the model's front at most this share of the way from the
// picture plane to the eye: nearer, the crossed parallax grows without bound.
constexpr double kFrontShareOfEye = 0.5;
// How often the fit shrinks a step when truncation leaves a pixel on the
// frame or the depth a little too strong, and by how much.
constexpr int kShrinkTries = 24;
constexpr double kShrinkStep = 0.97;
// Pixels the frame covers from each edge (a 4-pixel pen on a line 2 pixels
// in), and one more so that no model pixel touches it.
constexpr std::int64_t kFrameClear = 6;

// Window extent of both eyes' pictures of every vertex in front of the eye.
struct Extent {
    std::int64_t left = std::numeric_limits<std::int64_t>::max();
    std::int64_t right = std::numeric_limits<std::int64_t>::min();
    std::int64_t top = std::numeric_limits<std::int64_t>::max();
    std::int64_t bottom = std::numeric_limits<std::int64_t>::min();
    bool any() const noexcept { return left <= right; }
    double width() const noexcept { return static_cast<double>(right - left + 1); }
    double height() const noexcept { return static_cast<double>(bottom - top + 1); }
    void add(const StereoPoint& p) noexcept {
        left = std::min<std::int64_t>(left, p.x);
        right = std::max<std::int64_t>(right, p.x);
        top = std::min<std::int64_t>(top, p.y);
        bottom = std::max<std::int64_t>(bottom, p.y);
    }
};

Extent joinedExtent(const Extent& a, const Extent& b) noexcept {
    return {std::min(a.left, b.left), std::max(a.right, b.right), std::min(a.top, b.top),
            std::max(a.bottom, b.bottom)};
}

// What the fit looks at in a picture: where both eyes' pictures reach, and
// the parallax the status line will judge.
struct Picture {
    Extent extent;
    ParallaxRange parallax;
};

// One walk over the vertices gives both.
Picture measurePicture(const ViewState& s) noexcept {
    const StereoParams right = stereoScreenParams(s, +1);
    const StereoParams left = stereoScreenParams(s, -1);
    const auto part = [&](std::size_t first, std::size_t last) {
        Picture picture;
        ParallaxAccumulator parallax;
        const std::int32_t behindEye =
            forEachEyePair(*s.scene, first, last, s.stereoXf, right, left,
                           [&](const StereoPoint& r, const StereoPoint& l) {
                               picture.extent.add(r);
                               picture.extent.add(l);
                               parallax.add(r.x, l.x);
                           });
        picture.parallax = parallax.done(behindEye);
        return picture;
    };
    const auto join = [](const Picture& a, const Picture& b) {
        return Picture{joinedExtent(a.extent, b.extent), joined(a.parallax, b.parallax)};
    };
    return inTwoHalves(s.scene->vertices.size(), part, join);
}

// The model's depth range through stereoXf, in model units.
struct DepthRange {
    double nearest = 0.0;
    double farthest = 0.0;
};

DepthRange modelDepthRange(const ViewState& s) noexcept {
    StereoParams units;
    units.scale = 1.0f;
    units.eyeDistance = 1;
    // The depth does not depend on the eye: the shared part of the point
    // gives it.
    const detail::StereoProjector project(s.stereoXf, units);
    const auto part = [&](std::size_t first, std::size_t last) {
        DepthRange range{std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
        for (std::size_t i = first; i < last; ++i) {
            const Vertex& v = s.scene->vertices[i];
            const double depth = project.shared(v.x, v.y, v.z).depth;
            range.nearest = std::min(range.nearest, depth);
            range.farthest = std::max(range.farthest, depth);
        }
        return range;
    };
    const auto join = [](const DepthRange& a, const DepthRange& b) {
        return DepthRange{std::min(a.nearest, b.nearest), std::max(a.farthest, b.farthest)};
    };
    return inTwoHalves(s.scene->vertices.size(), part, join);
}

// From the picture plane back to the model centre, in setup pixels, such
// that the plane passes through the middle of the model's depth; nearer
// the eye than kFrontShareOfEye of its distance, the model goes back.
std::int32_t depthThroughMiddle(const DepthRange& depth, const Layout& l) noexcept {
    double back = -(depth.nearest + depth.farthest) / 2.0 * kSetupScale;
    const double eyeRoom = static_cast<double>(l.clientW) - l.planeX - 75.0;
    const double front = depth.nearest * kSetupScale + back;
    if (eyeRoom > 0.0 && front < -kFrontShareOfEye * eyeRoom) {
        back = -kFrontShareOfEye * eyeRoom - depth.nearest * kSetupScale;
    }
    return clampToLayout(truncToInt32(std::round(back)));
}

// The largest |parallax| of the model as drawn, without the projection's
// truncations: 2s*pz/(pz+E) at its nearest and farthest depth (window
// pixels), the parallax being monotonic in the depth.
double smoothParallax(const DepthRange& depth, const ViewState& s) noexcept {
    const StereoParams p = stereoScreenParams(s, +1);
    const double scale = p.scale;
    double most = 0.0;
    for (const double units : {depth.nearest, depth.farthest}) {
        const double pz = p.depthOffset + units * scale;
        if (pz + p.eyeDistance > 0.0) {
            most = std::max(most, std::abs(2.0 * p.eyeShift * pz / (pz + p.eyeDistance)));
        }
    }
    return most;
}

double comfortLimit(const Layout& l) noexcept {
    return kFitComfortShare * static_cast<double>(l.clientW) * kScreenWidthShare;
}

// The zoom at which `extent` (measured at `zoom`) fills the drawing area
// less the margins.
double sizeZoom(const Extent& extent, double zoom, const Layout& l) noexcept {
    const double share = 1.0 - 2.0 * kFitMargin;
    return zoom * std::min(share * l.clientW / extent.width(), share * l.clientH / extent.height());
}

bool clearOfFrame(const Extent& e, const Layout& l) noexcept {
    return e.any() && e.left >= kFrameClear && e.top >= kFrameClear &&
           e.right <= std::int64_t{l.clientW} - 1 - kFrameClear &&
           e.bottom <= std::int64_t{l.clientH} - 1 - kFrameClear;
}

bool comfortable(const ParallaxRange& parallax, const Layout& l) noexcept {
    const ScreenMetrics window{static_cast<double>(l.clientW), 0.0};
    return judgeParallax(parallax, window) == Comfort::Comfortable;
}

double clampPan(double pan) noexcept {
    if (std::isnan(pan)) {
        return 0.0;
    }
    return std::clamp(pan, -static_cast<double>(kLayoutLimit), static_cast<double>(kLayoutLimit));
}

// Zoom `zoom`, with the picture's middle (measured at zoom 1 as `middleX`,
// `middleY` from the origin) in the middle of the drawing area.
void centreAt(Framing& f, double zoom, double middleX, double middleY) noexcept {
    f.zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    f.panX = clampPan(-f.zoom * middleX);
    f.panY = clampPan(-f.zoom * middleY);
}

// The zoom and pan of the fit, with the model at its depth: as large as the
// size and the comfort allow, the picture's middle in the screen's middle,
// then shrunk while truncation leaves a pixel on the frame or the depth a
// little strong.
void zoomToFill(ViewState& s, const DepthRange& depth) noexcept {
    Framing& f = s.framing;
    const Layout& l = s.layout;
    const Extent whole = measurePicture(s).extent;
    if (!whole.any()) {
        return;
    }
    const double middleX = (static_cast<double>(whole.left) + whole.right) / 2.0 - l.clientW / 2;
    const double middleY = (static_cast<double>(whole.top) + whole.bottom) / 2.0 - l.clientH / 2;
    const double parallax = smoothParallax(depth, s);
    const double comfortZoom =
        parallax > 0.0 ? comfortLimit(l) / parallax : std::numeric_limits<double>::infinity();
    // A small picture's extent is coarse at zoom 1: measured once more at
    // the first estimate, the size is taken from there.
    centreAt(f, std::min(sizeZoom(whole, 1.0, l), comfortZoom), middleX, middleY);
    const Extent estimate = measurePicture(s).extent;
    if (estimate.any()) {
        centreAt(f, std::min(sizeZoom(estimate, f.zoom, l), comfortZoom), middleX, middleY);
    }
    for (int tries = 0; tries < kShrinkTries && f.zoom > kMinZoom; ++tries) {
        const Picture picture = measurePicture(s);
        if (clearOfFrame(picture.extent, l) && comfortable(picture.parallax, l)) {
            return;
        }
        centreAt(f, f.zoom * kShrinkStep, middleX, middleY);
    }
}

}  // namespace

std::int32_t panPixels(double pan) noexcept {
    return clampToLayout(truncToInt32(std::round(clampPan(pan))));
}

void requestFit(Framing& framing) noexcept {
    framing = Framing{};
    framing.fitted = true;
}

void fitFraming(ViewState& s) noexcept {
    Framing& f = s.framing;
    Layout& l = s.layout;
    f = Framing{};
    f.fitted = true;
    f.fittedW = l.clientW;
    f.fittedH = l.clientH;
    f.modelDepth = l.planeX - l.modelX;
    if (!s.scene || s.scene->vertices.empty() || l.clientW <= 0 || l.clientH <= 0 ||
        l.previewW <= 0) {
        return;
    }
    const DepthRange depth = modelDepthRange(s);
    f.modelDepth = depthThroughMiddle(depth, l);
    l.modelX = clampToLayout(std::int64_t{l.planeX} - f.modelDepth);
    zoomToFill(s, depth);
}

void reframeAfterLayout(ViewState& s) noexcept {
    Framing& f = s.framing;
    Layout& l = s.layout;
    if (!f.fitted) {
        return;
    }
    if (!f.movedByHand && (f.fittedW != l.clientW || f.fittedH != l.clientH)) {
        fitFraming(s);
        return;
    }
    l.modelX = clampToLayout(std::int64_t{l.planeX} - f.modelDepth);
}

void returnToFraming(Framing& framing) noexcept {
    if (framing.fitted) {
        requestFit(framing);
    } else {
        framing = Framing{};
    }
}

bool zoomAt(ViewState& s, std::int32_t x, std::int32_t y, double notches) noexcept {
    if (s.stereoMode != Screen::Stereo || !std::isfinite(notches)) {
        return false;
    }
    Framing& f = s.framing;
    const double zoom = std::clamp(f.zoom * std::pow(kZoomPerNotch, notches), kMinZoom, kMaxZoom);
    if (zoom == f.zoom) {
        return false;
    }
    // The picture is magnified about its origin (the middle of the drawing
    // area moved by the pan): keeping the pointer's point in place moves
    // the origin toward or away from the pointer.
    const double keep = 1.0 - zoom / f.zoom;
    const double fromOriginX = clampToLayout(x) - (s.layout.clientW / 2 + f.panX);
    const double fromOriginY = clampToLayout(y) - (s.layout.clientH / 2 + f.panY);
    f.panX = clampPan(f.panX + keep * fromOriginX);
    f.panY = clampPan(f.panY + keep * fromOriginY);
    f.zoom = zoom;
    f.movedByHand = true;
    return true;
}

bool startPan(ViewState& s, std::int32_t x, std::int32_t y) noexcept {
    if (s.stereoMode != Screen::Stereo) {
        return false;
    }
    Framing& f = s.framing;
    f.panning = true;
    f.grabX = clampToLayout(x);
    f.grabY = clampToLayout(y);
    f.grabPanX = f.panX;
    f.grabPanY = f.panY;
    return true;
}

bool panTo(ViewState& s, std::int32_t x, std::int32_t y) noexcept {
    Framing& f = s.framing;
    if (!f.panning) {
        return false;
    }
    f.panX = clampPan(f.grabPanX + (clampToLayout(x) - f.grabX));
    f.panY = clampPan(f.grabPanY + (clampToLayout(y) - f.grabY));
    f.movedByHand = true;
    return true;
}

void endPan(ViewState& s) noexcept {
    s.framing.panning = false;
}

std::string framingText(const Framing& f) {
    char buffer[128];
    int n = std::snprintf(buffer, sizeof buffer, "%s, zoom %.4g",
                          f.fitted ? "fitted" : "as the file places it", f.zoom);
    const std::int32_t panX = panPixels(f.panX);
    const std::int32_t panY = panPixels(f.panY);
    if (n > 0 && (panX != 0 || panY != 0)) {
        n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n),
                           ", moved %+d %+d px", panX, panY);
    }
    return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, 127)));
}

}  // namespace kelpris
