#include "app/viewer_flags.h"

namespace kelpris {

const char* const kViewerUsage =
    "  --glasses PAIR    red-green (default), red-cyan, red-blue, green-magenta\n"
    "                    or amber-blue\n"
    "  --swap-eyes       give the left eye the right eye's colour and back\n"
    "  --shading S       faces flat (default) or lit by a light at the eye\n"
    "  --render-pair LEFT RIGHT\n"
    "                    write each eye's stereo picture, grey on black\n"
    "  --render-sbs PNG  write both eyes side by side, left eye left\n"
    "  --info FILE       print the model's counts, centre, bounding box and\n"
    "                    parallax on the stereo screen of --size, then exit\n";

std::optional<std::string> interpretViewerFlags(const RawViewerFlags& raw, ViewerFlags& out) {
    out = ViewerFlags{};
    if (raw.glasses) {
        out.glasses = glassesFromName(*raw.glasses);
        if (!out.glasses) {
            return "invalid --glasses '" + *raw.glasses +
                   "': expected red-green, red-cyan, red-blue, green-magenta or amber-blue";
        }
    }
    if (raw.shading) {
        out.shading = shadingFromName(*raw.shading);
        if (!out.shading) {
            return "invalid --shading '" + *raw.shading + "': expected flat or lit";
        }
    }
    if (raw.renderPair) {
        if (raw.renderPair->size() != 2 || raw.renderPair->at(0).empty() ||
            raw.renderPair->at(1).empty()) {
            return "--render-pair needs two file names, LEFT and RIGHT";
        }
        if (raw.renderPair->at(0) == raw.renderPair->at(1)) {
            return "--render-pair needs two different file names";
        }
        out.renderPair = std::pair{raw.renderPair->at(0), raw.renderPair->at(1)};
    }
    if (raw.renderSbs) {
        if (raw.renderSbs->empty()) {
            return "--render-sbs needs a file name";
        }
        out.renderSbs = raw.renderSbs;
    }
    if (raw.infoFile) {
        if (raw.infoFile->empty()) {
            return "--info needs a file name";
        }
        out.infoFile = raw.infoFile;
    }
    out.swapEyes = raw.swapEyes;
    return std::nullopt;
}

void applyViewerFlags(const ViewerFlags& flags, ViewOptions& options) {
    if (flags.glasses) {
        options.glasses.pair = *flags.glasses;
    }
    if (flags.swapEyes) {
        options.glasses.swapEyes = true;
    }
    if (flags.shading) {
        options.shading = *flags.shading;
    }
}

}  // namespace kelpris
