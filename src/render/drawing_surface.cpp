#include "render/drawing_surface.h"

#include "render/face_polygons.h"

namespace kelpris {

void DrawingSurface::polygons(std::span<const Face> faces, std::span<const Point> points) {
    forEachFacePolygon(faces, points,
                       [this](std::size_t, std::span<const Point> corners) { polygon(corners); });
}

}  // namespace kelpris
