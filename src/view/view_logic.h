#pragma once
// The platform-free behaviour of the stereo view: the layout, the paint
// routine with its two screens, and the mouse handlers. Everything reads and
// writes the ViewState it is given (the widget passes its own) and draws only
// through DrawingSurface, so it runs without a window.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "base/result.h"
#include "geometry/matrix4.h"
#include "render/drawing_surface.h"
#include "scene/scena.h"
#include "view/glasses.h"
#include "view/paint_buffers.h"
#include "view/report_writer.h"
#include "view/view_state.h"

namespace kelpris {

class PaintWorker;

/// What a paint may use besides the calling thread. Either may be null.
struct PaintHelpers {
    /// Draws the second picture of a screen (the left eye, the preview) at the
    /// same time on a second thread. Null: the same tasks on the calling
    /// thread, each where the paint waits for it. The pixels and everything
    /// the paint leaves in its buffers come out the same.
    PaintWorker* worker = nullptr;
    /// Takes the sort report to write in the background. Null: the report is
    /// written before the paint returns.
    ReportWriter* reports = nullptr;
};

/// The view window's outer rectangle in its parent's coordinates.
struct PlacementRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

/// Lays out the screens from the placement rectangle: clientW = right - 4 -
/// left, clientH = bottom - 4 - top, modelX = clientW*190/640, sideY =
/// clientH/4, planY = clientH*3/4, midY = clientH/2, planeX = clientW*350/640,
/// eyeHalfSep from the options (10 unless chosen otherwise), previewW 150,
/// previewH 103, previewX = planeX - 200, previewY = midY - 51. Integer
/// division truncates toward zero; nothing is clamped for real sizes (a
/// narrow window gives a negative previewX); absurd sizes are clamped to
/// kLayoutLimit first. Then the framing is re-applied (reframeAfterLayout:
/// a fitted model is put back at its depth, or fitted again at a new size;
/// the default framing changes nothing). Replaces the layout only: angles,
/// drag flags and stereoMode keep their values.
void computeLayout(ViewState& state, const PlacementRect& placement) noexcept;

/// The one-eye projection arguments of the full-window stereo picture for
/// `eyeSign` (+1 right/green, -1 left/red): the preview geometry enlarged by
/// E = float(clientW / (double)previewW), distances truncated toward zero,
/// scale float(E * 0.2f), origin (clientW/2, clientH/2). The framing's zoom
/// multiplies E (in double) and its pan moves the origin; the default
/// framing gives exactly these values.
StereoParams stereoScreenParams(const ViewState& state, std::int32_t eyeSign) noexcept;

/// The projection arguments of the preview box for `eyeSign`, in setup-screen
/// pixels: depthOffset planeX - modelX, eyeDistance clientW - planeX - 75,
/// eyeShift eyeHalfSep, scale 0.2f, origin (previewW/2, previewH/2). A
/// framing (zoom or pan) applies to the preview as to the stereo screen, with
/// the pan scaled by previewW/clientW; the default framing gives exactly
/// these values.
StereoParams previewParams(const ViewState& state, std::int32_t eyeSign) noexcept;

/// Rebuilds stereoXf, sideXf and planXf from the scene centre, yaw and pitch
/// (each angle expression evaluated in double and rounded to float once),
/// and keeps those angles as transformYaw and transformPitch. With no scene
/// the centre is taken as the origin.
void buildTransforms(ViewState& state) noexcept;

/// What became of the sort report of a paint.
enum class SortReport {
    None,       ///< nothing to report: the setup screen, or an edge model
    Written,    ///< written to the report file before the paint returned
    Submitted,  ///< handed to the background writer, which tells the outcome
};

/// Paints the screen chosen by stereoMode (0: setup screen, else the stereo
/// screen) onto `surface`, a surface of the client area, with what it
/// computes in `buffers`. Uses the layout as it stands and never changes it.
/// Every pen and brush it selects into `surface` is put back; the setup
/// screen leaves the text colour red. Draws nothing when there is no scene.
///
/// The stereo screen of a face model orders its faces and reports the order
/// to `reportPath`: through `helpers.reports` when given, else at once. A
/// report that cannot be written is the failure returned; the picture is
/// drawn all the same.
[[nodiscard]] Result<SortReport> DrawScreen(
    ViewState& state, DrawingSurface& surface, PaintBuffers& buffers,
    const std::filesystem::path& reportPath = kSortReportFile, const PaintHelpers& helpers = {});

/// The setup screen (stereoMode 0); rebuilds the three transforms first. Here
/// and in drawStereoScreen the state must hold a scene (DrawScreen sees to
/// it).
void drawSetupScreen(ViewState& state, DrawingSurface& surface, PaintBuffers& buffers,
                     PaintWorker* worker = nullptr);

/// The stereo screen: right eye green on black, left eye red on a black
/// off-screen picture ORed on top, purple frame. Uses stereoXf as the last
/// setup paint left it. Reports the order of a face model as DrawScreen says.
[[nodiscard]] Result<SortReport> drawStereoScreen(const ViewState& state, DrawingSurface& surface,
                                                  PaintBuffers& buffers,
                                                  const std::filesystem::path& reportPath,
                                                  const PaintHelpers& helpers = {});

/// One eye's stereo-screen picture (`eyeSign` +1 right, -1 left) on its own:
/// black, then the eye's lines or faces in `colours`, shaded as on screen.
/// Faces are ordered by depth as a stereo paint orders them; no sort report
/// is written, as this is not a paint of the screen.
void drawEyePicture(const ViewState& state, DrawingSurface& surface, PaintBuffers& buffers,
                    std::int32_t eyeSign, const EyeColours& colours);

/// Angle of the pointer (px, py) seen from the centre (cx, cy), counter-
/// clockwise on the screen from straight up, in [0, 2*PI): 0 above, PI/2 to
/// the left, PI below, 3*PI/2 to the right, PI/2 on the centre itself.
/// atan in double rounded to float; each correction sum rounded to float.
float pointAngle(std::int32_t cx, std::int32_t cy, std::int32_t px, std::int32_t py) noexcept;

/// Makes a fresh client-area surface, calls DrawScreen on it and releases it.
using RedrawFn = std::function<void()>;

/// The handle a left press at client (x, y) would grab: the first hit in the
/// order preview box (all bounds inclusive), model handle (within 9 px on both
/// axes of either view's centre), picture plane (within 4 px), yaw square
/// (below midY, within 119 px of the plan centre), pitch square (above midY,
/// within 119 px of the side centre); nothing elsewhere. Changes nothing.
/// Here and in the handlers below, positions beyond kLayoutLimit count as on
/// it.
std::optional<DragHandle> hitTest(const ViewState& state, std::int32_t x, std::int32_t y) noexcept;

/// Left press at client (x, y): the handle hitTest finds arms its drag mode;
/// where a drag turns the model (state.dragTurnsModel()) a press anywhere
/// arms the turning drag instead. Never clears an armed flag.
void onLButtonDown(ViewState& state, std::int32_t x, std::int32_t y) noexcept;

/// Pointer move: applies every armed mode in the order yaw, pitch, model,
/// plane, preview, then the turning drag (dragTurn by the motion since the
/// last move, transforms rebuilt so the picture follows), then calls
/// `redraw` once if any mode is armed. Does not lay out. A move with
/// nothing armed changes nothing and draws nothing.
void onMouseMove(ViewState& state, std::int32_t x, std::int32_t y, const RedrawFn& redraw);

/// Release: clears the five drag flags. Draws nothing.
void onLButtonUp(ViewState& state, std::int32_t x, std::int32_t y) noexcept;

/// Double-click: clears the drag flags, toggles stereoMode between 0 and 1 and
/// calls `redraw`.
void onLButtonDblClk(ViewState& state, std::int32_t x, std::int32_t y, const RedrawFn& redraw);

}  // namespace kelpris
