#pragma once
// The walk every face-drawing loop shares: each face's corners looked up in a
// projection (element i for vertex i), faces with a corner outside it
// skipped, and the corners of faces a little ahead fetched early, as faces in
// depth order visit the projection all over memory.

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
    std::array<Point, 4> corners{};
    for (std::size_t k = 0; k < faces.size(); ++k) {
        if (k + kLookAhead < faces.size()) {
            for (const std::uint32_t c : faces[k + kLookAhead].corner) {
                if (c < n) {
                    __builtin_prefetch(&points[c]);
                }
            }
        }
        const Face& f = faces[k];
        const std::size_t count = f.cornerCount();
        bool inside = true;
        for (std::size_t i = 0; i < count && inside; ++i) {
            inside = f.corner[i] < n;
            if (inside) {
                corners[i] = points[f.corner[i]];
            }
        }
        if (inside) {
            draw(k, std::span<const Point>(corners.data(), count));
        }
    }
}

}  // namespace kelpris
