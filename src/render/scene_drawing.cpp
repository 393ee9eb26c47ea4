// Drawing of a projected scene: edges as lines, faces as filled polygons, and
// the setup views' black outline with the yellow centre ring.

#include "render/scene_drawing.h"

#include <algorithm>

#include "base/saturate.h"

namespace kelpris {

namespace {

constexpr Pen kOutlinePen{1, {0, 0, 0}};
constexpr Pen kRingPen{5, {255, 255, 0}};
constexpr std::int32_t kRingRadius = 4;

// The thick yellow ring round a projected centre; the box is saturated so that
// a centre near the int32 limits cannot overflow.
void drawRing(DrawingSurface& surface, Point centre) {
    const auto box = [](std::int32_t c, std::int32_t d) {
        return saturateToInt32(static_cast<std::int64_t>(c) + d);
    };
    surface.ellipse(box(centre.x, -kRingRadius), box(centre.y, -kRingRadius),
                    box(centre.x, kRingRadius), box(centre.y, kRingRadius));
}

}  // namespace

void drawFaces(std::span<const Face> faces, std::span<const Point> points,
               DrawingSurface& surface) {
    surface.polygons(faces, points);
}

void drawFaces(std::span<const std::span<const Face>> parts, std::span<const Point> points,
               DrawingSurface& surface) {
    surface.polygonParts(parts, points);
}

void drawEdges(std::span<const Edge> edges, std::span<const Point> points,
               DrawingSurface& surface) {
    for (const Edge& edge : edges) {
        if (edge.end1 < points.size() && edge.end2 < points.size()) {
            surface.moveTo(points[edge.end1].x, points[edge.end1].y);
            surface.lineTo(points[edge.end2].x, points[edge.end2].y);
        }
    }
}

void drawSetupView(const Scena& scene, std::span<const Point> points, Point centre,
                   DrawingSurface& surface) {
    // The guards restore brush then pen (reverse order of declaration).
    ScopedPen pen(surface, kOutlinePen);
    ScopedBrush brush(surface, Brush::hollowBrush());
    if (scene.isFaceModel()) {
        drawFaces(scene.faces, points, surface);
    } else {
        drawEdges(scene.edges, points, surface);
    }
    pen.select(kRingPen);
    drawRing(surface, centre);
}

}  // namespace kelpris
