#pragma once
// PNG encoding of a drawn picture. A picture of at most 256 colours (every
// picture the screens draw) is stored with an exact palette of the colours it
// holds, which is smaller and much quicker to compress than full colour; any
// other picture is stored as 24-bit colour. Decoding gives back exactly the
// pixels of the picture.

#include <QByteArray>
#include <QImage>
#include <filesystem>

#include "base/file_status.h"

namespace kelpris {

/// The PNG bytes of `image` (any format; alpha is dropped as in RGB32).
/// Empty when the image is null or cannot be encoded.
QByteArray encodePng(const QImage& image);

/// Encodes `image` as encodePng does and writes it to `path` with the
/// program's one atomic file writer (links followed, the system's reason on
/// failure, no half-written file left behind).
[[nodiscard]] FileStatus writePngFile(const QImage& image, const std::filesystem::path& path);

}  // namespace kelpris
