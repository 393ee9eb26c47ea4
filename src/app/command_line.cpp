#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

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

/// --help or --version anywhere before "--" wins over everything else,
/// even over an error elsewhere on the line.
std::optional<CommandLine> helpOrVersion(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            CommandLine early;
            early.action =
                arg == "--version" ? CommandLine::Action::Version : CommandLine::Action::Help;
            return early;
        }
    }
    return std::nullopt;
}

struct NamedOption {
    const char* name;
    CLI::Option* option;
};

struct RawLine {
    std::vector<NamedOption> options;  ///< --size, --yaw, --pitch, --screen, --render, --up, ...
    CLI::Option* renderPair = nullptr;
    CLI::Option* swapEyes = nullptr;
    CLI::Option* fit = nullptr;
    CLI::Option* noFit = nullptr;

    /// The one value given for `name`, if the option was given.
    std::optional<std::string> value(std::string_view name) const {
        for (const NamedOption& o : options) {
            if (name == o.name && o.option->count() > 0) {
                return o.option->results().front();
            }
        }
        return std::nullopt;
    }
};

/// An option written as "--name=" with nothing after the "=": refused here,
/// as the parser would take the next argument as its value instead.
std::optional<CommandLine> emptyInlineValue(const std::vector<std::string>& options) {
    for (const std::string& arg : options) {
        for (const char* name : {"--render=", "--render-sbs=", "--info=", "--render-turntable="}) {
            if (arg == name) {
                return failed(arg.substr(0, arg.size() - 1) + " needs a file name");
            }
        }
        for (const char* flag : {"--swap-eyes", "--fit", "--no-fit"}) {
            if (arg.rfind(std::string(flag) + "=", 0) == 0) {
                return failed("option '" + std::string(flag) + "' takes no value");
            }
        }
        for (const char* name : {"--size=", "--yaw=", "--pitch=", "--screen=", "--up=",
                                 "--glasses=", "--shading=", "--frames=", "--degrees="}) {
            if (arg == name) {
                return failed("invalid " + arg.substr(0, arg.size() - 1) + " '': empty value");
            }
        }
    }
    return std::nullopt;
}

/// Our own words for the parser's "--name: ..." count complaints: the
/// option was either given twice or left without its value.
std::string mismatchMessage(const std::string& what, const std::vector<std::string>& options) {
    const std::string name = what.substr(0, what.find(':'));
    if (name == "--render-pair") {
        return "--render-pair needs two file names, LEFT and RIGHT";
    }
    const auto uses = std::count_if(options.begin(), options.end(), [&](const std::string& arg) {
        return arg == name || arg.rfind(name + "=", 0) == 0;
    });
    return uses > 1 ? "option '" + name + "' given twice" : "option '" + name + "' needs a value";
}

/// Sorts what the parser did not take: an unknown option is an error; the
/// rest, with everything after "--", are file names, of which at most one.
CommandLine takeFile(const std::vector<std::string>& extras,
                     const std::vector<std::string>& afterDashes, CommandLine result) {
    std::vector<std::string> files;
    for (const std::string& extra : extras) {
        if (extra.size() >= 2 && extra[0] == '-') {
            return failed("unknown option '" + extra.substr(0, extra.find('=')) + "'");
        }
        files.push_back(extra);
    }
    files.insert(files.end(), afterDashes.begin(), afterDashes.end());
    if (files.size() > 1) {
        return failed("only one FILE may be given (got '" + files[0] + "' and '" + files[1] + "')");
    }
    if (files.size() == 1) {
        if (files.front().empty()) {
            return failed("FILE must not be empty");
        }
        result.file = files.front();
    }
    return result;
}

/// The options that write a picture, each with the one extension (any case)
/// its names must end in, so that no model or other file given by mistake
/// is overwritten by a picture.
struct PictureOutput {
    const char* option;
    std::string_view extension;
};
constexpr PictureOutput kPictureOutputs[] = {
    {"--render", ".png"},
    {"--render-pair", ".png"},
    {"--render-sbs", ".png"},
    {"--render-turntable", ".gif"},
};

bool endsWithIgnoringCase(std::string_view name, std::string_view ending) {
    if (name.size() <= ending.size()) {
        return false;  // nothing before the extension is no name either
    }
    const std::string_view tail = name.substr(name.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

/// The first picture name that lacks its option's extension, as the message.
std::optional<std::string> refusedPictureName(const CLI::App& cli) {
    for (const PictureOutput& output : kPictureOutputs) {
        for (const std::string& name : cli.get_option(output.option)->results()) {
            if (!name.empty() && !endsWithIgnoringCase(name, output.extension)) {
                return "invalid " + std::string(output.option) + " '" + name +
                       "': a picture name must end in " + std::string(output.extension);
            }
        }
    }
    return std::nullopt;
}

/// Checks and converts each value given; the first bad one is the error.
std::optional<std::string> applySize(const std::optional<std::string>& value, CommandLine& out) {
    if (!value) {
        return std::nullopt;
    }
    int w = 0;
    int h = 0;
    if (!parseSize(*value, w, h)) {
        return "invalid --size '" + *value + "': expected WxH, each 1.." +
               std::to_string(kMaxDrawingSide);
    }
    out.width = w;
    out.height = h;
    return std::nullopt;
}

std::optional<std::string> applyAngle(const char* name, const std::optional<std::string>& value,
                                      std::optional<float>& slot) {
    if (!value) {
        return std::nullopt;
    }
    float angle = 0.0f;
    if (!parseAngle(*value, angle)) {
        return std::string("invalid ") + name + " '" + *value + "': expected radians";
    }
    slot = angle;
    return std::nullopt;
}

std::optional<std::string> applyScreen(const std::optional<std::string>& value, CommandLine& out) {
    if (!value || *value == "setup") {
        return std::nullopt;
    }
    if (*value != "stereo") {
        return "invalid --screen '" + *value + "': expected setup or stereo";
    }
    out.screen = Screen::Stereo;
    return std::nullopt;
}

std::optional<std::string> applyUp(const std::optional<std::string>& value, CommandLine& out) {
    if (!value) {
        return std::nullopt;
    }
    out.up = mesh::parseUpAxis(*value);
    if (!out.up) {
        return "invalid --up '" + *value + "': expected x, y, z or auto";
    }
    return std::nullopt;
}

RawViewerFlags viewerFlags(const RawLine& raw) {
    RawViewerFlags flags;
    flags.glasses = raw.value("--glasses");
    flags.shading = raw.value("--shading");
    flags.renderSbs = raw.value("--render-sbs");
    flags.infoFile = raw.value("--info");
    flags.turntable = raw.value("--render-turntable");
    flags.frames = raw.value("--frames");
    flags.degrees = raw.value("--degrees");
    if (raw.renderPair->count() > 0) {
        flags.renderPair = raw.renderPair->results();
    }
    flags.swapEyes = raw.swapEyes->count() > 0;
    return flags;
}

CommandLine interpret(const RawLine& raw) {
    CommandLine result;
    std::optional<std::string> problem = applySize(raw.value("--size"), result);
    if (!problem) {
        problem = applyAngle("--yaw", raw.value("--yaw"), result.yaw);
    }
    if (!problem) {
        problem = applyAngle("--pitch", raw.value("--pitch"), result.pitch);
    }
    if (!problem) {
        problem = applyScreen(raw.value("--screen"), result);
    }
    if (!problem) {
        problem = applyUp(raw.value("--up"), result);
    }
    if (problem) {
        return failed(*problem);
    }
    result.renderPath = raw.value("--render");
    if (result.renderPath && result.renderPath->empty()) {
        return failed("--render needs a file name");
    }
    if (std::optional<std::string> viewerProblem =
            interpretViewerFlags(viewerFlags(raw), result.viewer)) {
        return failed(*viewerProblem);
    }
    if (raw.fit->count() > 0 && raw.noFit->count() > 0) {
        return failed("--fit and --no-fit cannot both be given");
    }
    if (raw.fit->count() > 0) {
        result.fit = FitOnOpen::Always;
    } else if (raw.noFit->count() > 0) {
        result.fit = FitOnOpen::Never;
    }
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
    if (std::optional<CommandLine> early = helpOrVersion(args)) {
        return *early;
    }
    // Everything after the first "--" is a file name, whatever it looks like.
    const auto dashes = std::find(args.begin(), args.end(), std::string("--"));
    const std::vector<std::string> options(args.begin(), dashes);
    const std::vector<std::string> afterDashes(dashes == args.end() ? dashes : dashes + 1,
                                               args.end());
    if (std::optional<CommandLine> empty = emptyInlineValue(options)) {
        return *empty;
    }
    RawLine raw;
    CLI::App cli("kelpris");
    cli.set_help_flag();  // answered above, before any error
    // Unknown options and file names are collected, not thrown, and sorted
    // out by takeFile().
    cli.allow_extras(true);
    for (const char* name :
         {"--size", "--yaw", "--pitch", "--screen", "--render", "--up", "--glasses", "--shading",
          "--render-sbs", "--info", "--render-turntable", "--frames", "--degrees"}) {
        raw.options.push_back({name, cli.add_option(name)->expected(1)->multi_option_policy(
                                         CLI::MultiOptionPolicy::Throw)});
    }
    raw.renderPair = cli.add_option("--render-pair")
                         ->expected(2)
                         ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    raw.swapEyes = cli.add_flag("--swap-eyes")->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    raw.fit = cli.add_flag("--fit")->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    raw.noFit = cli.add_flag("--no-fit")->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    try {
        // CLI11 takes its arguments last first.
        std::vector<std::string> reversed(options.rbegin(), options.rend());
        cli.parse(reversed);
    } catch (const CLI::ArgumentMismatch& e) {
        return failed(mismatchMessage(e.what(), options));
    } catch (const CLI::ParseError& e) {
        return failed(e.what());
    }
    const CommandLine result = interpret(raw);
    if (result.action == CommandLine::Action::Error) {
        return result;
    }
    if (std::optional<std::string> refused = refusedPictureName(cli)) {
        return failed(*refused);
    }
    const CommandLine withFile = takeFile(cli.remaining(), afterDashes, result);
    if (withFile.viewer.infoFile && withFile.file) {
        return failed("--info takes its own FILE; no other FILE may be given");
    }
    return withFile;
}

// In the layout GNU programs use, from which the man page is made at build
// time: an option is documented by its line here.
std::string usageText() {
    return "Usage: kelpris [OPTION]... [FILE]\n"
           "  or:  kelpris [OPTION]... --info FILE\n"
           "Shows a 3D model as a red/green stereo picture. dom.dat is loaded from the\n"
           "working directory first; FILE, if given, replaces it. FILE is a scene file\n"
           "(.dat) or an STL, OBJ, PLY, OFF, glTF/GLB, 3MF or COLLADA model.\n"
           "\n"
           "Options:\n"
           "  --size WxH        drawing area in pixels (default 800x600 in a window,\n"
           "                    640x480 with --render)\n"
           "  --yaw RADIANS     starting azimuth, wrapped into [0, 2*pi]\n"
           "  --pitch RADIANS   starting zenith angle, clamped into [pi/4, 3*pi/4]\n"
           "  --screen S        start on the setup (default) or the stereo screen\n"
           "  --up x|y|z|auto   the axis that points up in models whose file does not\n"
           "                    say (default auto, or the last choice in View > Up\n"
           "                    Axis); auto takes the format's custom (STL z; OBJ, PLY,\n"
           "                    OFF y)\n"
           "  --fit             frame every model to fill the stereo screen at a\n"
           "                    comfortable depth (default: only models that are not\n"
           "                    scene files, which are drawn as their file places them)\n"
           "  --no-fit          frame no model: keep the import's placement\n"
           "  --render PNG      draw the screen into PNG without opening a window\n" +
           std::string(kViewerUsage) +
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "Exit status:\n"
           "  0  success\n"
           "  1  a file cannot be opened, is not a model, or cannot be written\n"
           "  2  the command line is invalid\n";
}

}  // namespace kelpris
