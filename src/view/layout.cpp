#include <cstdint>

#include "base/saturate.h"
#include "view/int_math.h"
#include "view/view_logic.h"

namespace kelpris {

using detail::sat;

void computeLayout(ViewState& state, const PlacementRect& placement) noexcept {
    using I64 = std::int64_t;
    state.clientW = sat(I64{placement.right} - 4 - placement.left);
    state.clientH = sat(I64{placement.bottom} - 4 - placement.top);
    // Products before the division, as the 32-bit original did; 64 bits keep
    // absurd sizes from overflowing and give the same quotient otherwise.
    state.modelX = sat(I64{state.clientW} * 190 / 640);
    state.sideY = state.clientH / 4;
    state.planY = sat(I64{state.clientH} * 3 / 4);
    state.midY = state.clientH / 2;
    state.planeX = sat(I64{state.clientW} * 350 / 640);
    state.eyeHalfSep = state.options.eyeHalfSep;
    state.previewW = 150;
    state.previewH = 103;
    state.previewX = sat(I64{state.planeX} - 50 - state.previewW);
    state.previewY = sat(I64{state.midY} - state.previewH / 2);
}

StereoParams previewParams(const ViewState& state, std::int32_t eyeSign) noexcept {
    using I64 = std::int64_t;
    StereoParams p;
    p.depthOffset = sat(I64{state.planeX} - state.modelX);
    p.eyeDistance = sat(I64{state.clientW} - state.planeX - 75);
    p.eyeShift = state.eyeHalfSep;
    p.eyeSign = eyeSign;
    p.scale = 0.2f;
    p.originX = state.previewW / 2;
    p.originY = state.previewH / 2;
    return p;
}

StereoParams stereoScreenParams(const ViewState& state, std::int32_t eyeSign) noexcept {
    // Enlargement from the preview box to the whole client area, rounded to
    // float once; a zero previewW (no layout yet) gives an infinite factor,
    // which the saturating conversions below keep defined.
    const float e = static_cast<float>(static_cast<double>(state.clientW) /
                                       static_cast<double>(state.previewW));
    const double ed = e;
    const StereoParams preview = previewParams(state, eyeSign);
    StereoParams p;
    p.depthOffset = truncToInt32(static_cast<double>(preview.depthOffset) * ed);
    p.eyeDistance = truncToInt32(static_cast<double>(preview.eyeDistance) * ed);
    p.eyeShift = truncToInt32(static_cast<double>(state.eyeHalfSep) * ed);
    p.eyeSign = eyeSign;
    p.scale = static_cast<float>(ed * static_cast<double>(0.2f));
    p.originX = state.clientW / 2;
    p.originY = state.clientH / 2;
    return p;
}

void buildTransforms(ViewState& state) noexcept {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    std::int32_t cz = 0;
    if (state.scene) {
        cx = sat(-std::int64_t{state.scene->centreX});
        cy = sat(-std::int64_t{state.scene->centreY});
        cz = sat(-std::int64_t{state.scene->centreZ});
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
}

std::optional<FileStatus> DrawScreen(ViewState& state, DrawingSurface& surface,
                                     const std::filesystem::path& reportPath,
                                     const PaintHelpers& helpers) {
    if (!state.scene) {
        return std::nullopt;
    }
    if (state.stereoMode == Screen::Stereo) {
        return drawStereoScreen(state, surface, reportPath, helpers);
    }
    drawSetupScreen(state, surface, helpers.worker);
    return std::nullopt;
}

}  // namespace kelpris
