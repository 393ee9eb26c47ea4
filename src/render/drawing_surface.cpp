#include "render/drawing_surface.h"

#include <algorithm>

#include "render/face_polygons.h"

namespace kelpris {

void DrawingSurface::polygons(std::span<const Face> faces, std::span<const Point> points) {
    forEachFacePolygon(faces, points,
                       [this](std::size_t, std::span<const Point> corners) { polygon(corners); });
}

void DrawingSurface::colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                                      std::span<const FaceColours> colours) {
    ScopedPen pen(*this, Pen{});
    ScopedBrush brush(*this, Brush{});
    forEachFacePolygon(faces.first(std::min(faces.size(), colours.size())), points,
                       [&](std::size_t k, std::span<const Point> corners) {
                           brush.select(Brush::solid(colours[k].fill));
                           pen.select(Pen{1, colours[k].outline});
                           polygon(corners);
                       });
}

}  // namespace kelpris
