#pragma once
// Turntable animations of the view: the screen shown, drawn at equal azimuth
// steps from the current azimuth, written as a looping animated GIF. The
// stereo screen's frames share one fixed palette of the two eyes' levels; the
// setup screen's frames each carry the palette of their own colours.

#include <QSize>
#include <filesystem>
#include <functional>
#include <optional>

#include "base/file_status.h"
#include "view/turntable.h"

namespace kelpris {

class CKELPRView;

struct TurntableRequest {
    QSize size;                        ///< drawing area of every frame
    int frames = 36;                   ///< 1..kMaxTurntableFrames
    float degrees = kFullTurnDegrees;  ///< the turn, 0 < degrees <= 360
};

/// Told after each frame how many of `total` are done; returning false stops
/// the export.
using TurntableProgress = std::function<bool(int done, int total)>;

/// Draws the frames of `request` for the screen, options and angles of
/// `view` as they stand (each frame as a paint draws it, see
/// CKELPRView::renderScreenAtYaw), encodes them and writes the GIF to `path` with the
/// atomic file writer. The view is left as it was. Returns the outcome of the
/// write, or nothing when `progress` stopped the export; a stopped or failed
/// export leaves no file and an existing one as it was.
[[nodiscard]] std::optional<FileStatus> writeTurntable(CKELPRView& view,
                                                       const TurntableRequest& request,
                                                       const std::filesystem::path& path,
                                                       const TurntableProgress& progress = {});

}  // namespace kelpris
