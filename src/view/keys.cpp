#include "view/keys.h"

namespace kelpris {

namespace {

float turned(float angle, float step) noexcept {
    return wrapAngle(static_cast<float>(static_cast<double>(angle) + step));
}

}  // namespace

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
            s.pitch = clampPitch(turned(s.pitch, -step));
            break;
        case ViewKey::Down:
            s.pitch = clampPitch(turned(s.pitch, step));
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
    }
    return PointerShape::Arrow;
}

void spinStep(ViewState& s, float step) noexcept {
    s.yaw = turned(s.yaw, step);
    buildTransforms(s);
}

}  // namespace kelpris
