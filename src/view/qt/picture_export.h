#pragma once
// Pictures of the view written to files: the two eyes side by side, and the
// PNG writer that reports why a picture could not be written. The pictures
// themselves come from CKELPRView (renderScreenAt, renderEye).

#include <QImage>
#include <QString>

#include "base/file_status.h"

namespace kelpris {

/// The two pictures side by side, left eye left; the height of the taller.
QImage sideBySide(const QImage& left, const QImage& right);

/// Writes `image` as PNG to `path` through a temporary file that replaces it
/// only once complete. A failure (no picture, or the file cannot be
/// written) names the file and the reason.
[[nodiscard]] FileStatus writePng(const QImage& image, const QString& path);

}  // namespace kelpris
