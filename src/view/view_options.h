#pragma once
// Viewer options chosen in the View menu, on the command line or from the
// settings. The defaults give the original pictures of scene files exactly;
// the automatic choices follow where the model shown came from.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "view/glasses.h"

namespace kelpris {

enum class Shading : std::uint8_t {
    Flat,       ///< each face in its eye's colour
    Lit,        ///< the eye's colour scaled by a light at the eye
    Automatic,  ///< flat for scene files, lit for imported meshes (see automaticChoices)
};

/// What a left drag does on the stereo screen. The setup screen always has
/// its handles.
enum class StereoMouse : std::uint8_t {
    Automatic,     ///< handles for scene files, turning for imported meshes
    SetupHandles,  ///< the setup screen's handles, unseen; the picture waits for a setup paint
    TurnModel,     ///< horizontal motion turns the azimuth, vertical the zenith, drawn at once
};

/// Where the model shown came from; it decides the automatic choices.
enum class ModelSource : std::uint8_t {
    SceneFile,  ///< a scene file (.dat), or the empty scene
    Imported,   ///< a mesh read from another format
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
    Shading shading = Shading::Automatic;
    LitOutline outline = LitOutline::AsShaded;
    std::int32_t eyeHalfSep = kDefaultEyeHalfSep;
    StereoMouse stereoMouse = StereoMouse::Automatic;
};

/// What the automatic choices stand for with a model from `source`: a scene
/// file keeps the flat faces and the unseen handles of the original; an
/// imported mesh of thousands of small faces would be one flat silhouette
/// per eye, and turning it by dragging is what its users expect.
struct AutomaticChoices {
    Shading shading;          ///< never Automatic
    StereoMouse stereoMouse;  ///< never Automatic
};
AutomaticChoices automaticChoices(ModelSource source) noexcept;

/// The choices in `options` with Automatic resolved for `source`.
Shading resolvedShading(const ViewOptions& options, ModelSource source) noexcept;
StereoMouse resolvedStereoMouse(const ViewOptions& options, ModelSource source) noexcept;

/// "flat", "lit" or "auto", as the command line and the settings write them.
std::string_view shadingName(Shading shading) noexcept;
std::optional<Shading> shadingFromName(std::string_view name) noexcept;

}  // namespace kelpris
