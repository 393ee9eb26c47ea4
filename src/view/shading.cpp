#include "view/shading.h"

#include <cmath>

#include "geometry/scene_projection.h"
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
    style.darkerOutline = state.options.outline == LitOutline::Darker;
    return style;
}

void drawShaded(const ViewState& state, DrawingSurface& surface, DrawMode mode, Rgb litColour) {
    if (!state.scene) {
        return;
    }
    if (state.options.shading == Shading::Flat || mode == DrawMode::Edges) {
        draw(*state.scene, surface, mode);
        return;
    }
    drawLitFaces(*state.scene, surface, mode, eyeLight(state, litColour));
}

void drawEyePicture(ViewState& state, DrawingSurface& surface, std::int32_t eyeSign,
                    const EyeColours& colours) {
    {
        ScopedBrush black(surface, state.brushBlack);
        surface.rectangle(0, 0, state.clientW, state.clientH);
    }
    if (!state.scene) {
        return;
    }
    Scena& scene = *state.scene;
    const bool faces = scene.isFaceModel();
    ScopedPen pen(surface, Pen{1, colours.line});
    ScopedBrush brush(surface, Brush::solid(colours.face));
    projectAllStereo(scene, state.stereoXf, stereoScreenParams(state, eyeSign));
    if (faces) {
        scene.orderFaces();
    }
    drawShaded(state, surface, faces ? DrawMode::SortedFaces : DrawMode::Edges, colours.line);
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
