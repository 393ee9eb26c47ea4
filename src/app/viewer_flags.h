#pragma once
// The command-line options of the viewer's glasses, shading, picture export
// and model report. Platform-free; the command-line parser collects the raw
// values and hands them here to be checked.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "view/view_options.h"

namespace kelpris {

struct ViewerFlags {
    std::optional<GlassesPair> glasses;                             ///< --glasses
    bool swapEyes = false;                                          ///< --swap-eyes
    std::optional<Shading> shading;                                 ///< --shading
    std::optional<std::pair<std::string, std::string>> renderPair;  ///< --render-pair L R
    std::optional<std::string> renderSbs;                           ///< --render-sbs OUT
    std::optional<std::string> infoFile;                            ///< --info FILE

    /// Whether a picture is to be written without a window.
    bool rendersEyes() const { return renderPair.has_value() || renderSbs.has_value(); }
};

/// The values as given on the command line, before checking.
struct RawViewerFlags {
    std::optional<std::string> glasses;
    std::optional<std::string> shading;
    std::optional<std::vector<std::string>> renderPair;
    std::optional<std::string> renderSbs;
    std::optional<std::string> infoFile;
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
