#pragma once
// Faces in depth order drawn nearest first into a plane: the same picture as
// drawing them farthest first, with less to draw. In the painter's order a
// pixel ends with the colours of the last face that writes it; walking the
// faces backwards, each face writes its pixels (outline over fill, as it
// draws itself) only where no face walked before it has written, and so
// writes exactly those final pixels. A bit per pixel remembers what is
// written, and a face whose box is already wholly written (on a closed
// model, most of the faces turned away) is passed over before any of its
// rows is worked out.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/point.h"
#include "render/face_walk.h"
#include "render/raster.h"
#include "scene/scena.h"

namespace kelpris {

/// What drawing nearest first needs beside the plane: the written bits and
/// the scratch marks of raster::polygonBehind, kept from paint to paint.
class NearestFirstBuffers {
  public:
    /// Sizes them for a width x height plane (at least 1 x 1) with no pixel
    /// written, keeping the memory when it is large enough. Throws
    /// std::bad_alloc when the memory cannot be had.
    void reset(std::int32_t width, std::int32_t height);
    raster::WrittenPixels& written() { return written_; }
    PlaneView marks() const { return marks_; }

  private:
    std::vector<std::uint8_t> bits_;
    std::vector<std::uint8_t> markBytes_;
    raster::WrittenPixels written_{};
    PlaneView marks_{};
};

namespace face_walk {

/// Faces drawn from the last to the first, each behind the faces after it
/// in the list (see the file's comment): the plane the walk of face_walk.h
/// would draw, every face k in the colours of shadeOf(k) when kPerFace.
template <bool kPerFace, typename ShadeOf>
void drawNearestFirst(const PlaneView& view, NearestFirstBuffers& buffers,
                      std::span<const Face> faces, std::span<const Point> points,
                      const ShadeOf& shadeOf) {
    raster::WrittenPixels& written = buffers.written();
    const PlaneView marks = buffers.marks();
    FaceShade<std::uint8_t> shade{};
    if constexpr (!kPerFace) {
        shade = shadeOf(0);
    }
    const raster::SmallTriangles& table = raster::smallTriangles();
    const std::size_t n = points.size();
    const Point* p = points.data();
    const TableReach reach(view);
    const auto width = static_cast<std::uint32_t>(view.width);
    const auto height = static_cast<std::uint32_t>(view.height);
    constexpr auto kSide = static_cast<std::uint32_t>(raster::kRowMaskSide);
    for (std::size_t k = faces.size(); k-- > 0;) {
        if (k >= kCornersAhead) {
            prefetchCorners(faces[k - kCornersAhead], p, n);
        }
        const std::uint32_t* c = faces[k].corner;
        if (c[0] >= n || c[1] >= n || c[2] >= n || (c[3] != kNoCorner && c[3] >= n)) {
            continue;
        }
        const Point a = p[c[0]];
        const Point b = p[c[1]];
        const Point d = p[c[2]];
        const TriangleBox box = boxOf(a, b, d);
        const auto [left, top, right, bottom, across, down] = box;
        const bool inView =
            static_cast<std::uint32_t>(left) < width && static_cast<std::uint32_t>(right) < width &&
            static_cast<std::uint32_t>(top) < height && static_cast<std::uint32_t>(bottom) < height;
        // A face is coloured only once it is found to show.
        const bool boxTested = c[3] == kNoCorner && inView && across < kSide && down < kSide;
        if (boxTested && written.narrowBoxWritten(left, top, right, bottom)) {
            continue;
        }
        if constexpr (kPerFace) {
            shade = shadeOf(k);
        }
        if (c[3] != kNoCorner || !reach.takes(box)) {
            const std::array<Point, 4> corners{a, b, d, c[3] != kNoCorner ? p[c[3]] : a};
            const auto used = std::span<const Point>(corners).first(c[3] != kNoCorner ? 4 : 3);
            const std::uint8_t* const fill = shade.filled ? &shade.fill : nullptr;
            if (boxTested) {
                raster::visiblePolygonBehind(view, written, marks, used, fill, shade.outline);
            } else {
                raster::polygonBehind(view, written, marks, used, fill, shade.outline);
            }
            continue;
        }
        // Within 4 x 4 pixels: the table's masks, a row at a time.
        const auto cell = [left, top](Point q) {
            return static_cast<unsigned>((q.x - left) | ((q.y - top) << 2));
        };
        const raster::SmallTriangle cover = table[cell(a) | cell(b) << 4 | cell(d) << 8];
        const unsigned outlineBits = cover.outline;
        const unsigned coverBits = outlineBits | (shade.filled ? cover.fill : 0u);
        const Quad<std::uint8_t>::Word outlineWord = Quad<std::uint8_t>::splat(shade.outline);
        const Quad<std::uint8_t>::Word fillWord = Quad<std::uint8_t>::splat(shade.fill);
        std::uint8_t* row = view.row(top) + left;
        for (std::int32_t y = top; y <= bottom; ++y, row += view.stride) {
            const unsigned shift = 4 * static_cast<unsigned>(y - top);
            const unsigned free = (coverBits >> shift) & 15u & ~written.bits(left, y);
            if (free == 0) {
                continue;
            }
            written.add(left, y, free);
            const unsigned edge = (outlineBits >> shift) & free;
            writeQuad<std::uint8_t>(row, edge, free & ~edge, outlineWord, fillWord);
        }
    }
}

}  // namespace face_walk

}  // namespace kelpris
