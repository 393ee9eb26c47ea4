#pragma once
// Viewer options chosen in the View menu, on the command line or from the
// settings. The defaults give the original pictures exactly.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "view/glasses.h"

namespace kelpris {

enum class Shading : std::uint8_t {
    Flat,  ///< each face in its eye's colour
    Lit,   ///< the eye's colour scaled by a light at the eye
};

/// How faces on the stereo screen are outlined, in either shading.
enum class LitOutline : std::uint8_t {
    AsShaded,  ///< flat: the eye's line colour; lit: a little darker than the fill
    Darker,    ///< outlines a little darker than the fill
    None,      ///< outlines in the fill colour, so none shows
};

/// Half the distance between the observer's eyes in setup-screen pixels,
/// as the layout sets it unless another step is chosen.
inline constexpr std::int32_t kDefaultEyeHalfSep = 10;
/// The steps offered in the menu.
inline constexpr std::array<std::int32_t, 5> kEyeHalfSepSteps{6, 8, 10, 12, 15};

struct ViewOptions {
    GlassesChoice glasses;
    Shading shading = Shading::Flat;
    LitOutline outline = LitOutline::AsShaded;
    std::int32_t eyeHalfSep = kDefaultEyeHalfSep;
};

std::string_view shadingName(Shading shading) noexcept;
std::optional<Shading> shadingFromName(std::string_view name) noexcept;

}  // namespace kelpris
