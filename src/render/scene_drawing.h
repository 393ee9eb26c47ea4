#pragma once
// Drawing of a projected scene through a DrawingSurface: edges as lines,
// faces as filled polygons, and the setup views' black outline with the
// yellow ring round the projected centre. Everything reads the vertices'
// projected fields as the latest projection left them.

#include "render/drawing_surface.h"
#include "scene/scena.h"

namespace kelpris {

/// What `draw` walks. The numbers are the ones the drawing code has always
/// used for them.
enum class DrawMode : int {
    Edges = 0,        ///< the edge chain, one line per edge
    Faces = 1,        ///< the face chain in file order
    SortedFaces = 2,  ///< the faces in TRIEDENE_STENY order (farthest first)
};

/// Draws with the selected pen and brush. A chain the model does not use is
/// empty, so a mode that does not match the model draws nothing.
void draw(const Scena& scene, DrawingSurface& surface, DrawMode mode);

/// One setup view: black outlines on a hollow brush (edges, or faces in file
/// order), then a thick yellow ring round the projected centre. Restores the
/// surface's pen and brush.
void drawSetupView(const Scena& scene, DrawingSurface& surface);

}  // namespace kelpris
