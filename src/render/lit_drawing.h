#pragma once
// Faces filled with a colour scaled by simple lighting: a point light, the
// cosine of the angle between the face normal and the direction to the light
// (Lambert), plus a little ambient light. The normal is taken in the space the
// transform maps to, so a light at the eye lights what the eye sees.

#include <cstddef>
#include <span>

#include "geometry/matrix4.h"
#include "render/drawing_surface.h"
#include "scene/scena.h"

namespace kelpris {

/// Share of the colour a face turned away from the light still gets.
inline constexpr double kAmbientLight = 0.15;
/// Outline brightness relative to the lit fill, when outlines are drawn.
inline constexpr double kOutlineShade = 0.8;

struct LitFaceStyle {
    Matrix4 transform;    ///< model to the light's space
    double lightX = 0.0;  ///< light position in that space
    double lightY = 0.0;
    double lightZ = 0.0;
    Rgb colour{};               ///< colour of a face lit head-on
    bool darkerOutline = true;  ///< else the outline takes the fill colour
};

/// Brightness 0..1 of a face of `scene`: ambient + (1 - ambient) * |cos| of
/// the angle between its normal (from its first three corners) and the
/// direction to the light, both sides lit alike. A degenerate face (no
/// normal) or one naming a vertex outside the scene gets the ambient light
/// only.
double faceLight(const Scena& scene, const Face& face, const LitFaceStyle& style) noexcept;

/// A vertex moved into the light's space, rounded as the transform rounds it.
struct LightSpacePoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

/// Vertices [from, to) of `scene` through `transform` into the same elements
/// of `out` (element i for vertex i; as many as the scene and `out` hold):
/// done once per vertex, as a vertex is shared by about six faces.
void toLightSpace(const Scena& scene, const Matrix4& transform, std::size_t from, std::size_t to,
                  std::span<LightSpacePoint> out) noexcept;

/// faceLight of each of `faces`, in order, into `out` (as many as both
/// hold), from the scene's vertices already moved by toLightSpace with
/// `style.transform` into `vertices`: the same values, bit for bit.
void faceLights(std::span<const LightSpacePoint> vertices, std::span<const Face> faces,
                const LitFaceStyle& style, std::span<double> out) noexcept;

/// drawFaces with face k filled in `style.colour` scaled by `lights[k]` and
/// outlined a little darker (or in the fill colour, as the style says);
/// faces past the end of `lights` take the ambient light. The surface's pen
/// and brush are put back afterwards.
void drawLitFaces(std::span<const Face> faces, std::span<const Point> points,
                  std::span<const double> lights, DrawingSurface& surface,
                  const LitFaceStyle& style);

/// The same for faces in consecutive parts, later faces drawn over earlier
/// ones, face k of part p lit by lights[p][k].
void drawLitFaces(std::span<const std::span<const Face>> parts,
                  std::span<const std::span<const double>> lights, std::span<const Point> points,
                  DrawingSurface& surface, const LitFaceStyle& style);

/// `colour` with each channel scaled by `factor` (clamped to 0..1), rounded.
Rgb shade(Rgb colour, double factor) noexcept;

}  // namespace kelpris
