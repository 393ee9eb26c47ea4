#include "geometry/scene_projection.h"

#include <algorithm>

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

namespace kelpris {

ParallelPoint projectParallelInto(const Scena& scene, const Matrix4& transform, float scale,
                                  std::int32_t originX, std::int32_t originY,
                                  std::span<ProjectedVertex> out) noexcept {
    const detail::ParallelProjector project(transform, scale, originX, originY);
    const std::size_t n = std::min(out.size(), scene.vertices.size());
    const Vertex* in = scene.vertices.data();
    for (std::size_t i = 0; i < n; ++i) {
        const ParallelPoint p = project(in[i].x, in[i].y, in[i].z);
        out[i] = {p.x, p.y, 0};
    }
    return project(scene.centreX, scene.centreY, scene.centreZ);
}

void projectStereoInto(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       std::span<ProjectedVertex> out) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t n = std::min(out.size(), scene.vertices.size());
    const Vertex* in = scene.vertices.data();
    for (std::size_t i = 0; i < n; ++i) {
        const StereoPoint s = project(in[i].x, in[i].y, in[i].z);
        out[i] = {s.x, s.y, s.depth};
    }
}

void storeProjection(Scena& scene, std::span<const ProjectedVertex> projected) noexcept {
    const std::size_t n = std::min(projected.size(), scene.vertices.size());
    for (std::size_t i = 0; i < n; ++i) {
        Vertex& v = scene.vertices[i];
        v.screenX = projected[i].x;
        v.screenY = projected[i].y;
        v.depth = projected[i].depth;
    }
}

}  // namespace kelpris
