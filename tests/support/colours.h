#pragma once
// The colours the screens draw in, by name.

#include "render/drawing_surface.h"

namespace kelpris::testing {

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kFrame{200, 0, 200};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kRedLine{215, 0, 0};
inline constexpr Rgb kGreenLine{0, 120, 0};
inline constexpr Rgb kRedFace{180, 0, 0};
inline constexpr Rgb kGreenFace{0, 100, 0};
inline constexpr Rgb kLinesOverlap{215, 120, 0};
inline constexpr Rgb kFacesOverlap{180, 100, 0};
inline constexpr Rgb kText{255, 0, 0};

}  // namespace kelpris::testing
