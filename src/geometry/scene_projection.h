#pragma once
// Whole-scene projections: every vertex of a scene through one transform,
// written into the vertices' projected fields. The per-point arithmetic is in
// point_projection.h and gives exactly Matrix4::projectParallel / projectStereo.

#include <cstdint>
#include <span>

#include "geometry/matrix4.h"
#include "scene/scena.h"

namespace kelpris {

/// Projects every vertex and then the centre in parallel; every vertex depth
/// becomes 0 and the centre's window position goes to projCentreX/Y.
void projectAllParallel(Scena& scene, const Matrix4& transform, float scale, std::int32_t originX,
                        std::int32_t originY) noexcept;

/// Projects every vertex for one eye; the projected centre is unchanged.
void projectAllStereo(Scena& scene, const Matrix4& transform, const StereoParams& params) noexcept;

/// One vertex's projected fields, kept apart from the scene so that two
/// projections can be made and drawn at the same time.
struct ProjectedVertex {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t depth = 0;
    friend constexpr bool operator==(ProjectedVertex, ProjectedVertex) = default;
};

/// projectAllParallel into `out` (element i for vertex i) instead of the
/// vertices; returns the projected centre. Only the first
/// min(out.size(), vertex count) vertices are projected.
ParallelPoint projectParallelInto(const Scena& scene, const Matrix4& transform, float scale,
                                  std::int32_t originX, std::int32_t originY,
                                  std::span<ProjectedVertex> out) noexcept;

/// projectAllStereo into `out` instead of the vertices, with the same limit.
void projectStereoInto(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       std::span<ProjectedVertex> out) noexcept;

/// Copies a projection into the vertices' projected fields, as if it had been
/// made by projectAllParallel / projectAllStereo.
void storeProjection(Scena& scene, std::span<const ProjectedVertex> projected) noexcept;

}  // namespace kelpris
