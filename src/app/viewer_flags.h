#pragma once
// The command-line options of the viewer's glasses, shading, picture export
// and model report. Platform-free; the command-line parser collects the raw
// values and hands them here to be checked.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "view/turntable.h"
#include "view/view_options.h"

namespace kelpris {

/// --render-turntable OUT --frames N [--degrees D]
struct TurntableFlags {
    std::string path;
    int frames = 0;
    float degrees = kFullTurnDegrees;
};

struct ViewerFlags {
    std::optional<GlassesPair> glasses;                             ///< --glasses
    bool swapEyes = false;                                          ///< --swap-eyes
    std::optional<Shading> shading;                                 ///< --shading
    std::optional<std::pair<std::string, std::string>> renderPair;  ///< --render-pair L R
    std::optional<std::string> renderSbs;                           ///< --render-sbs OUT
    std::optional<std::string> infoFile;                            ///< --info FILE
    std::optional<TurntableFlags> turntable;                        ///< --render-turntable

    /// Whether an eye picture is to be written without a window.
    bool rendersEyes() const { return renderPair.has_value() || renderSbs.has_value(); }
    /// Whether any of these pictures is to be written without a window.
    bool writesPictures() const { return rendersEyes() || turntable.has_value(); }
};

/// The values as given on the command line, before checking.
struct RawViewerFlags {
    std::optional<std::string> glasses;
    std::optional<std::string> shading;
    std::optional<std::vector<std::string>> renderPair;
    std::optional<std::string> renderSbs;
    std::optional<std::string> infoFile;
    std::optional<std::string> turntable;
    std::optional<std::string> frames;
    std::optional<std::string> degrees;
    bool swapEyes = false;
};

/// Checks the raw values into `out`; the first problem is returned as the
/// message for the user, and `out` is then unspecified.
[[nodiscard]] std::optional<std::string> interpretViewerFlags(const RawViewerFlags& raw,
                                                              ViewerFlags& out);

/// The command-line choices over `options` (the rest stays as it is).
void applyViewerFlags(const ViewerFlags& flags, ViewOptions& options);

/// The --help lines of these options, each ending in a newline.
extern const char* const kViewerUsage;

}  // namespace kelpris
