#pragma once
// The light of lit faces on the stereo screen, and the colours of the
// single-eye pictures for export.

#include <cstdint>

#include "render/lit_drawing.h"
#include "view/glasses.h"
#include "view/view_options.h"
#include "view/view_state.h"

namespace kelpris {

/// The light for lit faces: at the point midway between the eyes of the
/// stereo screen, in the space stereoXf maps to (model units, the model
/// centre at the origin). Both eyes use the same light.
LitFaceStyle eyeLight(const ViewState& state, Rgb colour);

/// The pen outlining flat faces filled with `fill`: the eye's `line` pen as
/// the flat look has it, or one darker than the fill, or the fill itself.
Pen flatOutlinePen(LitOutline outline, const Pen& line, Rgb fill);

/// Grey on black for exported single-eye pictures: the outline brighter than
/// the fill, as the eye colours are on screen.
inline constexpr EyeColours kGreyEye{{215, 215, 215}, {180, 180, 180}};

}  // namespace kelpris
