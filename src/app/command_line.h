#pragma once
// The program's command line:
//   kelpris [--size WxH] [--yaw RADIANS] [--pitch RADIANS]
//           [--screen setup|stereo] [--up x|y|z|auto] [--fit|--no-fit]
//           [--render PNG] [FILE]
// plus the viewer's options (viewer_flags.h), --help and --version. Platform-free so it can be
// tested on its own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/version.h"
#include "app/viewer_flags.h"
#include "import/mesh_builder.h"
#include "view/framing.h"
#include "view/screen.h"

namespace kelpris {

/// Largest accepted drawing-area side for --size; keeps the off-screen
/// buffers within a sane amount of memory.
inline constexpr int kMaxDrawingSide = 10000;

struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    std::string error;  ///< what was wrong, when action is Error

    std::optional<int> width;             ///< drawing area (clientW), with `height`
    std::optional<int> height;            ///< drawing area (clientH), with `width`
    std::optional<float> yaw;             ///< as given; the caller wraps it
    std::optional<float> pitch;           ///< as given; the caller clamps it
    Screen screen = Screen::Setup;        ///< the screen shown first
    std::optional<mesh::UpAxis> up;       ///< for models whose file states none
    FitOnOpen fit = FitOnOpen::Imported;  ///< --fit: every model, --no-fit: none
    std::optional<std::string> renderPath;
    std::optional<std::string> file;
    ViewerFlags viewer;  ///< glasses, shading, eye pictures, turntable, --info

    /// Whether pictures are written without a window.
    bool writesPictures() const { return renderPath.has_value() || viewer.writesPictures(); }
};

/// Parses the arguments that follow the program name, as the raw bytes the
/// system gave (names are never re-encoded). Options take their
/// value as the next argument or after "=" ("--yaw=0.5"); "--" ends the
/// options. --help and --version win over everything else, even over an
/// error elsewhere on the line. Any unknown option, missing or invalid value,
/// repeated option or second FILE gives Action::Error with a message.
[[nodiscard]] CommandLine parseCommandLine(const std::vector<std::string>& args);

/// "WxH" with decimal W and H in 1..kMaxDrawingSide; nothing else accepted.
[[nodiscard]] bool parseSize(std::string_view text, int& width, int& height);

/// A finite decimal real ("0.5", "-1e-3", "+2"), rounded to single precision
/// once; no trailing characters, no "inf" or "nan".
[[nodiscard]] bool parseAngle(std::string_view text, float& value);

/// The --help text, ending in a newline.
std::string usageText();

}  // namespace kelpris
