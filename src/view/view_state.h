#pragma once
// The program-wide state of the stereo view: the scene it shows, the per-paint
// layout, the viewing angles, the drag flags, the screen flag, the three view
// transforms and the drawing tools. There is exactly one instance, reached
// through viewState(); the logic functions take it by reference so that tests
// can drive them without a window.

#include <bit>
#include <cstdint>
#include <memory>

#include "geometry/matrix4.h"
#include "render/drawing_surface.h"
#include "scene/scena.h"
#include "view/view_options.h"

namespace kelpris {

/// The angle constant of the view: 3.141592 in single precision (bit pattern
/// 0x40490FD8), slightly below the float nearest to pi. Every angle limit and
/// angle expression of the view uses it, never a more exact pi.
inline constexpr float PI = 3.141592f;

/// The screen DrawScreen paints; the numbers are the screen flag's values.
enum class Screen : std::int32_t {
    Setup = 0,   ///< side and plan views with the handles (shown first)
    Stereo = 1,  ///< the whole window as the two-colour picture
};

/// The other screen: what a double-click switches to.
constexpr Screen otherScreen(Screen s) noexcept {
    return s == Screen::Setup ? Screen::Stereo : Screen::Setup;
}

/// The handles a left press can grab.
enum class DragHandle : std::uint8_t {
    Model = 1U << 0,    ///< the model centre: moves the model along the views
    Pitch = 1U << 1,    ///< the square round the side view: turns the zenith
    Yaw = 1U << 2,      ///< the square round the plan view: turns the azimuth
    Plane = 1U << 3,    ///< the picture plane
    Preview = 1U << 4,  ///< the preview box
};

/// The armed drag modes. A press arms at most one but never disarms one that
/// is armed already, so more than one can be armed at a time; a release or a
/// double-click clears them all.
class DragModes {
  public:
    void arm(DragHandle h) noexcept { bits_ = static_cast<std::uint8_t>(bits_ | bit(h)); }
    bool armed(DragHandle h) const noexcept { return (bits_ & bit(h)) != 0; }
    bool any() const noexcept { return bits_ != 0; }
    int count() const noexcept { return std::popcount(bits_); }
    void clear() noexcept { bits_ = 0; }

  private:
    static constexpr std::uint8_t bit(DragHandle h) noexcept {
        return static_cast<std::uint8_t>(h);
    }
    std::uint8_t bits_ = 0;
};

struct ViewState {
    /// The one scene; created by the view widget, empty until then.
    std::unique_ptr<Scena> scene;

    // Layout, recomputed by every platform paint (computeLayout).
    std::int32_t clientW = 0;
    std::int32_t clientH = 0;
    std::int32_t modelX = 0;  ///< model centre x in both setup views (model drag)
    std::int32_t sideY = 0;   ///< model centre y of the side view (upper half)
    std::int32_t planY = 0;   ///< model centre y of the plan view (lower half)
    std::int32_t midY = 0;    ///< line between the two setup views
    std::int32_t planeX = 0;  ///< picture plane x (plane drag)
    std::int32_t eyeHalfSep = 0;
    std::int32_t previewW = 0;
    std::int32_t previewH = 0;
    std::int32_t previewX = 0;  ///< preview box left edge (preview drag)
    std::int32_t previewY = 0;  ///< preview box top edge (preview drag)

    // Grab offset of a preview drag.
    std::int32_t dragDX = 0;
    std::int32_t dragDY = 0;

    // Viewing angles, radians; kept for the whole run, never touched by layout.
    float pitch = PI / 2;  ///< zenith, PI/2 is horizontal; within [PI/4, 3*PI/4]
    float yaw = 0.0f;      ///< azimuth, within [0, 2*PI]
    float pressAngle = 0.0f;

    DragModes drags;
    Screen stereoMode = Screen::Setup;

    Matrix4 stereoXf;  ///< model to eye coordinates; rebuilt by each setup paint
    Matrix4 sideXf;
    Matrix4 planXf;

    // Drawing tools, created by createTools and released by releaseTools.
    Pen penRed;
    Pen penGreen;
    Pen penFrame;
    Brush brushRed;
    Brush brushGreen;
    Brush brushBlack;
    std::unique_ptr<Bitmap> bmpObserverSide;  ///< 140x140, eye at (65, 50)
    std::unique_ptr<Bitmap> bmpObserverTop;   ///< 70x140

    /// Glasses, shading and eye separation; the defaults change nothing.
    ViewOptions options;

    /// True while any drag mode is armed.
    bool dragging() const noexcept { return drags.any(); }
};

/// The one program-wide view state. It exists before the view is created and
/// after it is destroyed. Tests reset it with `viewState() = ViewState{}`.
ViewState& viewState();

/// The yaw wrap: while v < 0 add 2*PI; then, if v > 2*PI, subtract 2*PI once;
/// each step rounded to float. For every value a drag can produce the result
/// lies in [0, 2*PI] (2*PI itself stays). Values the drag cannot produce
/// (above 4*PI, far below 0, infinities) are first reduced modulo 2*PI so the
/// result is still in [0, 2*PI] and the loop always ends; NaN gives 0.
float wrapAngle(float v) noexcept;

/// Clamps a pitch into [PI/4, 3*PI/4] (bounds compared and stored as the
/// double expressions PI/4 and 3*PI/4 rounded to float). NaN gives PI/2.
float clampPitch(float v) noexcept;

/// Creates the pens and brushes (the eye colours from options.glasses) and loads the two observer
/// pictures (132 and 133) through `surface` (any surface of the implementation that will draw
/// them). A picture that cannot be loaded stays empty.
void createTools(ViewState& state, DrawingSurface& surface);

/// Gives penRed/brushRed (left eye) and penGreen/brushGreen (right eye) the
/// colours of options.glasses; the default choice gives the original ones.
void applyGlasses(ViewState& state) noexcept;

/// Releases the observer pictures and resets the pens and brushes.
void releaseTools(ViewState& state) noexcept;

}  // namespace kelpris
