#pragma once
// Drawing of one eye's projected picture on the stereo screen, flat or lit
// as the options say, and the single-eye pictures for export.

#include <cstdint>

#include "render/lit_drawing.h"
#include "render/scene_drawing.h"
#include "view/glasses.h"
#include "view/view_state.h"

namespace kelpris {

/// The light for lit faces: at the point midway between the eyes of the
/// stereo screen, in the space stereoXf maps to (model units, the model
/// centre at the origin). Both eyes use the same light.
LitFaceStyle eyeLight(const ViewState& state, Rgb colour);

/// Draws the scene as the latest projection left it. Flat shading, and any
/// edge model, draw with the selected pen and brush exactly as before; lit
/// shading fills each face with `litColour` scaled by its light.
void drawShaded(const ViewState& state, DrawingSurface& surface, DrawMode mode, Rgb litColour);

/// Grey on black for exported single-eye pictures: the outline brighter than
/// the fill, as the eye colours are on screen.
inline constexpr EyeColours kGreyEye{{215, 215, 215}, {180, 180, 180}};

/// One eye's stereo-screen picture (`eyeSign` +1 right, -1 left) on its own:
/// black, then the eye's lines or faces in `colours`, shaded as on screen.
/// Faces are ordered by depth as a stereo paint orders them; no sort report
/// is written, as this is not a paint of the screen.
void drawEyePicture(ViewState& state, DrawingSurface& surface, std::int32_t eyeSign,
                    const EyeColours& colours);

}  // namespace kelpris
