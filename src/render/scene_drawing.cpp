// Drawing of a projected scene: edges as lines, faces as filled polygons, and
// the setup views' black outline with the yellow centre ring.

#include "render/scene_drawing.h"

#include <array>
#include <span>

#include "base/saturate.h"

namespace kelpris {

namespace {

constexpr Pen kOutlinePen{1, {0, 0, 0}};
constexpr Pen kRingPen{5, {255, 255, 0}};
constexpr std::int32_t kRingRadius = 4;

Point screenPoint(const Vertex& v) {
    return Point{v.screenX, v.screenY};
}

// The loader never leaves a required corner null; a hand-built or damaged
// record is skipped rather than dereferenced.
void drawFace(DrawingSurface& surface, const Face& face) {
    if (face.corner1 == nullptr || face.corner2 == nullptr || face.corner3 == nullptr) {
        return;
    }
    std::array<Point, 4> points{screenPoint(*face.corner1), screenPoint(*face.corner2),
                                screenPoint(*face.corner3), Point{}};
    std::size_t count = 3;
    if (face.corner4 != nullptr) {
        points[3] = screenPoint(*face.corner4);
        count = 4;
    }
    surface.polygon(std::span<const Point>(points.data(), count));
}

}  // namespace

void draw(const Scena& scene, DrawingSurface& surface, DrawMode mode) {
    switch (mode) {
        case DrawMode::Edges:
            for (const Edge& edge : scene.edges) {
                if (edge.end1 == nullptr || edge.end2 == nullptr) {
                    continue;
                }
                surface.moveTo(edge.end1->screenX, edge.end1->screenY);
                surface.lineTo(edge.end2->screenX, edge.end2->screenY);
            }
            break;
        case DrawMode::Faces:
            for (const Face& face : scene.faces) {
                drawFace(surface, face);
            }
            break;
        case DrawMode::SortedFaces:
            for (const SortedFace& entry : scene.TRIEDENE_STENY) {
                if (entry.face != nullptr) {
                    drawFace(surface, *entry.face);
                }
            }
            break;
    }
}

void drawSetupView(const Scena& scene, DrawingSurface& surface) {
    // The guards restore brush then pen (reverse order of declaration).
    ScopedPen pen(surface, kOutlinePen);
    ScopedBrush brush(surface, Brush::hollowBrush());
    draw(scene, surface, scene.isFaceModel() ? DrawMode::Faces : DrawMode::Edges);
    pen.select(kRingPen);
    // The box is formed in 64 bits and saturated so that a centre projected
    // near the int32 limits cannot overflow.
    const auto box = [](std::int32_t c, std::int32_t d) {
        return saturateToInt32(static_cast<std::int64_t>(c) + d);
    };
    surface.ellipse(box(scene.projCentreX, -kRingRadius), box(scene.projCentreY, -kRingRadius),
                    box(scene.projCentreX, kRingRadius), box(scene.projCentreY, kRingRadius));
}

}  // namespace kelpris
