#include "app/command_line.h"

#include <charconv>
#include <cmath>

namespace kelpris {

namespace {

bool parseSide(std::string_view text, int& out) {
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return false;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    if (value < 1 || value > kMaxDrawingSide) {
        return false;
    }
    out = value;
    return true;
}

CommandLine failed(std::string message) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.error = std::move(message);
    return result;
}

}  // namespace

bool parseSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        return false;
    }
    int w = 0;
    int h = 0;
    if (!parseSide(text.substr(0, x), w) || !parseSide(text.substr(x + 1), h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool parseAngle(std::string_view text, float& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    float parsed = 0.0f;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            CommandLine help;
            help.action = CommandLine::Action::Help;
            return help;
        }
        if (arg == "--version") {
            CommandLine version;
            version.action = CommandLine::Action::Version;
            return version;
        }
    }

    CommandLine result;
    RawViewerFlags viewer;
    bool optionsEnded = false;
    bool screenGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (result.file) {
                return failed("only one FILE may be given (got '" + *result.file + "' and '" + arg +
                              "')");
            }
            if (arg.empty()) {
                return failed("FILE must not be empty");
            }
            result.file = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name == "--swap-eyes") {
            if (value) {
                return failed("option '--swap-eyes' takes no value");
            }
            if (viewer.swapEyes) {
                return failed("option '--swap-eyes' given twice");
            }
            viewer.swapEyes = true;
            continue;
        }
        if (name == "--render-pair") {
            if (viewer.renderPair) {
                return failed("option '--render-pair' given twice");
            }
            std::vector<std::string> names;
            if (value) {
                names.push_back(*value);
            }
            while (names.size() < 2 && i + 1 < args.size()) {
                names.push_back(args[++i]);
            }
            viewer.renderPair = names;
            continue;
        }
        const bool viewerOption = name == "--glasses" || name == "--shading" ||
                                  name == "--render-sbs" || name == "--info";
        const bool known = name == "--size" || name == "--yaw" || name == "--pitch" ||
                           name == "--screen" || name == "--render" || viewerOption;
        if (!known) {
            return failed("unknown option '" + name + "'");
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return failed("option '" + name + "' needs a value");
            }
            value = args[++i];
        }

        const auto repeated = [&] { return failed("option '" + name + "' given twice"); };
        if (viewerOption) {
            std::optional<std::string>& slot = name == "--glasses"   ? viewer.glasses
                                               : name == "--shading" ? viewer.shading
                                               : name == "--info"    ? viewer.infoFile
                                                                     : viewer.renderSbs;
            if (slot) {
                return repeated();
            }
            slot = *value;
        } else if (name == "--size") {
            if (result.width) {
                return repeated();
            }
            int w = 0;
            int h = 0;
            if (!parseSize(*value, w, h)) {
                return failed("invalid --size '" + *value + "': expected WxH, each 1.." +
                              std::to_string(kMaxDrawingSide));
            }
            result.width = w;
            result.height = h;
        } else if (name == "--yaw" || name == "--pitch") {
            std::optional<float>& slot = name == "--yaw" ? result.yaw : result.pitch;
            if (slot) {
                return repeated();
            }
            float angle = 0.0f;
            if (!parseAngle(*value, angle)) {
                return failed("invalid " + name + " '" + *value + "': expected radians");
            }
            slot = angle;
        } else if (name == "--screen") {
            if (screenGiven) {
                return repeated();
            }
            screenGiven = true;
            if (*value == "setup") {
                result.screen = CommandLine::Screen::Setup;
            } else if (*value == "stereo") {
                result.screen = CommandLine::Screen::Stereo;
            } else {
                return failed("invalid --screen '" + *value + "': expected setup or stereo");
            }
        } else {
            if (result.renderPath) {
                return repeated();
            }
            if (value->empty()) {
                return failed("--render needs a file name");
            }
            result.renderPath = *value;
        }
    }
    if (const std::optional<std::string> problem = interpretViewerFlags(viewer, result.viewer)) {
        return failed(*problem);
    }
    if (result.viewer.infoFile && result.file) {
        return failed("--info takes its own FILE; no other FILE may be given");
    }
    return result;
}

std::string usageText() {
    return "Usage: kelpris [--size WxH] [--yaw RADIANS] [--pitch RADIANS]\n"
           "               [--screen setup|stereo] [--render PNG] [FILE]\n"
           "               [--glasses PAIR] [--swap-eyes] [--shading flat|lit]\n"
           "               [--render-pair LEFT RIGHT] [--render-sbs PNG]\n"
           "       kelpris [--size WxH] [--yaw RADIANS] [--pitch RADIANS] --info FILE\n"
           "\n"
           "Shows a 3D scene file as a red/green stereo picture. dom.dat is loaded\n"
           "from the working directory first; FILE, if given, replaces it.\n"
           "\n"
           "  --size WxH        drawing area in pixels (default 800x600 in a window,\n"
           "                    640x480 with --render)\n"
           "  --yaw RADIANS     starting azimuth, wrapped into [0, 2*pi]\n"
           "  --pitch RADIANS   starting zenith angle, clamped into [pi/4, 3*pi/4]\n"
           "  --screen S        start on the setup (default) or the stereo screen\n"
           "  --render PNG      draw the screen into PNG without opening a window\n" +
           std::string(kViewerUsage) +
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "Exit status: 0 on success, 1 when a file cannot be opened or written,\n"
           "2 for an invalid command line.\n";
}

}  // namespace kelpris
