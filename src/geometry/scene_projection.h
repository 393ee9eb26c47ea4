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

/// Where projectStereoPair writes: element i for vertex i.
struct StereoPairBuffers {
    std::span<Point> right;          ///< the eye of eyeSign +1
    std::span<Point> left;           ///< the eye of eyeSign -1
    std::span<std::int32_t> depths;  ///< may be empty
};

/// Both eyes at once, for the vertices from `first` up to, not including,
/// `last` (and no further than the vertices and both point buffers reach;
/// depths for no more of them than `depths` holds): exactly what
/// projectStereo gives with `params` and eyeSign +1 and -1 (params.eyeSign is
/// not used). Only the last step of a point's projection depends on the eye,
/// so the pair costs little more than one eye. Two threads may each project
/// one range into the same buffers.
void projectStereoPair(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       const StereoPairBuffers& out, std::size_t first, std::size_t last) noexcept;

/// The same for a run of vertices, into buffers whose element i is for
/// vertices[i] (as many as both point buffers hold): a slice small enough to
/// stay in the cache while the caller reads it.
void projectStereoPair(std::span<const Vertex> vertices, const Matrix4& transform,
                       const StereoParams& params, const StereoPairBuffers& out) noexcept;

}  // namespace kelpris
