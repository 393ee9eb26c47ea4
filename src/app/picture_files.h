#pragma once
// Pictures given where a model was expected: a PNG or JPEG dropped on the
// window fails as a scene file with a quote of its bytes, which helps nobody;
// its first bytes tell what it is.

#include <QByteArray>
#include <string>

#include "base/file_status.h"

namespace kelpris {

/// The picture format the file's first bytes show ("PNG", "JPEG", "GIF",
/// "BMP", "TIFF", "WebP"); empty when they show none or the file cannot be
/// read. Never blocks (regular files only).
[[nodiscard]] std::string pictureFormatOf(const QByteArray& path);

/// `failed`, the outcome of opening `path` as a model, in plainer words
/// when the file is a picture.
[[nodiscard]] FileStatus explainOpenFailure(FileStatus failed, const QByteArray& path);

}  // namespace kelpris
