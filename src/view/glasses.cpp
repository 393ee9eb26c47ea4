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

// sRGB transfer function: the picture's 0..255 values are gamma-encoded, so
// light adds up and scales only after decoding.
double decoded(std::uint8_t channel) noexcept {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t encoded(double linear) noexcept {
    const double l = std::clamp(linear, 0.0, 1.0);
    const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(c * 255.0));
}

// Scales the emitted light of every channel by `factor`.
EyeColours dimmed(const EyeColours& c, double factor) noexcept {
    const auto dim = [factor](Rgb v) {
        return Rgb{encoded(decoded(v.r) * factor), encoded(decoded(v.g) * factor),
                   encoded(decoded(v.b) * factor)};
    };
    return {dim(c.line), dim(c.face)};
}

}  // namespace

double luminance(Rgb c) noexcept {
    return 0.2126 * decoded(c.r) + 0.7152 * decoded(c.g) + 0.0722 * decoded(c.b);
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
    // Dim the brighter eye part of the way toward the other's luminance; a
    // bright eye shows through the other filter as a ghost. Compared and
    // scaled in emitted light: by encoded values green 120 looks brighter
    // than red 215, while it emits less.
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
