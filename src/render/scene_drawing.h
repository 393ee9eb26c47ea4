#pragma once
// Drawing of a projected scene through a DrawingSurface: edges as lines,
// faces as filled polygons, and the setup views' black outline with the
// yellow ring round the projected centre. Window positions come from a
// projection the caller holds (element i for vertex i), never from the
// scene, so two threads can each draw their own projection of one scene.
// A record naming a vertex that has no position is skipped.

#include <cstdint>
#include <span>

#include "geometry/point.h"
#include "render/drawing_surface.h"
#include "scene/scena.h"

namespace kelpris {

/// Fills and outlines `faces` in order with the selected pen and brush.
void drawFaces(std::span<const Face> faces, std::span<const Point> points, DrawingSurface& surface);

/// The same for faces in consecutive parts, later faces drawn over earlier
/// ones.
void drawFaces(std::span<const std::span<const Face>> parts, std::span<const Point> points,
               DrawingSurface& surface);

/// Draws `edges` in order with the selected pen.
void drawEdges(std::span<const Edge> edges, std::span<const Point> points, DrawingSurface& surface);

/// One setup view: black outlines on a hollow brush (the faces in file order
/// for a face model, else the edges), then a thick yellow ring round
/// `centre`. Restores the surface's pen and brush.
void drawSetupView(const Scena& scene, std::span<const Point> points, Point centre,
                   DrawingSurface& surface);

}  // namespace kelpris
