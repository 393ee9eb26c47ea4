#pragma once
// A span rasteriser over a plain 32-bit pixel buffer (or a one-byte plane of
// one colour channel), for the operations that
// dominate a paint: filled and outlined polygons of 3 or 4 corners, 1-pixel
// lines, rectangles and block transfers. It follows the pixel rules written in
// drawing_surface.h exactly, for every int32 coordinate (far-off shapes are
// clipped in 64-bit arithmetic, never wrapped), and allocates nothing.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "render/drawing_surface.h"

namespace kelpris {

/// One pixel as 0xFFRRGGBB (the layout of QImage::Format_RGB32).
using Pixel = std::uint32_t;

constexpr Pixel toPixel(Rgb c) {
    return 0xFF000000u | (Pixel{c.r} << 16) | (Pixel{c.g} << 8) | Pixel{c.b};
}

constexpr Rgb toRgb(Pixel p) {
    return Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
               static_cast<std::uint8_t>(p)};
}

/// A view of pixels owned elsewhere: row y starts at pixels + y * stride.
/// A null pointer or a size below 1 is an empty view that ignores drawing.
template <typename T>
struct BasicPixelView {
    T* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t stride = 0;  ///< in pixels, at least width

    bool empty() const { return pixels == nullptr || width < 1 || height < 1; }
    T* row(std::int32_t y) const { return pixels + static_cast<std::int64_t>(y) * stride; }
};

/// A picture of 0xFFRRGGBB pixels.
using PixelView = BasicPixelView<Pixel>;

/// One colour channel of a picture, a byte per pixel: drawn alone when
/// everything drawn on a picture lies in that channel, a quarter of the
/// memory to write.
using PlaneView = BasicPixelView<std::uint8_t>;

/// Where a channel sits in a Pixel.
enum class Channel : std::uint8_t { Red, Green, Blue };

constexpr int channelShift(Channel c) {
    return c == Channel::Red ? 16 : c == Channel::Green ? 8 : 0;
}

constexpr std::uint8_t channelOf(Rgb colour, Channel c) {
    return c == Channel::Red ? colour.r : c == Channel::Green ? colour.g : colour.b;
}

namespace raster {

// Each drawing operation comes for whole pixels and for one channel's plane;
// both follow the same rules, pixel for pixel.

/// A 1-pixel line from `from` to `to`, both end points included.
void line(PixelView view, Point from, Point to, Pixel colour);
void line(PlaneView view, Point from, Point to, std::uint8_t colour);

/// Fills the pixels inside the closed polygon (even-odd; a pixel exactly on
/// an edge only where the inside lies to its right). Points past the fourth
/// are ignored; fewer than 3 fill nothing.
void fillPolygon(PixelView view, std::span<const Point> corners, Pixel colour);
void fillPolygon(PlaneView view, std::span<const Point> corners, std::uint8_t colour);

/// Fill (unless `fill` is null) and then the closed 1-pixel outline.
void polygon(PixelView view, std::span<const Point> corners, const Pixel* fill, Pixel outline);
void polygon(PlaneView view, std::span<const Point> corners, const std::uint8_t* fill,
             std::uint8_t outline);

/// Fills columns left .. right-1 and rows top .. bottom-1 (given in any order).
void fillBox(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Pixel colour);
void fillBox(PlaneView view, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, std::uint8_t colour);

/// The box filled (unless `fill` is null) and outlined along its outermost
/// columns and rows.
void rectangle(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, const Pixel* fill, Pixel outline);
void rectangle(PlaneView view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, const std::uint8_t* fill, std::uint8_t outline);

/// What a triangle with its corners among a 4 x 4 block of pixels covers:
/// bit 4 * row + column of the block for each pixel of its fill and of its
/// outline, as polygon() draws them.
struct SmallTriangle {
    std::uint16_t fill = 0;
    std::uint16_t outline = 0;
};
constexpr std::int32_t kSmallSide = 4;
/// Entry k has corner i at column bits 4i..4i+1 and row bits 4i+2..4i+3 of k.
using SmallTriangles = std::array<SmallTriangle, 1 << 12>;

/// The table for every such triangle, drawn once by the general code (the
/// pixel rules do not change when a shape moves by whole pixels).
const SmallTriangles& smallTriangles();

/// The bits from the lowest set bit of a row's outline to its highest: what
/// a filled triangle covers on that row (the fill never passes the outline
/// and meets it without a gap). None for no bits.
[[gnu::always_inline]] inline unsigned spanOf(unsigned bits) {
    const int first = __builtin_ctz(bits | 0x80000000u);
    const int last = 31 - __builtin_clz(bits | 1u);
    return (0xFFFFFFFFu >> (31 - last)) & (0xFFFFFFFFu << first);
}

/// For each 8 bits, the 8 bytes that are all ones where the bit is set.
inline constexpr std::array<std::uint64_t, 256> kByteLanes = [] {
    std::array<std::uint64_t, 256> table{};
    for (std::size_t bits = 0; bits < table.size(); ++bits) {
        for (std::size_t i = 0; i < 8; ++i) {
            table[bits] |= (bits >> i & 1u) != 0 ? std::uint64_t{0xFF} << (8 * i) : 0u;
        }
    }
    return table;
}();

/// Writes the bytes of the 16 from `row` whose bit is set in `cover`: those
/// also set in `edge` in the outline colour, the others in the fill.
[[gnu::always_inline]] inline void writeMaskedBytes(std::uint8_t* row, unsigned edge,
                                                    unsigned cover, std::uint8_t fill,
                                                    std::uint8_t outline) {
    // A lane's mask comes from the table; all stays within 16-byte vectors,
    // which the processor has (wider ones are split into scalars).
    using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
    using Words = std::uint64_t __attribute__((vector_size(16)));
    const auto lanes = [](unsigned bits) {
        const Words spread{kByteLanes[bits & 0xFFu], kByteLanes[(bits >> 8) & 0xFFu]};
        return std::bit_cast<Bytes16>(spread);
    };
    const Bytes16 onEdge = lanes(edge);
    const Bytes16 covered = lanes(cover);
    const Bytes16 colour =
        (Bytes16{} + fill) ^ ((Bytes16{} + static_cast<std::uint8_t>(fill ^ outline)) & onEdge);
    Bytes16 pixels;
    std::memcpy(&pixels, row, sizeof pixels);
    pixels = (pixels & ~covered) | (colour & covered);
    std::memcpy(row, &pixels, sizeof pixels);
}

/// A line from its upper end down at most kMaskReach rows and columns either
/// way, as one bit mask per row (bit c for the column c right of the line's
/// leftmost one), rows below its lower end empty.
constexpr std::int32_t kMaskSide = 16;
constexpr std::int32_t kMaskReach = kMaskSide - 1;
constexpr std::int32_t kMaskColumns = 2 * kMaskReach + 1;
using RowMask = std::uint16_t;
using MaskedLine = std::array<RowMask, kMaskSide>;
using MaskedLines = std::array<MaskedLine, kMaskSide * kMaskColumns>;

/// The table of every such line, walked once by the general line code, so
/// that the masks cover exactly what it draws.
const MaskedLines& maskedLines();

/// Corners in order of their rows, without branches on the data.
[[gnu::always_inline]] inline void orderRows(Point& a, Point& b) {
    const bool swap = b.y < a.y;
    const Point upper = swap ? b : a;
    const Point lower = swap ? a : b;
    a = upper;
    b = lower;
}

/// A triangle with its box in the view and at most kMaskSide pixels across
/// both ways, the faces of a model filling the window. Its outline comes as
/// row masks from the table, and on each row the fill covers what lies
/// between the outline's first and last pixels (the two meet without a gap
/// and the fill never passes them), so each row is one masked write of
/// `columns` pixels from `start`: writeRow(row, y, start, edge, cover).
/// `lines` is maskedLines(), looked up once by a caller drawing many.
template <typename T, typename WriteRow>
[[gnu::always_inline]] inline void maskedTriangleRows(const MaskedLines& lines,
                                                      const BasicPixelView<T>& view, Point a,
                                                      Point b, Point c, std::int32_t left,
                                                      std::int32_t columns, bool filled,
                                                      const WriteRow& writeRow) {
    orderRows(a, b);
    orderRows(b, c);
    orderRows(a, b);
    // The written columns stay inside the view at its right edge.
    const std::int32_t start = std::min(left, view.width - columns);
    struct Edge {
        const MaskedLine* rows;
        std::int32_t shift;
    };
    const auto edge = [&](Point from, Point to) {
        const auto index =
            static_cast<std::size_t>((to.y - from.y) * kMaskColumns + to.x - from.x + kMaskReach);
        return Edge{&lines[index], std::min(from.x, to.x) - start};
    };
    const Edge ac = edge(a, c);
    const Edge ab = edge(a, b);
    const Edge bc = edge(b, c);
    const std::int32_t middle = b.y - a.y;
    T* row = view.row(a.y) + start;
    for (std::int32_t r = 0; r <= c.y - a.y; ++r, row += view.stride) {
        const std::int32_t k = r < middle ? 0 : r - middle;
        const unsigned lower = r < middle ? 0u : unsigned{(*bc.rows)[static_cast<std::size_t>(k)]};
        const unsigned bits = unsigned{(*ac.rows)[static_cast<std::size_t>(r)]} << ac.shift |
                              unsigned{(*ab.rows)[static_cast<std::size_t>(r)]} << ab.shift |
                              lower << bc.shift;
        writeRow(row, a.y + r, start, bits, filled ? spanOf(bits) : bits);
    }
}

/// Which pixels of a plane have been written, a bit per pixel: bit x % 8 of
/// byte x / 8 of row y for pixel (x, y). Owned elsewhere; each row holds 8
/// bytes past its last pixel's byte, so that 8 bytes read from any pixel's
/// byte stay in the row. Bits of columns past the width are never set.
struct WrittenPixels {
    std::uint8_t* bytes = nullptr;
    std::size_t rowBytes = 0;

    /// Bits of columns x .. x + 31 of row y (bit k for column x + k), for a
    /// pixel (x, y) of the plane.
    [[gnu::always_inline]] std::uint32_t bits(std::int32_t x, std::int32_t y) const {
        std::uint64_t word;
        std::memcpy(&word, at(x, y), sizeof word);
        return static_cast<std::uint32_t>(word >> (x & 7));
    }
    /// Sets the columns of `columns` (numbered as bits() numbers them).
    [[gnu::always_inline]] void add(std::int32_t x, std::int32_t y, std::uint32_t columns) {
        std::uint64_t word;
        std::memcpy(&word, at(x, y), sizeof word);
        word |= std::uint64_t{columns} << (x & 7);
        std::memcpy(at(x, y), &word, sizeof word);
    }
    /// Whether all of columns left .. right of rows top .. bottom (pixels of
    /// the plane, under 32 columns) are written.
    [[gnu::always_inline]] bool narrowBoxWritten(std::int32_t left, std::int32_t top,
                                                 std::int32_t right, std::int32_t bottom) const {
        const std::uint32_t wanted = 0xFFFFFFFFu >> (31 - (right - left));
        for (std::int32_t y = top; y <= bottom; ++y) {
            if ((~bits(left, y) & wanted) != 0) {
                return false;
            }
        }
        return true;
    }
    /// The same for a box of any width.
    bool boxWritten(std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom) const {
        for (std::int32_t x = left; x <= right; x += 32) {
            if (!narrowBoxWritten(x, top, right - x < 32 ? right : x + 31, bottom)) {
                return false;
            }
        }
        return true;
    }

  private:
    std::uint8_t* at(std::int32_t x, std::int32_t y) const {
        return bytes + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x >> 3);
    }
};

/// Triangles in a plane under this many pixels across and down, the faces
/// of a model filling the window, are drawn from a bit mask per row (in a
/// view at least this wide).
constexpr std::int32_t kRowMaskSide = 32;

/// polygon() drawn behind what is already written: only the pixels of the
/// polygon's drawing (its outline over its fill) not yet set in `written`
/// take its colours, and become set. `marks` is scratch of the plane's size,
/// all zero, and left so. Drawing faces nearest first this way gives the
/// picture of drawing them farthest first with polygon().
void polygonBehind(PlaneView view, WrittenPixels& written, PlaneView marks,
                   std::span<const Point> corners, const std::uint8_t* fill, std::uint8_t outline);

/// The same for a polygon whose box the caller has found not wholly
/// written: the box is not tested again.
void visiblePolygonBehind(PlaneView view, WrittenPixels& written, PlaneView marks,
                          std::span<const Point> corners, const std::uint8_t* fill,
                          std::uint8_t outline);

enum class BlockOp { Copy, Or };

/// Transfers width x height pixels from (srcX, srcY) of `source` to (x, y) of
/// `target`, clipped to both. The two views may share memory: overlapping
/// blocks act as if copied through a temporary.
void transfer(PixelView target, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, PixelView source, std::int32_t srcX, std::int32_t srcY,
              BlockOp op);

/// The same from a plane, read as the picture whose pixels hold its bytes in
/// `channel` and zero in the other two. The plane must not share memory
/// with the target.
void transfer(PixelView target, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, PlaneView source, Channel channel, std::int32_t srcX,
              std::int32_t srcY, BlockOp op);

}  // namespace raster
}  // namespace kelpris
