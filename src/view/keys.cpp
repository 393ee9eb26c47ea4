#include "view/keys.h"

#include <algorithm>
#include <cmath>

namespace kelpris {

namespace {

constexpr double kTwoPi = 2.0 * static_cast<double>(PI);

float turned(float angle, float step) noexcept {
    return wrapAngle(static_cast<float>(static_cast<double>(angle) + step));
}

float tilted(float pitch, float step) noexcept {
    return clampPitch(turned(pitch, step));
}

}  // namespace

ViewAngles dragTurn(ViewAngles from, std::int32_t dx, std::int32_t dy,
                    std::int32_t width) noexcept {
    if (width <= 0) {
        return from;
    }
    // One rounding of the exact turn, so a key step's pixels give the key's step.
    const auto turnOf = [width](std::int32_t pixels) { return pixels * kTwoPi / width; };
    ViewAngles to = from;
    if (dx != 0) {
        to.yaw = turned(from.yaw, static_cast<float>(turnOf(dx)));
    }
    if (dy != 0) {
        // Beyond the zenith's whole range (PI/2) a turn changes nothing more.
        const double range = static_cast<double>(PI) / 2.0;
        const double by = std::clamp(turnOf(dy), -range, range);
        const int steps = std::abs(by) > range / 2.0 ? 2 : 1;
        for (int i = 0; i < steps; ++i) {
            to.pitch = tilted(to.pitch, static_cast<float>(by / steps));
        }
    }
    return to;
}

KeyEffect onViewKey(ViewState& s, ViewKey key, bool fine) noexcept {
    const float step = fine ? kFineKeyStep : kKeyStep;
    switch (key) {
        case ViewKey::Left:
            s.yaw = turned(s.yaw, -step);
            break;
        case ViewKey::Right:
            s.yaw = turned(s.yaw, step);
            break;
        case ViewKey::Up:
            s.pitch = tilted(s.pitch, -step);
            break;
        case ViewKey::Down:
            s.pitch = tilted(s.pitch, step);
            break;
        case ViewKey::Tab:
            s.drags.clear();
            s.stereoMode = otherScreen(s.stereoMode);
            return KeyEffect::Redraw;
        case ViewKey::Home:
            s.drags.clear();
            s.yaw = 0.0f;
            s.pitch = PI / 2;
            returnToFraming(s.framing);
            buildTransforms(s);
            return KeyEffect::LayOut;
    }
    // The stereo screen draws with the transform of the last setup paint;
    // rebuilding it here lets the keys turn the stereo picture as well.
    buildTransforms(s);
    return KeyEffect::Redraw;
}

PointerShape pointerShapeFor(std::optional<DragHandle> handle) noexcept {
    if (!handle) {
        return PointerShape::Arrow;
    }
    switch (*handle) {
        case DragHandle::Preview:
        case DragHandle::Model:
            return PointerShape::Move;
        case DragHandle::Plane:
            return PointerShape::ResizeHorizontal;
        case DragHandle::Yaw:
        case DragHandle::Pitch:
            return PointerShape::Rotate;
        case DragHandle::Turn:
            return PointerShape::Turn;
    }
    return PointerShape::Arrow;
}

void spinStep(ViewState& s, float step) noexcept {
    s.yaw = turned(s.yaw, step);
    buildTransforms(s);
}

}  // namespace kelpris
