#pragma once
// Many faces of a model drawn straight into a picture or a plane, exactly as
// raster::polygon draws each: the paint of a large model's faces. Most faces
// of a million-face model seen whole are triangles within a 4 x 4 block of
// pixels; those are drawn inline from a table of what each such triangle
// covers, as four masked row writes with no branch on their shape; in a
// plane, triangles up to 16 pixels across are drawn inline from row masks
// too, and only the others go to raster::polygon. In depth order the corners
// are read all over the projection, so they are fetched a few faces ahead;
// faces in file order (the setup views) walk it in order and skip the
// fetching. The picture rows are not fetched ahead: measured, asking for
// them costs more than it saves.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "geometry/point.h"
#include "render/raster.h"
#include "scene/scena.h"

namespace kelpris {

/// The colours one face is drawn in: its outline, and its fill unless it
/// has none.
template <typename T>
struct FaceShade {
    T fill{};
    T outline{};
    bool filled = false;
};

namespace face_walk {

constexpr std::int32_t kBlock = raster::kSmallSide;
// Measured on the 1M-face torus at 1920 x 1080: how many faces ahead the
// corners are fetched.
constexpr std::size_t kCornersAhead = 16;

/// Four pixels' worth of the picture's pixel type, and the masks that
/// select some of them.
template <typename T>
struct Quad;

// A plane's four bytes are handled as one word, byte c holding column c.
static_assert(std::endian::native == std::endian::little);

template <>
struct Quad<std::uint8_t> {
    using Word = std::uint32_t;
    /// Bit c of `bits` (four bits) set gives byte c all ones: looked up,
    /// which the many masks of a large model's faces take for less than the
    /// multiplications that spread the bits.
    static Word mask(unsigned bits) { return static_cast<Word>(raster::kByteLanes[bits & 15u]); }
    static Word splat(std::uint8_t v) { return Word{v} * 0x01010101u; }
};

template <>
struct Quad<Pixel> {
    using Word = Pixel __attribute__((vector_size(16)));
    static Word mask(unsigned bits) {
        const Word columns{1, 2, 4, 8};
        return reinterpret_cast<Word>((columns & bits) != 0);
    }
    static Word splat(Pixel v) { return Word{v, v, v, v}; }
};

/// Writes the four pixels from `at` (all inside the picture): those of the
/// outline bits in the outline colour, those of the fill bits in the fill
/// colour; the others keep their value.
template <typename T>
[[gnu::always_inline]] inline void writeQuad(T* at, unsigned outlineBits, unsigned fillBits,
                                             typename Quad<T>::Word outline,
                                             typename Quad<T>::Word fill) {
    using Word = typename Quad<T>::Word;
    const Word o = Quad<T>::mask(outlineBits);
    const Word f = Quad<T>::mask(fillBits);
    Word word;
    std::memcpy(&word, at, sizeof word);
    word = (word & ~(o | f)) | (outline & o) | (fill & f);
    std::memcpy(at, &word, sizeof word);
}

/// Asks for the positions of a face's corners, to be read soon.
[[gnu::always_inline]] inline void prefetchCorners(const Face& face, const Point* points,
                                                   std::size_t n) {
    for (const std::uint32_t c : face.corner) {
        if (c < n) {
            __builtin_prefetch(points + c);
        }
    }
}

/// The box of a triangle's corners (right and bottom inclusive), and how
/// far it spans: unsigned differences, exact as right >= left and bottom >=
/// top.
struct TriangleBox {
    std::int32_t left, top, right, bottom;
    std::uint32_t across, down;
};

[[gnu::always_inline]] inline TriangleBox boxOf(Point a, Point b, Point d) {
    TriangleBox box{std::min({a.x, b.x, d.x}),
                    std::min({a.y, b.y, d.y}),
                    std::max({a.x, b.x, d.x}),
                    std::max({a.y, b.y, d.y}),
                    0,
                    0};
    box.across = static_cast<std::uint32_t>(box.right) - static_cast<std::uint32_t>(box.left);
    box.down = static_cast<std::uint32_t>(box.bottom) - static_cast<std::uint32_t>(box.top);
    return box;
}

/// Which triangles take the table: those whose box lies in the view and
/// spans at most four columns from `left` and four rows from `top`, with the
/// four columns from `left` all in the view (a view narrower than the block
/// has none).
class TableReach {
  public:
    template <typename T>
    explicit TableReach(const BasicPixelView<T>& view)
        : lastLeft_(static_cast<std::uint32_t>(view.width - kBlock)),  // wraps when narrow
          height_(static_cast<std::uint32_t>(view.height)),
          narrow_(view.width < kBlock) {}

    [[gnu::always_inline]] bool takes(const TriangleBox& box) const {
        return !narrow_ && static_cast<std::uint32_t>(box.left) <= lastLeft_ &&
               box.across < kBlock && box.down < kBlock &&
               static_cast<std::uint32_t>(box.top) < height_ &&
               static_cast<std::uint32_t>(box.bottom) < height_;
    }

  private:
    std::uint32_t lastLeft_;
    std::uint32_t height_;
    bool narrow_;
};

/// Which triangles of a plane the masked rows take: those whose box lies in
/// the view and spans fewer than raster::kMaskSide columns and rows, the
/// view at least that wide.
class MaskedReach {
  public:
    template <typename T>
    explicit MaskedReach(const BasicPixelView<T>& view)
        : width_(static_cast<std::uint32_t>(view.width)),
          height_(static_cast<std::uint32_t>(view.height)),
          narrow_(view.width < raster::kMaskSide) {}

    [[gnu::always_inline]] bool takes(const TriangleBox& box) const {
        constexpr auto kSide = static_cast<std::uint32_t>(raster::kMaskSide);
        return !narrow_ && static_cast<std::uint32_t>(box.left) < width_ &&
               static_cast<std::uint32_t>(box.right) < width_ &&
               static_cast<std::uint32_t>(box.top) < height_ &&
               static_cast<std::uint32_t>(box.bottom) < height_ && box.across < kSide &&
               box.down < kSide;
    }

  private:
    std::uint32_t width_;
    std::uint32_t height_;
    bool narrow_;
};

/// Whether consecutive faces visit the projection all over, as faces in
/// depth order do: then fetching corners and picture rows ahead pays, while
/// for faces in the order of a mesh's file (neighbours mostly share their
/// vertices) it only costs. Judged from a sample of consecutive pairs.
inline bool scattered(std::span<const Face> faces) {
    constexpr std::size_t kSamples = 64;
    constexpr std::uint32_t kNear = 256;  // vertices: a few kilobytes of points
    if (faces.size() < 2 * kSamples) {
        return false;  // too few for the fetching to matter
    }
    std::size_t jumps = 0;
    for (std::size_t i = 0; i < kSamples; ++i) {
        const std::size_t k = i * (faces.size() - 1) / kSamples;
        const std::uint32_t a = faces[k].corner[0];
        const std::uint32_t b = faces[k + 1].corner[0];
        jumps += (a > b ? a - b : b - a) > kNear ? 1 : 0;
    }
    return jumps > kSamples / 16;
}

// Each face in shadeOf(k) when kPerFace, else every face in shadeOf(0),
// looked up once before the walk.
template <bool kFetchAhead, bool kPerFace, typename T, typename ShadeOf>
void drawFaces(const BasicPixelView<T>& view, std::span<const Face> faces,
               std::span<const Point> points, const ShadeOf& shadeOf) {
    using Word = typename Quad<T>::Word;
    FaceShade<T> shade{};
    if constexpr (!kPerFace) {
        shade = shadeOf(0);
    }
    const T* fill = shade.filled ? &shade.fill : nullptr;
    T outline = shade.outline;
    Word outlineWord = Quad<T>::splat(outline);
    Word fillWord = Quad<T>::splat(shade.fill);
    unsigned fillMask = shade.filled ? 0xFFFFu : 0u;
    const raster::SmallTriangles& table = raster::smallTriangles();
    const raster::MaskedLines& lines = raster::maskedLines();
    const std::size_t n = points.size();
    const Point* p = points.data();
    const TableReach reach(view);
    const MaskedReach maskedReach(view);
    const std::int64_t stride = view.stride;
    const std::size_t count = faces.size();
    for (std::size_t k = 0; k < count; ++k) {
        if (kFetchAhead && k + kCornersAhead < count) {
            prefetchCorners(faces[k + kCornersAhead], p, n);
        }
        const std::uint32_t* c = faces[k].corner;
        if (c[0] >= n || c[1] >= n || c[2] >= n) {
            continue;
        }
        const Point a = p[c[0]];
        const Point b = p[c[1]];
        const Point d = p[c[2]];
        if constexpr (kPerFace) {
            shade = shadeOf(k);
            fill = shade.filled ? &shade.fill : nullptr;
            outline = shade.outline;
            outlineWord = Quad<T>::splat(outline);
            fillWord = Quad<T>::splat(shade.fill);
            fillMask = shade.filled ? 0xFFFFu : 0u;
        }
        if (c[3] != kNoCorner) {
            if (c[3] < n) {
                const std::array<Point, 4> quad{a, b, d, p[c[3]]};
                raster::polygon(view, quad, fill, outline);
            }
            continue;
        }
        const TriangleBox box = boxOf(a, b, d);
        const auto [left, top, right, bottom, across, down] = box;
        if (!reach.takes(box)) {
            if (right < 0 || bottom < 0 || left >= view.width || top >= view.height) {
                continue;  // wholly outside: nothing to draw
            }
            if constexpr (sizeof(T) == 1) {
                if (maskedReach.takes(box)) {
                    const T fillByte = shade.filled ? shade.fill : outline;
                    raster::maskedTriangleRows(
                        lines, view, a, b, d, left, raster::kMaskSide, shade.filled,
                        [fillByte, outline](T* row, std::int32_t, std::int32_t, unsigned edge,
                                            unsigned cover) {
                            raster::writeMaskedBytes(row, edge, cover, fillByte, outline);
                        });
                    continue;
                }
            }
            const std::array<Point, 3> triangle{a, b, d};
            raster::polygon(view, triangle, fill, outline);
            continue;
        }
        if ((across | down) <= 1) {  // the corners are the whole drawing
            view.row(a.y)[a.x] = outline;
            view.row(b.y)[b.x] = outline;
            view.row(d.y)[d.x] = outline;
            continue;
        }
        const auto cell = [left, top](Point q) {
            return static_cast<unsigned>((q.x - left) | ((q.y - top) << 2));
        };
        const raster::SmallTriangle cover = table[cell(a) | cell(b) << 4 | cell(d) << 8];
        const unsigned outlineBits = cover.outline;
        const unsigned fillBits = cover.fill & ~outlineBits & fillMask;
        // Rows below the box write row 0 again with nothing to change, so
        // that every triangle takes the same four writes, and no row outside
        // its box is touched.
        T* const row0 = view.row(top) + left;
        for (std::uint32_t r = 0; r < kBlock; ++r) {
            T* const row = r <= down ? row0 + static_cast<std::int64_t>(r) * stride : row0;
            writeQuad<T>(row, (outlineBits >> (4 * r)) & 15u, (fillBits >> (4 * r)) & 15u,
                         outlineWord, fillWord);
        }
    }
}

template <bool kPerFace, typename T, typename ShadeOf>
void walk(const BasicPixelView<T>& view, std::span<const Face> faces, std::span<const Point> points,
          const ShadeOf& shadeOf) {
    if (view.empty() || faces.empty()) {
        return;
    }
    if (scattered(faces)) {
        drawFaces<true, kPerFace>(view, faces, points, shadeOf);
    } else {
        drawFaces<false, kPerFace>(view, faces, points, shadeOf);
    }
}

}  // namespace face_walk

/// Draws each face k of `faces` whose corners all have a position in
/// `points` (element i for vertex i), in order, exactly as
/// raster::polygon(view, corners, fill, outline) would with the colours of
/// shadeOf(k), a FaceShade<T>; faces with another corner are skipped.
template <typename T, typename ShadeOf>
void drawShadedFacePolygons(const BasicPixelView<T>& view, std::span<const Face> faces,
                            std::span<const Point> points, const ShadeOf& shadeOf) {
    face_walk::walk<true>(view, faces, points, shadeOf);
}

/// The same with every face in the colours of raster::polygon's arguments.
template <typename T>
void drawFacePolygons(const BasicPixelView<T>& view, std::span<const Face> faces,
                      std::span<const Point> points, const T* fill, T outline) {
    const FaceShade<T> shade{fill != nullptr ? *fill : T{}, outline, fill != nullptr};
    face_walk::walk<false>(view, faces, points, [shade](std::size_t) { return shade; });
}

}  // namespace kelpris
