#include "geometry/scene_projection.h"

#include "geometry/point_projection.h"

namespace kelpris {

void projectAllParallel(Scena& scene, const Matrix4& transform, float scale, std::int32_t originX,
                        std::int32_t originY) noexcept {
    // The projector holds its own copy of the matrix, so the stores into the
    // vertices cannot alias it and it stays in registers.
    const detail::ParallelProjector project(transform, scale, originX, originY);
    for (Vertex& v : scene.vertices) {
        const ParallelPoint p = project(v.x, v.y, v.z);
        v.screenX = p.x;
        v.screenY = p.y;
        v.depth = 0;
    }
    const ParallelPoint c = project(scene.centreX, scene.centreY, scene.centreZ);
    scene.projCentreX = c.x;
    scene.projCentreY = c.y;
}

void projectAllStereo(Scena& scene, const Matrix4& transform, const StereoParams& params) noexcept {
    const detail::StereoProjector project(transform, params);
    for (Vertex& v : scene.vertices) {
        const StereoPoint s = project(v.x, v.y, v.z);
        v.screenX = s.x;
        v.screenY = s.y;
        v.depth = s.depth;
    }
}

}  // namespace kelpris
