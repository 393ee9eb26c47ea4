#include <cstdint>

#include "base/saturate.h"
#include "view/view_logic.h"

namespace kelpris {

void computeLayout(ViewState& state, const PlacementRect& placement) noexcept {
    using I64 = std::int64_t;
    Layout& l = state.layout;
    // The one clamp: everything below is plain 32-bit arithmetic, as in the
    // original, and cannot overflow.
    l.clientW = clampToLayout(I64{placement.right} - 4 - placement.left);
    l.clientH = clampToLayout(I64{placement.bottom} - 4 - placement.top);
    // Products before the division, as the original did.
    l.modelX = l.clientW * 190 / 640;
    l.sideY = l.clientH / 4;
    l.planY = l.clientH * 3 / 4;
    l.midY = l.clientH / 2;
    l.planeX = l.clientW * 350 / 640;
    l.eyeHalfSep = state.options().eyeHalfSep;
    l.previewW = 150;
    l.previewH = 103;
    l.previewX = l.planeX - 50 - l.previewW;
    l.previewY = l.midY - l.previewH / 2;
    reframeAfterLayout(state);
}

namespace {

// The preview geometry of the layout alone, before any framing: the base the
// stereo screen enlarges.
StereoParams layoutPreviewParams(const ViewState& state, std::int32_t eyeSign) noexcept {
    const Layout& l = state.layout;
    StereoParams p;
    p.depthOffset = l.planeX - l.modelX;
    p.eyeDistance = l.clientW - l.planeX - 75;
    p.eyeShift = l.eyeHalfSep;
    p.eyeSign = eyeSign;
    p.scale = 0.2f;
    p.originX = l.previewW / 2;
    p.originY = l.previewH / 2;
    return p;
}

}  // namespace

StereoParams previewParams(const ViewState& state, std::int32_t eyeSign) noexcept {
    StereoParams p = layoutPreviewParams(state, eyeSign);
    const Framing& f = state.framing;
    if (f.zoom == 1.0 && f.panX == 0.0 && f.panY == 0.0) {
        return p;
    }
    // The preview is the stereo screen in miniature, so it shows the same
    // framing: the zoom magnifies it about its middle and the pan moves it
    // by the pan's share of the window.
    const Layout& l = state.layout;
    p.depthOffset = truncToInt32(static_cast<double>(p.depthOffset) * f.zoom);
    p.eyeDistance = truncToInt32(static_cast<double>(p.eyeDistance) * f.zoom);
    p.eyeShift = truncToInt32(static_cast<double>(p.eyeShift) * f.zoom);
    p.scale = static_cast<float>(static_cast<double>(0.2f) * f.zoom);
    const double share = l.clientW > 0 ? static_cast<double>(l.previewW) / l.clientW : 0.0;
    p.originX += panPixels(f.panX * share);
    p.originY += panPixels(f.panY * share);
    return p;
}

StereoParams stereoScreenParams(const ViewState& state, std::int32_t eyeSign) noexcept {
    // Enlargement from the preview box to the whole client area, rounded to
    // float once; a zero previewW (no layout yet) gives an infinite factor,
    // which the saturating conversions below keep defined.
    const Layout& l = state.layout;
    const float e =
        static_cast<float>(static_cast<double>(l.clientW) / static_cast<double>(l.previewW));
    // The framing's zoom magnifies every distance with the picture, so the
    // picture grows about its origin; zoom 1 changes no bit.
    const double ed = static_cast<double>(e) * state.framing.zoom;
    const StereoParams preview = layoutPreviewParams(state, eyeSign);
    StereoParams p;
    p.depthOffset = truncToInt32(static_cast<double>(preview.depthOffset) * ed);
    p.eyeDistance = truncToInt32(static_cast<double>(preview.eyeDistance) * ed);
    p.eyeShift = truncToInt32(static_cast<double>(l.eyeHalfSep) * ed);
    p.eyeSign = eyeSign;
    p.scale = static_cast<float>(ed * static_cast<double>(0.2f));
    p.originX = l.clientW / 2 + panPixels(state.framing.panX);
    p.originY = l.clientH / 2 + panPixels(state.framing.panY);
    return p;
}

void buildTransforms(ViewState& state) noexcept {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    std::int32_t cz = 0;
    if (state.scene) {
        cx = saturateToInt32(-std::int64_t{state.scene->centreX});
        cy = saturateToInt32(-std::int64_t{state.scene->centreY});
        cz = saturateToInt32(-std::int64_t{state.scene->centreZ});
    }
    // Each angle expression in double from the float values, rounded once.
    const double pi = PI;
    const double yaw = state.yaw;
    const double pitch = state.pitch;
    auto f = [](double v) { return static_cast<float>(v); };

    Matrix4& stereo = state.stereoXf;
    stereo.setIdentity();
    stereo.translate(cx, cy, cz);
    stereo.rotateZ(f(-yaw));
    stereo.rotateX(f(-pitch));

    Matrix4& side = state.sideXf;
    side.setIdentity();
    side.translate(cx, cy, cz);
    side.rotateZ(f(-(pi / 2 + yaw)));
    side.rotateX(f(-(pi / 2)));
    side.rotateZ(f(-(pitch - pi / 2)));
    side.flatten();

    Matrix4& plan = state.planXf;
    plan.setIdentity();
    plan.translate(cx, cy, cz);
    plan.rotateZ(f(-(pi / 2)));
    plan.rotateX(f(-pi));
    plan.rotateZ(f(yaw));
    plan.flatten();
    state.transformYaw = state.yaw;
    state.transformPitch = state.pitch;
}

Result<SortReport> DrawScreen(ViewState& state, DrawingSurface& surface, PaintBuffers& buffers,
                              const std::filesystem::path& reportPath,
                              const PaintHelpers& helpers) {
    if (!state.scene) {
        return SortReport::None;
    }
    if (state.stereoMode == Screen::Stereo) {
        return drawStereoScreen(state, surface, buffers, reportPath, helpers);
    }
    drawSetupScreen(state, surface, buffers, helpers.worker);
    return SortReport::None;
}

}  // namespace kelpris
