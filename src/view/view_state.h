#pragma once
// The state of one stereo view: the scene it shows, the layout, the viewing
// angles, the drag flags, the screen flag, the three view transforms, the
// drawing tools and the viewer options. The view widget owns one and passes
// it to the paint, the handlers and the menus; tests make their own.

#include <bit>
#include <cstdint>
#include <memory>

#include "geometry/matrix4.h"
#include "render/drawing_surface.h"
#include "scene/scena.h"
#include "view/framing.h"
#include "view/screen.h"
#include "view/view_options.h"

namespace kelpris {

/// The angle constant of the view: 3.141592 in single precision (bit pattern
/// 0x40490FD8), slightly below the float nearest to pi. Every angle limit and
/// angle expression of the view uses it, never a more exact pi.
inline constexpr float PI = 3.141592f;

/// The handles a left press can grab.
enum class DragHandle : std::uint8_t {
    Model = 1U << 0,    ///< the model centre: moves the model along the views
    Pitch = 1U << 1,    ///< the square round the side view: turns the zenith
    Yaw = 1U << 2,      ///< the square round the plan view: turns the azimuth
    Plane = 1U << 3,    ///< the picture plane
    Preview = 1U << 4,  ///< the preview box
    Turn = 1U << 5,     ///< the whole stereo picture, when a drag turns the model there
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

/// How far from the origin, either way, a window coordinate of the layout
/// may lie: window sizes, pointer positions and dragged positions are
/// clamped to it where they enter, once, so that every sum and product the
/// layout, the screens and the handlers form fits in 32 bits. A window of
/// that size would need terabytes of pixels; no real one comes near it.
inline constexpr std::int32_t kLayoutLimit = 1 << 22;

/// `v` clamped into -kLayoutLimit..kLayoutLimit.
constexpr std::int32_t clampToLayout(std::int64_t v) noexcept {
    return static_cast<std::int32_t>(v < -kLayoutLimit  ? -kLayoutLimit
                                     : v > kLayoutLimit ? kLayoutLimit
                                                        : v);
}

/// Where the screens' elements are. Every platform paint lays the screens
/// out afresh from the window size (computeLayout); drags move the model,
/// the picture plane and the preview box until the next layout. One value,
/// so that a picture at another size can be laid out and drawn and the
/// window's layout put back. The positions stay within kLayoutLimit of the
/// origin (the drawing sizes and offsets added to them are small).
struct Layout {
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
    friend constexpr bool operator==(const Layout&, const Layout&) = default;
};

class ViewState {
  public:
    /// The model shown, read-only; shared with the document, which saves it.
    /// Null draws nothing.
    std::shared_ptr<const Scena> scene;

    Layout layout;
    /// Zoom and pan of the stereo screen, and the fit's model depth; the
    /// default leaves the stereo screen as the layout alone draws it.
    Framing framing;

    // Grab offset of a preview drag.
    std::int32_t dragDX = 0;
    std::int32_t dragDY = 0;
    // The pointer at the press or last move of a turning drag.
    std::int32_t turnFromX = 0;
    std::int32_t turnFromY = 0;

    // Viewing angles, radians; kept for the whole run, never touched by layout.
    float pitch = PI / 2;  ///< zenith, PI/2 is horizontal; within [PI/4, 3*PI/4]
    float yaw = 0.0f;      ///< azimuth, within [0, 2*PI]
    float pressAngle = 0.0f;
    // The angles the three transforms were last built with: what the stereo
    // screen shows while a drag of its unseen handles changes yaw and pitch.
    float transformYaw = 0.0f;
    float transformPitch = PI / 2;

    DragModes drags;
    Screen stereoMode = Screen::Setup;
    /// Where the model shown came from, for the automatic options.
    ModelSource modelSource = ModelSource::SceneFile;

    Matrix4 stereoXf;  ///< model to eye coordinates; rebuilt by each setup paint
    Matrix4 sideXf;
    Matrix4 planXf;

    // Drawing tools: the eye pens and brushes follow the options; the rest
    // are made by createTools and released by releaseTools.
    Pen penRed;
    Pen penGreen;
    Pen penFrame;
    Brush brushRed;
    Brush brushGreen;
    Brush brushBlack;
    std::unique_ptr<Bitmap> bmpObserverSide;  ///< 140x140, eye at (65, 50)
    std::unique_ptr<Bitmap> bmpObserverTop;   ///< 70x140

    /// Glasses, shading and eye separation; the defaults change nothing.
    const ViewOptions& options() const noexcept { return options_; }
    /// Takes `options` together with what follows from them: penRed/brushRed
    /// (left eye) and penGreen/brushGreen (right eye) get the colours of the
    /// glasses, and the layout the eye separation. The default options give
    /// the original colours.
    void setOptions(const ViewOptions& options) noexcept;

    /// The shading the stereo screen draws with: the option, Automatic
    /// resolved for the model shown.
    Shading shading() const noexcept { return resolvedShading(options_, modelSource); }
    /// What a left drag does on the stereo screen, Automatic resolved.
    StereoMouse stereoMouse() const noexcept { return resolvedStereoMouse(options_, modelSource); }
    /// True when a left drag on the screen shown turns the model.
    bool dragTurnsModel() const noexcept {
        return stereoMode == Screen::Stereo && stereoMouse() == StereoMouse::TurnModel;
    }

    /// True while any drag mode is armed.
    bool dragging() const noexcept { return drags.any(); }

  private:
    ViewOptions options_;
};

/// The yaw wrap: while v < 0 add 2*PI; then, if v > 2*PI, subtract 2*PI once;
/// each step rounded to float. For every value a drag can produce the result
/// lies in [0, 2*PI] (2*PI itself stays). Values the drag cannot produce
/// (above 4*PI, far below 0, infinities) are first reduced modulo 2*PI so the
/// result is still in [0, 2*PI] and the loop always ends; NaN gives 0.
float wrapAngle(float v) noexcept;

/// Clamps a pitch into [PI/4, 3*PI/4] (bounds compared and stored as the
/// double expressions PI/4 and 3*PI/4 rounded to float). NaN gives PI/2.
float clampPitch(float v) noexcept;

/// Creates the pens and brushes (the eye colours from the options) and loads
/// the two observer pictures (132 and 133) through `surface` (any surface of
/// the implementation that will draw them). A picture that cannot be loaded
/// stays empty.
void createTools(ViewState& state, DrawingSurface& surface);

/// Releases the observer pictures and resets the pens and brushes.
void releaseTools(ViewState& state) noexcept;

}  // namespace kelpris
