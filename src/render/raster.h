#pragma once
// A span rasteriser over a plain 32-bit pixel buffer (or a one-byte plane of
// one colour channel), for the operations that
// dominate a paint: filled and outlined polygons of 3 or 4 corners, 1-pixel
// lines, rectangles and block transfers. It follows the pixel rules written in
// drawing_surface.h exactly, for every int32 coordinate (far-off shapes are
// clipped in 64-bit arithmetic, never wrapped), and allocates nothing.

#include <array>
#include <cstdint>
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

/// Asks for the memory of the first rows a polygon of these corners
/// covers, to be written soon: a hint for the processor, no pixel changes.
template <typename T>
inline void prefetchPolygon(BasicPixelView<T> view, std::span<const Point> corners) {
    constexpr std::int32_t kRows = 4;
    std::int32_t top = corners[0].y;
    std::int32_t bottom = corners[0].y;
    std::int32_t left = corners[0].x;
    for (const Point p : corners.subspan(1)) {
        top = p.y < top ? p.y : top;
        bottom = p.y > bottom ? p.y : bottom;
        left = p.x < left ? p.x : left;
    }
    if (view.empty() || bottom < 0 || top >= view.height) {
        return;
    }
    const std::int32_t x = left < 0 ? 0 : left >= view.width ? view.width - 1 : left;
    const std::int32_t from = top < 0 ? 0 : top;
    const std::int32_t last = bottom < view.height - 1 ? bottom : view.height - 1;
    const std::int32_t to = last - from < kRows ? last : from + kRows - 1;
    for (std::int32_t y = from; y <= to; ++y) {
        __builtin_prefetch(view.row(y) + x, 1);
    }
}

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
