#include <cmath>
#include <cstdint>
#include <optional>

#include "view/int_math.h"
#include "view/view_logic.h"

namespace kelpris {

using detail::absDiff;
using detail::sat;

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
    using I64 = std::int64_t;
    if (s.layout.previewX <= x && I64{x} <= I64{s.layout.previewX} + s.layout.previewW &&
        s.layout.previewY <= y && I64{y} <= I64{s.layout.previewY} + s.layout.previewH) {
        return DragHandle::Preview;
    }
    if (absDiff(x, s.layout.modelX) < 10 &&
        (absDiff(y, s.layout.sideY) < 10 || absDiff(y, s.layout.planY) < 10)) {
        return DragHandle::Model;
    }
    if (absDiff(x, s.layout.planeX) < 5) {
        return DragHandle::Plane;
    }
    if (y > s.layout.midY && absDiff(x, s.layout.modelX) < 120 &&
        absDiff(y, s.layout.planY) < 120) {
        return DragHandle::Yaw;
    }
    if (y < s.layout.midY && absDiff(x, s.layout.modelX) < 120 &&
        absDiff(y, s.layout.sideY) < 120) {
        return DragHandle::Pitch;
    }
    return std::nullopt;
}

void onLButtonDown(ViewState& s, std::int32_t x, std::int32_t y) noexcept {
    using I64 = std::int64_t;
    const std::optional<DragHandle> handle = hitTest(s, x, y);
    if (!handle) {
        return;
    }
    switch (*handle) {
        case DragHandle::Preview:
            s.dragDX = sat(I64{x} - s.layout.previewX);
            s.dragDY = sat(I64{y} - s.layout.previewY);
            break;
        case DragHandle::Yaw: {
            const float turn = pointAngle(s.layout.modelX, s.layout.planY, x, y);
            s.pressAngle = static_cast<float>(static_cast<double>(s.yaw) - turn);
            if (s.pressAngle < 0.0) {
                s.pressAngle = static_cast<float>(static_cast<double>(s.pressAngle) + kTwoPi);
            }
            break;
        }
        case DragHandle::Pitch: {
            const float turn = pointAngle(s.layout.modelX, s.layout.sideY, x, y);
            s.pressAngle = static_cast<float>(static_cast<double>(turn) + s.pitch);
            break;
        }
        case DragHandle::Model:
        case DragHandle::Plane:
            break;
    }
    s.drags.arm(*handle);
}

void onMouseMove(ViewState& s, std::int32_t x, std::int32_t y, const RedrawFn& redraw) {
    using I64 = std::int64_t;
    // Both angle modes turn about the model centre as it was before this move.
    if (s.drags.armed(DragHandle::Yaw)) {
        const float turn = pointAngle(s.layout.modelX, s.layout.planY, x, y);
        s.yaw = wrapAngle(static_cast<float>(static_cast<double>(turn) + s.pressAngle));
    }
    if (s.drags.armed(DragHandle::Pitch)) {
        const float turn = pointAngle(s.layout.modelX, s.layout.sideY, x, y);
        s.pitch =
            clampPitch(wrapAngle(static_cast<float>(static_cast<double>(s.pressAngle) - turn)));
    }
    if (s.drags.armed(DragHandle::Model)) {
        s.layout.modelX = x;
    }
    if (s.drags.armed(DragHandle::Plane)) {
        s.layout.planeX = x;
        const I64 stop = I64{s.layout.clientW} - 80;
        if (s.layout.planeX > stop) {
            s.layout.planeX = sat(stop);
        }
    }
    if (s.drags.armed(DragHandle::Preview)) {
        s.layout.previewX = sat(I64{x} - s.dragDX);
        s.layout.previewY = sat(I64{y} - s.dragDY);
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
