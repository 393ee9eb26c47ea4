#include "geometry/matrix4.h"
#include "geometry/point_projection.h"
#include "scene/scena.h"

namespace kelpris {

void Scena::projectAllParallel(const Matrix4& transform, float scale, std::int32_t originX,
                               std::int32_t originY) noexcept {
    // Local copies let the compiler keep the matrix in registers: the stores
    // into the vertices could otherwise alias it.
    Matrix4 xf = transform;
    for (Vertex& v : vertices) {
        const ParallelPoint p =
            detail::projectParallel(xf.m, v.x, v.y, v.z, scale, originX, originY);
        v.screenX = p.x;
        v.screenY = p.y;
        v.depth = 0;
    }
    const ParallelPoint c =
        detail::projectParallel(xf.m, centreX, centreY, centreZ, scale, originX, originY);
    projCentreX = c.x;
    projCentreY = c.y;
}

void Scena::projectAllStereo(const Matrix4& transform, const StereoParams& params) noexcept {
    Matrix4 xf = transform;
    const StereoParams p = params;
    for (Vertex& v : vertices) {
        const StereoPoint s = detail::projectStereo(xf.m, v.x, v.y, v.z, p);
        v.screenX = s.x;
        v.screenY = s.y;
        v.depth = s.depth;
    }
}

}  // namespace kelpris
