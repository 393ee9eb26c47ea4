#include "view/view_state.h"

#include <cmath>

namespace kelpris {

namespace {

constexpr double kTwoPi = 2.0 * static_cast<double>(PI);
// Below this the one-step-at-a-time wrap would take too long (and far enough
// out a float step of 2*PI stops changing the value), so reduce first.
constexpr double kLoopLimit = 1.0e6;

}  // namespace

float wrapAngle(float v) noexcept {
    if (std::isnan(v) || std::isinf(v)) {
        return 0.0f;
    }
    if (v > 2.0 * kTwoPi || v < -kLoopLimit) {
        v = static_cast<float>(std::fmod(static_cast<double>(v), kTwoPi));
    }
    while (v < 0.0) {
        v = static_cast<float>(static_cast<double>(v) + kTwoPi);
    }
    if (v > kTwoPi) {
        v = static_cast<float>(static_cast<double>(v) - kTwoPi);
    }
    return v;
}

float clampPitch(float v) noexcept {
    if (std::isnan(v)) {
        return PI / 2;
    }
    const double low = static_cast<double>(PI) / 4.0;
    const double high = 3.0 * static_cast<double>(PI) / 4.0;
    if (v < low) {
        v = static_cast<float>(low);
    }
    if (v > high) {
        v = static_cast<float>(high);
    }
    return v;
}

void ViewState::setOptions(const ViewOptions& options) noexcept {
    options_ = options;
    const StereoColours colours = stereoColours(options_.glasses);
    penRed = Pen{1, colours.left.line};
    penGreen = Pen{1, colours.right.line};
    brushRed = Brush::solid(colours.left.face);
    brushGreen = Brush::solid(colours.right.face);
    layout.eyeHalfSep = options_.eyeHalfSep;
}

void createTools(ViewState& state, DrawingSurface& surface) {
    state.bmpObserverSide = surface.loadBitmap(132);
    state.bmpObserverTop = surface.loadBitmap(133);
    state.setOptions(state.options());
    state.penFrame = Pen{4, {200, 0, 200}};
    state.brushBlack = Brush::black();
}

void releaseTools(ViewState& state) noexcept {
    state.bmpObserverSide.reset();
    state.bmpObserverTop.reset();
    state.penRed = Pen{};
    state.penGreen = Pen{};
    state.penFrame = Pen{};
    state.brushRed = Brush{};
    state.brushGreen = Brush{};
    state.brushBlack = Brush{};
}

}  // namespace kelpris
