#include "geometry/matrix4.h"
#include "geometry/point_projection.h"
#include "scene/scena.h"

namespace kelpris {

void Scena::projectAllParallel(const Matrix4& transform, float scale, std::int32_t originX,
                               std::int32_t originY) noexcept {
    // The projector holds its own copy of the matrix, so the stores into the
    // vertices cannot alias it and it stays in registers.
    const detail::ParallelProjector project(transform, scale, originX, originY);
    for (Vertex& v : vertices) {
        const ParallelPoint p = project(v.x, v.y, v.z);
        v.screenX = p.x;
        v.screenY = p.y;
        v.depth = 0;
    }
    const ParallelPoint c = project(centreX, centreY, centreZ);
    projCentreX = c.x;
    projCentreY = c.y;
}

void Scena::projectAllStereo(const Matrix4& transform, const StereoParams& params) noexcept {
    const detail::StereoProjector project(transform, params);
    for (Vertex& v : vertices) {
        const StereoPoint s = project(v.x, v.y, v.z);
        v.screenX = s.x;
        v.screenY = s.y;
        v.depth = s.depth;
    }
}

}  // namespace kelpris
