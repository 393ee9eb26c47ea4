#include "view/depth_readout.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/two_halves.h"
#include "view/view_logic.h"

namespace kelpris {

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

template <typename... Args>
std::string formatted(const char* format, Args... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, 255)));
}

std::string parallaxText(const ParallaxRange& range, const ScreenMetrics& screen) {
    if (range.empty()) {
        return "parallax: none";
    }
    std::string text =
        formatted("parallax %+" PRId32 "..%+" PRId32 " px", range.nearest, range.farthest);
    const double mm = screen.mmPerPixel();
    if (mm > 0.0) {
        text += formatted(" (%+.1f..%+.1f mm)", range.nearest * mm, range.farthest * mm);
    }
    if (range.behindEye > 0) {
        text += formatted(", %" PRId32 " points behind the eye", range.behindEye);
    }
    return text;
}

/// "V vertices, F faces" (or edges) as loaded: a file's header may claim
/// other counts, even negative ones, where one record was read.
std::string modelCounts(const Scena& scene) {
    return scene.isFaceModel()
               ? formatted("%zu vertices, %zu faces", scene.vertices.size(), scene.faces.size())
               : formatted("%zu vertices, %zu edges", scene.vertices.size(), scene.edges.size());
}

}  // namespace

ParallaxRange parallaxRange(const Scena& scene, const Matrix4& transform, const StereoParams& right,
                            const StereoParams& left) noexcept {
    const auto part = [&](std::size_t first, std::size_t last) {
        ParallaxAccumulator sum;
        const std::int32_t behindEye =
            forEachEyePair(scene, first, last, transform, right, left,
                           [&](const StereoPoint& r, const StereoPoint& l) { sum.add(r.x, l.x); });
        return sum.done(behindEye);
    };
    return inTwoHalves(scene.vertices.size(), part, joined);
}

ParallaxRange parallaxOfPoints(std::span<const Point> right, std::span<const Point> left,
                               std::span<const std::int32_t> depths,
                               const StereoParams& rightParams) noexcept {
    ParallaxAccumulator sum;
    std::int32_t behindEye = 0;
    const std::size_t n = std::min({right.size(), left.size(), depths.size()});
    for (std::size_t i = 0; i < n; ++i) {
        if (rightParams.eyeDistance <= 0 || depths[i] <= -rightParams.eyeDistance) {
            ++behindEye;
        } else {
            sum.add(right[i].x, left[i].x);
        }
    }
    return sum.done(behindEye);
}

ParallaxRange joined(const ParallaxRange& a, const ParallaxRange& b) noexcept {
    ParallaxRange all = a.empty() ? b : a;
    if (!a.empty() && !b.empty()) {
        all.nearest = std::min(a.nearest, b.nearest);
        all.farthest = std::max(a.farthest, b.farthest);
    }
    all.points = a.points + b.points;
    all.behindEye = a.behindEye + b.behindEye;
    return all;
}

bool KeptParallax::ofModel(const ViewState& state) const noexcept {
    return !scene.expired() && !scene.owner_before(state.scene) && !state.scene.owner_before(scene);
}

bool KeptParallax::madeFor(const ViewState& state, const StereoParams& rightNow) const noexcept {
    return ofModel(state) && std::memcmp(transform.m, state.stereoXf.m, sizeof transform.m) == 0 &&
           right.eyeSign == rightNow.eyeSign && sameExceptEye(right, rightNow);
}

ParallaxRange stereoScreenParallax(const ViewState& state, const KeptParallax* kept,
                                   ParallaxShown shown) noexcept {
    if (!state.scene) {
        return {};
    }
    if (kept != nullptr && shown == ParallaxShown::LastPicture && kept->ofModel(state)) {
        return kept->range;
    }
    const StereoParams right = stereoScreenParams(state, +1);
    const StereoParams left = stereoScreenParams(state, -1);
    if (kept != nullptr && sameExceptEye(left, right) && kept->madeFor(state, right)) {
        return kept->range;
    }
    return parallaxRange(*state.scene, state.stereoXf, right, left);
}

Comfort judgeParallax(const ParallaxRange& range, const ScreenMetrics& screen) noexcept {
    if (range.behindEye > 0) {
        return Comfort::TooStrong;
    }
    if (range.empty()) {
        return Comfort::Comfortable;
    }
    const double mm = screen.mmPerPixel();
    if (mm > 0.0 && range.farthest * mm > kInterocularMm) {
        return Comfort::TooStrong;
    }
    const double crossed = range.nearest < 0 ? -static_cast<double>(range.nearest) : 0.0;
    const double uncrossed = range.farthest > 0 ? static_cast<double>(range.farthest) : 0.0;
    if (screen.widthPx > 0.0 && std::max(crossed, uncrossed) > screen.widthPx * kScreenWidthShare) {
        return Comfort::Strong;
    }
    return Comfort::Comfortable;
}

std::string_view comfortText(Comfort comfort) noexcept {
    switch (comfort) {
        case Comfort::Comfortable:
            return "comfortable";
        case Comfort::Strong:
            return "strong";
        case Comfort::TooStrong:
            return "too strong";
    }
    return "comfortable";
}

std::string depthReadoutDetails(const ViewState& state, const ScreenMetrics& screen,
                                const KeptParallax* kept, ParallaxShown shown) {
    std::string text;
    if (state.scene) {
        text += modelCounts(*state.scene) + " | ";
    }
    // The stereo screen shows the angles its transform was built with; a
    // drag of its unseen handles changes yaw and pitch for the next setup
    // paint only.
    const bool stereo = state.stereoMode == Screen::Stereo;
    const double yaw = stereo ? state.transformYaw : state.yaw;
    const double pitch = stereo ? state.transformPitch : state.pitch;
    text += formatted("azimuth %.1f\u00b0, zenith %.1f\u00b0", yaw * kDegreesPerRadian,
                      pitch * kDegreesPerRadian);
    const ParallaxRange range = stereoScreenParallax(state, kept, shown);
    text += " | " + parallaxText(range, screen);
    // Nothing measured and nothing behind the eye: no model to judge.
    if (!range.empty() || range.behindEye > 0) {
        text += ": ";
        text += comfortText(judgeParallax(range, screen));
    }
    return text;
}

std::string depthReadout(const ViewState& state, std::string_view fileName,
                         const ScreenMetrics& screen) {
    std::string text(fileName.empty() ? std::string_view("(no file)") : fileName);
    return text + " | " + depthReadoutDetails(state, screen);
}

std::string sceneInfo(ViewState& state, std::string_view fileName, std::int32_t clientW,
                      std::int32_t clientH) {
    std::string text = "file: " + std::string(fileName) + "\n";
    if (!state.scene) {
        return text;
    }
    const Scena& scene = *state.scene;
    text += (scene.isFaceModel() ? "model: faces, " : "model: edges, ") + modelCounts(scene) + "\n";
    text += formatted("centre: %" PRId32 " %" PRId32 " %" PRId32 "\n", scene.centreX, scene.centreY,
                      scene.centreZ);
    if (!scene.vertices.empty()) {
        Vertex lo = scene.vertices.front();
        Vertex hi = lo;
        for (const Vertex& v : scene.vertices) {
            lo.x = std::min(lo.x, v.x);
            lo.y = std::min(lo.y, v.y);
            lo.z = std::min(lo.z, v.z);
            hi.x = std::max(hi.x, v.x);
            hi.y = std::max(hi.y, v.y);
            hi.z = std::max(hi.z, v.z);
        }
        text += formatted("bounding box: %" PRId32 " %" PRId32 " %" PRId32 " .. %" PRId32
                          " %" PRId32 " %" PRId32 "\n",
                          lo.x, lo.y, lo.z, hi.x, hi.y, hi.z);
    }
    // The transforms first: a framing due to be fitted is fitted by the layout.
    buildTransforms(state);
    computeLayout(state, PlacementRect{0, 0, clientW + 4, clientH + 4});
    const ParallaxRange range = stereoScreenParallax(state);
    text += formatted("stereo screen %" PRId32 "x%" PRId32 ": ", clientW, clientH);
    if (range.empty()) {
        text += "parallax: none";
    } else {
        text += formatted("parallax %+" PRId32 "..%+" PRId32 " px", range.nearest, range.farthest);
    }
    if (!range.empty() || range.behindEye > 0) {
        // Judged on a screen as wide as this stereo screen.
        const ScreenMetrics screen{static_cast<double>(clientW), 0.0};
        text += ": " + std::string(comfortText(judgeParallax(range, screen)));
    }
    text += "\n";
    if (range.behindEye > 0) {
        text += formatted("points behind the eye: %" PRId32 "\n", range.behindEye);
    }
    text += "framing: " + framingText(state.framing) + "\n";
    return text;
}

}  // namespace kelpris
