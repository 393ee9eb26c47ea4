#pragma once
// Keyboard control of the view, the turning drag of the stereo screen and
// the pointer shape over the handles. The keys and the turning drag turn the
// angles with the same wrap and clamp as the handle drags, so neither can
// leave an angle a handle could not.

#include <cstdint>
#include <optional>

#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {

enum class ViewKey : std::uint8_t {
    Left,   ///< azimuth down by a step
    Right,  ///< azimuth up by a step
    Up,     ///< zenith down by a step: the model's front rises, its underside shows
    Down,   ///< zenith up by a step: its top shows
    Tab,    ///< the other screen, as a double-click
    Home,   ///< angles and positions back to their start values
};

/// Angle steps of the keys: 5 degrees, 1 degree with Shift, in the view's PI.
inline constexpr float kKeyStep = PI / 36;
inline constexpr float kFineKeyStep = PI / 180;

/// What the caller must do after a key.
enum class KeyEffect : std::uint8_t {
    Redraw,  ///< draw now as a drag does (no layout)
    LayOut,  ///< a platform paint: lay out again, then draw
};

/// Applies `key` to the state. Angle keys set yaw = wrapAngle(yaw +- step)
/// or pitch = clampPitch(wrapAngle(pitch +- step)), each sum rounded to float,
/// and rebuild the transforms so the stereo screen turns too. Tab disarms the
/// drags and switches the screen as a double-click does. Home sets yaw 0 and
/// pitch PI/2 and disarms the drags; the layout it asks for puts the dragged
/// positions back, and a zoom or pan back to the fit of a fitted model or
/// to zoom 1 without a pan (returnToFraming).
KeyEffect onViewKey(ViewState& state, ViewKey key, bool fine) noexcept;

struct ViewAngles {
    float yaw = 0.0f;
    float pitch = PI / 2;
    friend constexpr bool operator==(const ViewAngles&, const ViewAngles&) = default;
};

/// The angles after a turning drag moved the pointer by (dx, dy) pixels in a
/// window `width` pixels wide: a full turn per width on both axes, right
/// raising the azimuth as the Right key does and down raising the zenith as
/// the Down key does, so the model's front follows the pointer. Each angle
/// changes as a key changes it, with the step the motion gives; the zenith
/// in at most two steps of at most PI/4, since one larger step could wrap
/// past 0 and land on the far limit. A width of 0 or less turns nothing.
ViewAngles dragTurn(ViewAngles from, std::int32_t dx, std::int32_t dy, std::int32_t width) noexcept;

/// Pointer shapes that tell what a press would grab.
enum class PointerShape : std::uint8_t {
    Arrow,             ///< nothing to grab
    Move,              ///< preview box, model handle
    ResizeHorizontal,  ///< picture plane
    Rotate,            ///< the two angle squares
    Turn,              ///< anywhere on the stereo screen while a drag turns the model
};

PointerShape pointerShapeFor(std::optional<DragHandle> handle) noexcept;

/// The shape for the pointer at (x, y), from the same hit test a press uses.
inline PointerShape pointerShapeAt(const ViewState& state, std::int32_t x,
                                   std::int32_t y) noexcept {
    return state.dragTurnsModel() ? PointerShape::Turn : pointerShapeFor(hitTest(state, x, y));
}

/// One turn of the turntable: the azimuth advances by `step` with the wrap of
/// the drags, and the transforms are rebuilt.
void spinStep(ViewState& state, float step) noexcept;

/// Default turntable step per frame: 2 degrees.
inline constexpr float kSpinStep = PI / 90;

}  // namespace kelpris
