#include "app/viewer_flags.h"

#include <charconv>

namespace kelpris {

namespace {

std::optional<std::string> interpretTurntable(const RawViewerFlags& raw, ViewerFlags& out) {
    if (!raw.turntable) {
        if (raw.frames || raw.degrees) {
            return std::string(raw.frames ? "--frames" : "--degrees") +
                   " goes with --render-turntable";
        }
        return std::nullopt;
    }
    if (raw.turntable->empty()) {
        return "--render-turntable needs a file name";
    }
    if (!raw.frames) {
        return "--render-turntable needs --frames N";
    }
    TurntableFlags turntable{*raw.turntable, 0, kFullTurnDegrees};
    const std::string& frames = *raw.frames;
    const char* end = frames.data() + frames.size();
    const auto counted = std::from_chars(frames.data(), end, turntable.frames);
    if (counted.ec != std::errc() || counted.ptr != end || turntable.frames < 1 ||
        turntable.frames > kMaxTurntableFrames) {
        return "invalid --frames '" + frames + "': expected 1.." +
               std::to_string(kMaxTurntableFrames);
    }
    if (raw.degrees) {
        const std::string& degrees = *raw.degrees;
        const char* last = degrees.data() + degrees.size();
        const auto read =
            std::from_chars(degrees.data(), last, turntable.degrees, std::chars_format::general);
        if (read.ec != std::errc() || read.ptr != last || !(turntable.degrees > 0.0f) ||
            turntable.degrees > kFullTurnDegrees) {
            return "invalid --degrees '" + degrees + "': expected more than 0, at most 360";
        }
    }
    out.turntable = std::move(turntable);
    return std::nullopt;
}

}  // namespace

const char* const kViewerUsage =
    "  --glasses PAIR    red-green (default), red-cyan, red-blue, green-magenta\n"
    "                    or amber-blue\n"
    "  --swap-eyes       give the left eye the right eye's colour and back\n"
    "  --shading S       faces flat, lit by a light at the eye, or auto (default):\n"
    "                    flat for scene files, lit for other models\n"
    "  --render-pair LEFT RIGHT\n"
    "                    write each eye's stereo picture, grey on black\n"
    "  --render-sbs PNG  write both eyes side by side, left eye left\n"
    "  --render-turntable GIF\n"
    "                    write an animated GIF of the screen turning about the\n"
    "                    vertical axis from --yaw; needs --frames\n"
    "  --frames N        frames of the animation, 1..1000\n"
    "  --degrees D       turn through D degrees, more than 0, at most 360\n"
    "                    (default 360, a whole turn that loops smoothly)\n"
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
            return "invalid --shading '" + *raw.shading + "': expected flat, lit or auto";
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
    return interpretTurntable(raw, out);
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
