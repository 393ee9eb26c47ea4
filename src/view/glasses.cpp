#include "view/glasses.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kelpris {

namespace {

struct PairInfo {
    GlassesPair pair;
    std::string_view name;
    std::string_view menuText;
    EyeColours left;
    EyeColours right;
};

// Faces are drawn at about five sixths of the line brightness, as the
// original red (215/180) and green (120/100) are.
constexpr std::array<PairInfo, 5> kPairs{{
    {GlassesPair::RedGreen,
     "red-green",
     "Red/Green",
     {{215, 0, 0}, {180, 0, 0}},
     {{0, 120, 0}, {0, 100, 0}}},
    {GlassesPair::RedCyan,
     "red-cyan",
     "Red/Cyan",
     {{215, 0, 0}, {180, 0, 0}},
     {{0, 150, 150}, {0, 125, 125}}},
    {GlassesPair::RedBlue,
     "red-blue",
     "Red/Blue",
     {{215, 0, 0}, {180, 0, 0}},
     {{0, 0, 255}, {0, 0, 215}}},
    {GlassesPair::GreenMagenta,
     "green-magenta",
     "Green/Magenta",
     {{0, 150, 0}, {0, 125, 0}},
     {{215, 0, 215}, {180, 0, 180}}},
    {GlassesPair::AmberBlue,
     "amber-blue",
     "Amber/Blue",
     {{215, 160, 0}, {180, 134, 0}},
     {{0, 0, 255}, {0, 0, 215}}},
}};

const PairInfo& info(GlassesPair pair) noexcept {
    for (const PairInfo& p : kPairs) {
        if (p.pair == pair) {
            return p;
        }
    }
    return kPairs[0];
}

std::uint8_t scaled(std::uint8_t channel, double factor) noexcept {
    const double v = std::round(static_cast<double>(channel) * factor);
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

EyeColours dimmed(const EyeColours& c, double factor) noexcept {
    const auto dim = [factor](Rgb v) {
        return Rgb{scaled(v.r, factor), scaled(v.g, factor), scaled(v.b, factor)};
    };
    return {dim(c.line), dim(c.face)};
}

}  // namespace

double luminance(Rgb c) noexcept {
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

StereoColours stereoColours(const GlassesChoice& choice) noexcept {
    const PairInfo& p = info(choice.pair);
    StereoColours out{p.left, p.right};
    if (choice.swapEyes) {
        std::swap(out.left, out.right);
    }
    const int balance = std::clamp(choice.eyeBalance, 0, kMaxEyeBalance);
    if (balance == 0) {
        return out;
    }
    // Dim the brighter eye part of the way toward the other's luminance;
    // a bright eye shows through the other filter as a ghost.
    const double left = luminance(out.left.line);
    const double right = luminance(out.right.line);
    EyeColours& brighter = left >= right ? out.left : out.right;
    const double ratio = std::min(left, right) / std::max(left, right);
    const double factor = 1.0 - (1.0 - ratio) * balance / kMaxEyeBalance;
    brighter = dimmed(brighter, factor);
    return out;
}

std::string_view glassesName(GlassesPair pair) noexcept {
    return info(pair).name;
}

std::string_view glassesMenuText(GlassesPair pair) noexcept {
    return info(pair).menuText;
}

std::optional<GlassesPair> glassesFromName(std::string_view name) noexcept {
    for (const PairInfo& p : kPairs) {
        if (p.name == name) {
            return p.pair;
        }
    }
    return std::nullopt;
}

}  // namespace kelpris
