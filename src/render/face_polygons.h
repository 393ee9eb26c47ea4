#pragma once
// The walk of the face-drawing loops that draw each face through a call (a
// surface's default polygons, the lit faces): each face's corners looked up
// in a projection (element i for vertex i), faces with a corner outside it
// skipped, and the corners of faces a little ahead fetched early, as faces in
// depth order visit the projection all over memory. The surfaces that write
// pixels themselves walk the faces in render/face_walk.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "geometry/point.h"
#include "scene/scena.h"

namespace kelpris {

/// Calls draw(k, corners) for each face k of `faces` whose corners all have
/// a position in `points`; `corners` holds 3 or 4 points.
template <typename Draw>
void forEachFacePolygon(std::span<const Face> faces, std::span<const Point> points, Draw&& draw) {
    constexpr std::size_t kLookAhead = 16;
    const std::size_t n = points.size();
    const auto cornersOf = [&](const Face& f, std::array<Point, 4>& corners) {
        const std::size_t count = f.cornerCount();
        for (std::size_t i = 0; i < count; ++i) {
            if (f.corner[i] >= n) {
                return std::size_t{0};
            }
            corners[i] = points[f.corner[i]];
        }
        return count;
    };
    std::array<Point, 4> corners{};
    for (std::size_t k = 0; k < faces.size(); ++k) {
        if (k + kLookAhead < faces.size()) {
            for (const std::uint32_t c : faces[k + kLookAhead].corner) {
                if (c < n) {
                    __builtin_prefetch(&points[c]);
                }
            }
        }
        if (const std::size_t count = cornersOf(faces[k], corners)) {
            draw(k, std::span<const Point>(corners.data(), count));
        }
    }
}

}  // namespace kelpris
