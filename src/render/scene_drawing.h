#pragma once
// Drawing of a projected scene through a DrawingSurface: edges as lines,
// faces as filled polygons, and the setup views' black outline with the
// yellow ring round the projected centre. Everything reads the vertices'
// projected fields as the latest projection left them.

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/scene_projection.h"
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

// --- Drawing from a projection held apart from the scene --------------------
// The same figures as above, with the window positions read from a projected
// array (element i for vertex i) instead of the vertices, so that two threads
// can each draw their own projection of one scene. Records that name a vertex
// outside the scene's vertex chain are skipped.

/// Marks the missing fourth corner of a triangle.
inline constexpr std::uint32_t kNoCorner = UINT32_MAX;

/// One face to draw: its corners as positions in the vertex chain.
struct FaceCorners {
    std::uint32_t corner[4] = {kNoCorner, kNoCorner, kNoCorner, kNoCorner};
};

/// The faces `mode` walks (Faces: file order; SortedFaces: TRIEDENE_STENY
/// order), as corner positions, into `out` (replacing its contents). Built
/// once per paint, they keep each drawing pass to one sequential walk. Edges
/// gives an empty list.
void collectFaceCorners(const Scena& scene, DrawMode mode, std::vector<FaceCorners>& out);

/// The faces at positions [first, last) of TRIEDENE_STENY as corner
/// positions, written from the start of `out` (skipping those collectFaceCorners
/// skips) until `out` is full; returns how many were written. Two threads may
/// each gather one part of the list.
std::size_t collectSortedFaceCorners(const Scena& scene, std::size_t first, std::size_t last,
                                     std::span<FaceCorners> out) noexcept;

/// Fills and outlines `faces` in order with the selected pen and brush.
void drawFaces(std::span<const FaceCorners> faces, std::span<const ProjectedVertex> projected,
               DrawingSurface& surface);

/// Draws the edge chain with the selected pen.
void drawEdges(const Scena& scene, std::span<const ProjectedVertex> projected,
               DrawingSurface& surface);

/// drawSetupView from a projection: `faces` in file order for a face model
/// (edges otherwise), then the ring round `centre`.
void drawSetupView(const Scena& scene, std::span<const FaceCorners> faces,
                   std::span<const ProjectedVertex> projected, ParallelPoint centre,
                   DrawingSurface& surface);

}  // namespace kelpris
