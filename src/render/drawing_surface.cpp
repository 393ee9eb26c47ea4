#include "render/drawing_surface.h"

#include <algorithm>
#include <array>

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

void DrawingSurface::polygonParts(std::span<const std::span<const Face>> parts,
                                  std::span<const Point> points) {
    for (const std::span<const Face> part : parts) {
        polygons(part, points);
    }
}

void DrawingSurface::colouredPolygonParts(std::span<const std::span<const Face>> parts,
                                          std::span<const Point> points,
                                          const FaceColouring& colouring) {
    // Faces are coloured this many at a time, their colours kept on the stack.
    constexpr std::size_t kColouredAtOnce = 1024;
    std::array<FaceColours, kColouredAtOnce> colours;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::span<const Face> part = parts[p];
        for (std::size_t from = 0; from < part.size(); from += kColouredAtOnce) {
            const std::size_t count = std::min(kColouredAtOnce, part.size() - from);
            for (std::size_t i = 0; i < count; ++i) {
                colours[i] = colouring.colours(p, from + i);
            }
            colouredPolygons(part.subspan(from, count), points,
                             std::span<const FaceColours>(colours).first(count));
        }
    }
}

}  // namespace kelpris
