#pragma once
// Whole-scene projections: every vertex of a scene through one transform,
// into buffers the caller owns (element i for vertex i). The per-point
// arithmetic is in point_projection.h and gives exactly
// Matrix4::projectParallel / projectStereo.

#include <cstdint>
#include <span>

#include "geometry/matrix4.h"
#include "scene/scena.h"

namespace kelpris {

/// Window positions of the vertices in parallel projection, into `points`;
/// returns the window position of the model centre. Only the first
/// min(points.size(), vertex count) vertices are projected.
Point projectParallel(const Scena& scene, const Matrix4& transform, float scale,
                      std::int32_t originX, std::int32_t originY, std::span<Point> points) noexcept;

/// Window positions of the vertices for one eye, into `points`, and their
/// depths into `depths` unless it is empty (the depth does not depend on the
/// eye). Only the first min(points.size(), vertex count) vertices are
/// projected, and depths for no more of them than `depths` holds.
void projectStereo(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                   std::span<Point> points, std::span<std::int32_t> depths) noexcept;

}  // namespace kelpris
