#pragma once
// Whole-scene projections: every vertex of a scene through one transform,
// written into the vertices' projected fields. The per-point arithmetic is in
// point_projection.h and gives exactly Matrix4::projectParallel / projectStereo.

#include <cstdint>

#include "geometry/matrix4.h"
#include "scene/scena.h"

namespace kelpris {

/// Projects every vertex and then the centre in parallel; every vertex depth
/// becomes 0 and the centre's window position goes to projCentreX/Y.
void projectAllParallel(Scena& scene, const Matrix4& transform, float scale, std::int32_t originX,
                        std::int32_t originY) noexcept;

/// Projects every vertex for one eye; the projected centre is unchanged.
void projectAllStereo(Scena& scene, const Matrix4& transform, const StereoParams& params) noexcept;

}  // namespace kelpris
