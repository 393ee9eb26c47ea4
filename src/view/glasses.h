#pragma once
// The colours of the two eyes' pictures for the kinds of two-colour glasses
// the viewer supports. Each pair gives the two eyes colour channels that do
// not overlap, so ORing one eye's picture onto the other's keeps both exact.
// The default (red/green, left eye red, no balance) is the viewer's original
// colouring, pixel for pixel.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "render/drawing_surface.h"

namespace kelpris {

enum class GlassesPair : std::uint8_t {
    RedGreen,
    RedCyan,
    RedBlue,
    GreenMagenta,
    AmberBlue,
};

inline constexpr std::array<GlassesPair, 5> kAllGlassesPairs{
    GlassesPair::RedGreen, GlassesPair::RedCyan, GlassesPair::RedBlue, GlassesPair::GreenMagenta,
    GlassesPair::AmberBlue};

/// Largest eye balance: at this value the brighter eye is dimmed to the
/// luminance of the other, compared in emitted light.
inline constexpr int kMaxEyeBalance = 100;

struct GlassesChoice {
    GlassesPair pair = GlassesPair::RedGreen;
    bool swapEyes = false;  ///< give the left eye the pair's right colour and back
    int eyeBalance = 0;     ///< 0 .. kMaxEyeBalance; 0 leaves the colours as they are
    friend constexpr bool operator==(GlassesChoice, GlassesChoice) = default;
};

/// One eye's drawing colours: lines brighter than faces.
struct EyeColours {
    Rgb line{};
    Rgb face{};
    friend constexpr bool operator==(EyeColours, EyeColours) = default;
};

struct StereoColours {
    EyeColours left;
    EyeColours right;
};

/// The colours of both eyes for a choice. Balance values outside
/// 0..kMaxEyeBalance are clamped.
StereoColours stereoColours(const GlassesChoice& choice) noexcept;

/// The name used on the command line and in the settings ("red-green", ...).
std::string_view glassesName(GlassesPair pair) noexcept;
/// The menu text ("Red/Green", ...).
std::string_view glassesMenuText(GlassesPair pair) noexcept;
/// The pair with that name; nothing for any other text.
std::optional<GlassesPair> glassesFromName(std::string_view name) noexcept;

/// Relative luminance of a colour in emitted (linear) light, 0..1: the sRGB
/// channels decoded, then weighted with the Rec. 709 coefficients.
double luminance(Rgb colour) noexcept;

}  // namespace kelpris
