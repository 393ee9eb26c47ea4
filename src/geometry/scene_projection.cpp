#include "geometry/scene_projection.h"

#include <algorithm>

#include "geometry/point_projection.h"

namespace kelpris {

Point projectParallel(const Scena& scene, const Matrix4& transform, float scale,
                      std::int32_t originX, std::int32_t originY,
                      std::span<Point> points) noexcept {
    // The projector holds its own copy of the matrix, so the stores into the
    // buffer cannot alias it and it stays in registers.
    const detail::ParallelProjector project(transform, scale, originX, originY);
    const std::size_t n = std::min(points.size(), scene.vertices.size());
    const Vertex* in = scene.vertices.data();
    for (std::size_t i = 0; i < n; ++i) {
        points[i] = project(in[i].x, in[i].y, in[i].z);
    }
    return project(scene.centreX, scene.centreY, scene.centreZ);
}

void projectStereo(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                   std::span<Point> points, std::span<std::int32_t> depths) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t n = std::min(points.size(), scene.vertices.size());
    const std::size_t withDepth = std::min(n, depths.size());
    const Vertex* in = scene.vertices.data();
    // Two loops rather than a test per vertex: only the eye that orders the
    // faces needs the depths.
    for (std::size_t i = 0; i < withDepth; ++i) {
        const StereoPoint s = project(in[i].x, in[i].y, in[i].z);
        points[i] = {s.x, s.y};
        depths[i] = s.depth;
    }
    for (std::size_t i = withDepth; i < n; ++i) {
        const StereoPoint s = project(in[i].x, in[i].y, in[i].z);
        points[i] = {s.x, s.y};
    }
}

void projectStereoPair(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       const StereoPairBuffers& out, std::size_t first, std::size_t last) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t end =
        std::min({last, scene.vertices.size(), out.right.size(), out.left.size()});
    const std::size_t withDepth = std::min(end, out.depths.size());
    const Vertex* in = scene.vertices.data();
    const auto both = [&](std::size_t i) {
        const detail::StereoProjector::Shared s = project.shared(in[i].x, in[i].y, in[i].z);
        out.right[i] = {project.eyeX(s, +1), s.y};
        out.left[i] = {project.eyeX(s, -1), s.y};
        return s.depth;
    };
    std::size_t i = first;
    for (; i < withDepth; ++i) {
        out.depths[i] = both(i);
    }
    for (; i < end; ++i) {
        both(i);
    }
}

}  // namespace kelpris
