#pragma once
// The framing of the stereo screen: one zoom for both eyes, a pan of the
// picture and, after a fit, the model's distance behind the picture plane.
// The fit makes the whole model fill the frame at a comfortable depth; the
// wheel zooms about the pointer and a middle drag pans. The default framing
// changes no number of the stereo screen.
//
// The geometry is worked out in docs/ARCHITECTURE.md ("Framing").

#include <cstdint>
#include <string>

namespace kelpris {

class ViewState;

/// The zoom's range: far beyond what a fit or a user needs, and small enough
/// that every product of it with a window size stays well inside 32 bits.
inline constexpr double kMinZoom = 1.0 / 64.0;
inline constexpr double kMaxZoom = 64.0;

/// Zoom of one wheel notch: four notches double the picture.
inline constexpr double kZoomPerNotch = 1.189207115002721;  // 2^(1/4)

/// Room the fit leaves between the model and each edge, as a share of the
/// drawing area's side.
inline constexpr double kFitMargin = 0.04;
/// Share of the 1/30-of-width parallax limit the fit uses, so that the depth
/// readout's verdict stays "comfortable" after truncations.
inline constexpr double kFitComfortShare = 0.9;

/// Which models open fitted: by default the imported meshes, whose files
/// place them anywhere; scene files are drawn as they place themselves.
enum class FitOnOpen : std::uint8_t {
    Imported,  ///< imported meshes only (the default)
    Always,    ///< every model (--fit)
    Never,     ///< none (--no-fit): the import's placement alone
};

constexpr bool opensFitted(FitOnOpen choice, bool imported) noexcept {
    return choice == FitOnOpen::Always || (choice == FitOnOpen::Imported && imported);
}

struct Framing {
    /// The model is framed by the fit; otherwise as its file places it.
    bool fitted = false;
    /// Zoomed, panned or a handle dragged since the fit: a resize keeps the
    /// framing instead of fitting again.
    bool movedByHand = false;
    double zoom = 1.0;
    double panX = 0.0;  ///< window pixels the picture is moved right
    double panY = 0.0;  ///< window pixels the picture is moved down
    /// From the picture plane back to the model centre, setup pixels; the
    /// fit's model position, put back after every layout while fitted.
    std::int32_t modelDepth = 0;
    /// The drawing area the fit was made for; a fitted framing not moved by
    /// hand is fitted again when the layout's size differs (0: not yet).
    std::int32_t fittedW = 0;
    std::int32_t fittedH = 0;
    /// A middle drag: the pointer and the pan where it started.
    bool panning = false;
    std::int32_t grabX = 0;
    std::int32_t grabY = 0;
    double grabPanX = 0.0;
    double grabPanY = 0.0;
};

/// The pan in whole window pixels, rounded to nearest and kept within the
/// layout's limit.
std::int32_t panPixels(double pan) noexcept;

/// Asks for the fit: the framing becomes fitted, not moved, and the next
/// layout (computeLayout) fits it to its size.
void requestFit(Framing& framing) noexcept;

/// Fits now, at the layout as it stands and with stereoXf: the model is
/// moved along the view so that the picture plane passes through the middle
/// of its depth (kept well in front of the eye), then zoomed and panned so
/// that both eyes' pictures fill the drawing area less kFitMargin on each
/// side and the largest parallax stays within kFitComfortShare of 1/30 of
/// the width. Where size and comfort disagree, comfort wins. An empty model
/// or drawing area gets zoom 1 and no pan.
void fitFraming(ViewState& state) noexcept;

/// After a layout: a fitted framing puts the model back at its depth, and
/// is fitted again when it was not moved by hand and the size has changed.
/// The default framing changes nothing.
void reframeAfterLayout(ViewState& state) noexcept;

/// Home: back to the fit when the model is fitted (at the next layout),
/// else to zoom 1 without a pan.
void returnToFraming(Framing& framing) noexcept;

/// The wheel on the stereo screen at client (x, y): zooms by
/// kZoomPerNotch per notch (positive: larger) about the pointer, so that
/// the model point under it stays there, within kMinZoom..kMaxZoom. False
/// (nothing changed) on the setup screen or at the zoom's limit.
bool zoomAt(ViewState& state, std::int32_t x, std::int32_t y, double notches) noexcept;

/// A middle press on the stereo screen: starts moving the picture with the
/// pointer. False on the setup screen.
bool startPan(ViewState& state, std::int32_t x, std::int32_t y) noexcept;
/// A pointer move: while a middle drag runs, the picture follows the pointer
/// from where the drag started. False when no drag runs.
bool panTo(ViewState& state, std::int32_t x, std::int32_t y) noexcept;
/// The middle release.
void endPan(ViewState& state) noexcept;

/// "fitted (zoom Z)" or "as the file places it (zoom Z)", and the pan when
/// there is one.
std::string framingText(const Framing& framing);

}  // namespace kelpris
