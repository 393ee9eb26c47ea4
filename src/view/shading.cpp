#include "view/shading.h"

#include <cmath>

#include "view/view_logic.h"

namespace kelpris {

namespace {

// Far enough to light every face from straight ahead when the layout gives
// no usable eye position.
constexpr double kFarLight = -1.0e9;

}  // namespace

LitFaceStyle eyeLight(const ViewState& state, Rgb colour) {
    const StereoParams p = stereoScreenParams(state, 0);
    LitFaceStyle style;
    style.transform = state.stereoXf;
    const double z = -(static_cast<double>(p.depthOffset) + p.eyeDistance) / p.scale;
    style.lightZ = std::isfinite(z) ? z : kFarLight;
    style.colour = colour;
    style.darkerOutline = state.options().outline != LitOutline::None;
    return style;
}

Pen flatOutlinePen(LitOutline outline, const Pen& line, Rgb fill) {
    switch (outline) {
        case LitOutline::AsShaded:
            return line;
        case LitOutline::Darker:
            return Pen{line.width, shade(fill, kOutlineShade)};
        case LitOutline::None:
            return Pen{line.width, fill};
    }
    return line;
}

}  // namespace kelpris

namespace kelpris {

std::string_view shadingName(Shading shading) noexcept {
    return shading == Shading::Lit ? "lit" : "flat";
}

std::optional<Shading> shadingFromName(std::string_view name) noexcept {
    if (name == "flat") {
        return Shading::Flat;
    }
    if (name == "lit") {
        return Shading::Lit;
    }
    return std::nullopt;
}

}  // namespace kelpris
