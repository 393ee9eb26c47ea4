#pragma once
// An animated GIF read back with giflib's own decoder, for checking what the
// program wrote.

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

namespace kelpris::testing {

struct DecodedGif {
    std::string error;           ///< why the file could not be read; empty when read
    std::vector<QImage> frames;  ///< each frame whole, RGB32
    std::vector<int> delays;     ///< hundredths of a second, per frame
    bool loopsForever = false;   ///< the NETSCAPE2.0 extension with loop count 0
};

/// Reads the GIF at `path`. Every frame must cover the whole picture, as the
/// program writes them.
DecodedGif decodeGif(const std::filesystem::path& path);

}  // namespace kelpris::testing
