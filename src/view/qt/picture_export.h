#pragma once
// Pictures of the view for writing to files: the current screen, and each
// eye's stereo picture on its own in grey, at the window's layout or at
// another size. Drawing at another size lays the screens out for that size
// and then puts the window's layout and transforms back as they were.

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace kelpris {

enum class Eye { Left, Right };

/// The screen shown, drawn afresh at `size` (a drawing area, clientW x
/// clientH) with a layout for that size, as a paint of the screen (the
/// stereo screen of a face model writes the sort report). Null for an empty
/// size.
QImage renderScreenAt(QSize size);

/// The screen shown as a paint draws it after the azimuth has been turned to
/// `yaw` (as a view key or a turntable step turns it, transforms rebuilt),
/// laid out for `size` as renderScreenAt does. Afterwards the azimuth, the
/// layout and the transforms are as they were. Every frame of a turntable
/// animation is drawn here.
QImage renderScreenAtYaw(QSize size, float yaw);

/// One eye's stereo-screen picture in grey on black. Without a size, at the
/// window's layout as it stands (what the window's stereo screen shows);
/// with one, laid out for that size.
QImage renderEye(Eye eye, std::optional<QSize> size = std::nullopt);

/// The two pictures side by side, left eye left; the height of the taller.
QImage sideBySide(const QImage& left, const QImage& right);

/// Writes `image` as PNG to `path` through a temporary file that replaces it
/// only once complete. On failure returns the reason (with the file name).
std::optional<QString> writePng(const QImage& image, const QString& path);

}  // namespace kelpris
