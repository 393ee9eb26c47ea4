#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "view/keys.h"
#include "view/view_logic.h"

namespace kelpris {

namespace {

constexpr double kPi = PI;
constexpr double kTwoPi = 2.0 * kPi;

}  // namespace

float pointAngle(std::int32_t cx, std::int32_t cy, std::int32_t px, std::int32_t py) noexcept {
    // Centre minus pointer; 64-bit so no pair of positions overflows.
    const std::int64_t dx = static_cast<std::int64_t>(cx) - px;
    const std::int64_t dy = static_cast<std::int64_t>(cy) - py;
    if (dy == 0) {
        return static_cast<float>(dx < 0 ? 3.0 * kPi / 2.0 : kPi / 2.0);
    }
    float a = static_cast<float>(std::atan(static_cast<double>(dx) / static_cast<double>(dy)));
    if (dy < 0) {
        a = static_cast<float>(static_cast<double>(a) + kPi);
    }
    if (dx < 0 && dy > 0) {
        a = static_cast<float>(static_cast<double>(a) + kTwoPi);
    }
    return a;
}

std::optional<DragHandle> hitTest(const ViewState& s, std::int32_t x, std::int32_t y) noexcept {
    x = clampToLayout(x);
    y = clampToLayout(y);
    const Layout& l = s.layout;
    if (l.previewX <= x && x <= l.previewX + l.previewW && l.previewY <= y &&
        y <= l.previewY + l.previewH) {
        return DragHandle::Preview;
    }
    if (std::abs(x - l.modelX) < 10 && (std::abs(y - l.sideY) < 10 || std::abs(y - l.planY) < 10)) {
        return DragHandle::Model;
    }
    if (std::abs(x - l.planeX) < 5) {
        return DragHandle::Plane;
    }
    if (y > l.midY && std::abs(x - l.modelX) < 120 && std::abs(y - l.planY) < 120) {
        return DragHandle::Yaw;
    }
    if (y < l.midY && std::abs(x - l.modelX) < 120 && std::abs(y - l.sideY) < 120) {
        return DragHandle::Pitch;
    }
    return std::nullopt;
}

void onLButtonDown(ViewState& s, std::int32_t x, std::int32_t y) noexcept {
    if (s.dragTurnsModel()) {
        s.turnFromX = clampToLayout(x);
        s.turnFromY = clampToLayout(y);
        s.drags.arm(DragHandle::Turn);
        return;
    }
    const std::optional<DragHandle> handle = hitTest(s, x, y);
    if (!handle) {
        return;
    }
    x = clampToLayout(x);
    y = clampToLayout(y);
    const Layout& l = s.layout;
    switch (*handle) {
        case DragHandle::Preview:
            s.dragDX = x - l.previewX;
            s.dragDY = y - l.previewY;
            break;
        case DragHandle::Yaw: {
            const float turn = pointAngle(l.modelX, l.planY, x, y);
            s.pressAngle = static_cast<float>(static_cast<double>(s.yaw) - turn);
            if (s.pressAngle < 0.0) {
                s.pressAngle = static_cast<float>(static_cast<double>(s.pressAngle) + kTwoPi);
            }
            break;
        }
        case DragHandle::Pitch: {
            const float turn = pointAngle(l.modelX, l.sideY, x, y);
            s.pressAngle = static_cast<float>(static_cast<double>(turn) + s.pitch);
            break;
        }
        case DragHandle::Model:
        case DragHandle::Plane:
        case DragHandle::Turn:
            break;
    }
    s.drags.arm(*handle);
}

void onMouseMove(ViewState& s, std::int32_t x, std::int32_t y, const RedrawFn& redraw) {
    x = clampToLayout(x);
    y = clampToLayout(y);
    Layout& l = s.layout;
    // Both angle modes turn about the model centre as it was before this move.
    if (s.drags.armed(DragHandle::Yaw)) {
        const float turn = pointAngle(l.modelX, l.planY, x, y);
        s.yaw = wrapAngle(static_cast<float>(static_cast<double>(turn) + s.pressAngle));
    }
    if (s.drags.armed(DragHandle::Pitch)) {
        const float turn = pointAngle(l.modelX, l.sideY, x, y);
        s.pitch =
            clampPitch(wrapAngle(static_cast<float>(static_cast<double>(s.pressAngle) - turn)));
    }
    if (s.drags.armed(DragHandle::Model)) {
        l.modelX = x;
    }
    if (s.drags.armed(DragHandle::Model) || s.drags.armed(DragHandle::Plane)) {
        s.framing.movedByHand = true;  // a resize keeps what the hand set
    }
    if (s.drags.armed(DragHandle::Plane)) {
        l.planeX = std::min(x, l.clientW - 80);
    }
    if (s.drags.armed(DragHandle::Preview)) {
        // The grab offset may be up to twice the limit: clamped again.
        l.previewX = clampToLayout(std::int64_t{x} - s.dragDX);
        l.previewY = clampToLayout(std::int64_t{y} - s.dragDY);
    }
    if (s.drags.armed(DragHandle::Turn)) {
        const ViewAngles angles =
            dragTurn({s.yaw, s.pitch}, x - s.turnFromX, y - s.turnFromY, l.clientW);
        s.yaw = angles.yaw;
        s.pitch = angles.pitch;
        s.turnFromX = x;
        s.turnFromY = y;
        // The stereo screen draws with these; the picture follows at once.
        buildTransforms(s);
    }
    if (s.dragging() && redraw) {
        redraw();
    }
}

void onLButtonUp(ViewState& s, std::int32_t, std::int32_t) noexcept {
    s.drags.clear();
}

void onLButtonDblClk(ViewState& s, std::int32_t x, std::int32_t y, const RedrawFn& redraw) {
    onLButtonUp(s, x, y);
    s.stereoMode = otherScreen(s.stereoMode);
    if (redraw) {
        redraw();
    }
}

}  // namespace kelpris
