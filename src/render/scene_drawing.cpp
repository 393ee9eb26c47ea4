// Drawing of a projected scene: edges as lines, faces as filled polygons, and
// the setup views' black outline with the yellow centre ring.

#include "render/scene_drawing.h"

#include <algorithm>
#include <array>
#include <functional>
#include <span>

#include "base/saturate.h"
#include "render/raster.h"

namespace kelpris {

namespace {

constexpr Pen kOutlinePen{1, {0, 0, 0}};
constexpr Pen kRingPen{5, {255, 255, 0}};
constexpr std::int32_t kRingRadius = 4;
// How many faces ahead the walks over faces in depth order fetch what they
// will read.
constexpr std::size_t kLookAhead = 16;

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

// The thick yellow ring round a projected centre; the box is saturated so that
// a centre near the int32 limits cannot overflow.
void drawRing(DrawingSurface& surface, std::int32_t cx, std::int32_t cy) {
    const auto box = [](std::int32_t c, std::int32_t d) {
        return saturateToInt32(static_cast<std::int64_t>(c) + d);
    };
    surface.ellipse(box(cx, -kRingRadius), box(cy, -kRingRadius), box(cx, kRingRadius),
                    box(cy, kRingRadius));
}

// Position of a vertex record in the scene's vertex chain; records outside
// the chain (or null) have none.
class VertexIndex {
  public:
    explicit VertexIndex(const Scena& scene)
        : begin_(scene.vertices.data()), size_(scene.vertices.size()) {}
    bool find(const Vertex* v, std::uint32_t& index) const {
        const std::less<const Vertex*> before;
        if (v == nullptr || before(v, begin_) || !before(v, begin_ + size_)) {
            return false;
        }
        const auto i = static_cast<std::size_t>(v - begin_);
        if (i >= kNoCorner) {
            return false;
        }
        index = static_cast<std::uint32_t>(i);
        return true;
    }

  private:
    const Vertex* begin_;
    std::size_t size_;
};

// A face's corners as positions in the chain; false when one is outside it.
bool cornersOf(const VertexIndex& index, const Face& face, FaceCorners& f) {
    f = FaceCorners{};
    return index.find(face.corner1, f.corner[0]) && index.find(face.corner2, f.corner[1]) &&
           index.find(face.corner3, f.corner[2]) &&
           (face.corner4 == nullptr || index.find(face.corner4, f.corner[3]));
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

void collectFaceCorners(const Scena& scene, DrawMode mode, std::vector<FaceCorners>& out) {
    out.clear();
    const VertexIndex index(scene);
    const auto add = [&](const Face& face) {
        FaceCorners f;
        if (cornersOf(index, face, f)) {
            out.push_back(f);
        }
    };
    switch (mode) {
        case DrawMode::Edges:
            break;
        case DrawMode::Faces:
            out.reserve(scene.faces.size());
            for (const Face& face : scene.faces) {
                add(face);
            }
            break;
        case DrawMode::SortedFaces: {
            // The faces are visited in depth order, all over memory: each is
            // fetched well before it is needed.
            const std::vector<SortedFace>& list = scene.TRIEDENE_STENY;
            out.reserve(list.size());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (i + kLookAhead < list.size()) {
                    __builtin_prefetch(list[i + kLookAhead].face);
                }
                if (list[i].face != nullptr) {
                    add(*list[i].face);
                }
            }
            break;
        }
    }
}

namespace {

// Calls draw(points) for each face whose corners all have a projection.
template <typename Draw>
void forEachFace(std::span<const FaceCorners> faces, std::span<const ProjectedVertex> projected,
                 Draw draw) {
    const std::size_t n = projected.size();
    std::array<Point, 4> points{};
    for (std::size_t k = 0; k < faces.size(); ++k) {
        // The corners of a later face are fetched while this one is drawn.
        if (k + kLookAhead < faces.size()) {
            for (const std::uint32_t c : faces[k + kLookAhead].corner) {
                if (c < n) {
                    __builtin_prefetch(&projected[c]);
                }
            }
        }
        const FaceCorners& f = faces[k];
        const std::size_t count = f.corner[3] == kNoCorner ? 3 : 4;
        bool inside = true;
        for (std::size_t i = 0; i < count; ++i) {
            inside = inside && f.corner[i] < n;
            if (inside) {
                const ProjectedVertex& v = projected[f.corner[i]];
                points[i] = Point{v.x, v.y};
            }
        }
        if (inside) {
            draw(std::span<const Point>(points.data(), count));
        }
    }
}

}  // namespace

std::size_t collectSortedFaceCorners(const Scena& scene, std::size_t first, std::size_t last,
                                     std::span<FaceCorners> out) noexcept {
    const VertexIndex index(scene);
    const std::vector<SortedFace>& list = scene.TRIEDENE_STENY;
    last = std::min(last, list.size());
    std::size_t written = 0;
    for (std::size_t i = first; i < last && written < out.size(); ++i) {
        if (i + kLookAhead < last) {
            __builtin_prefetch(list[i + kLookAhead].face);
        }
        if (list[i].face != nullptr && cornersOf(index, *list[i].face, out[written])) {
            ++written;
        }
    }
    return written;
}

void drawFaces(std::span<const FaceCorners> faces, std::span<const ProjectedVertex> projected,
               DrawingSurface& surface) {
    PolygonRaster raster;
    // Straight into the pixels where the surface allows it: a million faces
    // would otherwise pay a virtual call and the surface's checks each.
    if (!faces.empty() && surface.polygonRaster(raster)) {
        const Pixel* fill = raster.filled ? &raster.fill : nullptr;
        forEachFace(faces, projected, [&](std::span<const Point> points) {
            raster::polygon(raster.view, points, fill, raster.outline);
        });
        return;
    }
    forEachFace(faces, projected, [&](std::span<const Point> points) { surface.polygon(points); });
}

void drawEdges(const Scena& scene, std::span<const ProjectedVertex> projected,
               DrawingSurface& surface) {
    const VertexIndex index(scene);
    for (const Edge& edge : scene.edges) {
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        if (index.find(edge.end1, a) && index.find(edge.end2, b) && a < projected.size() &&
            b < projected.size()) {
            surface.moveTo(projected[a].x, projected[a].y);
            surface.lineTo(projected[b].x, projected[b].y);
        }
    }
}

void drawSetupView(const Scena& scene, std::span<const FaceCorners> faces,
                   std::span<const ProjectedVertex> projected, ParallelPoint centre,
                   DrawingSurface& surface) {
    ScopedPen pen(surface, kOutlinePen);
    ScopedBrush brush(surface, Brush::hollowBrush());
    if (scene.isFaceModel()) {
        drawFaces(faces, projected, surface);
    } else {
        drawEdges(scene, projected, surface);
    }
    pen.select(kRingPen);
    drawRing(surface, centre.x, centre.y);
}

}  // namespace kelpris
