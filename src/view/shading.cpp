#include "view/shading.h"

#include <cmath>
#include <utility>

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

namespace {

constexpr std::pair<Shading, std::string_view> kShadingNames[] = {
    {Shading::Flat, "flat"}, {Shading::Lit, "lit"}, {Shading::Automatic, "auto"}};

}  // namespace

AutomaticChoices automaticChoices(ModelSource source) noexcept {
    if (source == ModelSource::Imported) {
        return {Shading::Lit, StereoMouse::TurnModel};
    }
    return {Shading::Flat, StereoMouse::SetupHandles};
}

Shading resolvedShading(const ViewOptions& options, ModelSource source) noexcept {
    return options.shading == Shading::Automatic ? automaticChoices(source).shading
                                                 : options.shading;
}

StereoMouse resolvedStereoMouse(const ViewOptions& options, ModelSource source) noexcept {
    return options.stereoMouse == StereoMouse::Automatic ? automaticChoices(source).stereoMouse
                                                         : options.stereoMouse;
}

std::string_view shadingName(Shading shading) noexcept {
    for (const auto& [value, name] : kShadingNames) {
        if (value == shading) {
            return name;
        }
    }
    return "flat";
}

std::optional<Shading> shadingFromName(std::string_view name) noexcept {
    for (const auto& [value, text] : kShadingNames) {
        if (text == name) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace kelpris
