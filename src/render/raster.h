#pragma once
// A span rasteriser over a plain 32-bit pixel buffer, for the operations that
// dominate a paint: filled and outlined polygons of 3 or 4 corners, 1-pixel
// lines, rectangles and block transfers. It follows the pixel rules written in
// drawing_surface.h exactly, for every int32 coordinate (far-off shapes are
// clipped in 64-bit arithmetic, never wrapped), and allocates nothing.

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
struct PixelView {
    Pixel* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t stride = 0;  ///< in pixels, at least width

    bool empty() const { return pixels == nullptr || width < 1 || height < 1; }
    Pixel* row(std::int32_t y) const { return pixels + static_cast<std::int64_t>(y) * stride; }
};

namespace raster {

/// A 1-pixel line from `from` to `to`, both end points included.
void line(PixelView view, Point from, Point to, Pixel colour);

/// Fills the pixels inside the closed polygon (even-odd; a pixel exactly on
/// an edge only where the inside lies to its right). Points past the fourth
/// are ignored; fewer than 3 fill nothing.
void fillPolygon(PixelView view, std::span<const Point> corners, Pixel colour);

/// Fill (unless `fill` is null) and then the closed 1-pixel outline.
void polygon(PixelView view, std::span<const Point> corners, const Pixel* fill, Pixel outline);

/// Fills columns left .. right-1 and rows top .. bottom-1 (given in any order).
void fillBox(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Pixel colour);

/// The box filled (unless `fill` is null) and outlined along its outermost
/// columns and rows.
void rectangle(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, const Pixel* fill, Pixel outline);

enum class BlockOp { Copy, Or };

/// Transfers width x height pixels from (srcX, srcY) of `source` to (x, y) of
/// `target`, clipped to both. The two views may share memory: overlapping
/// blocks act as if copied through a temporary.
void transfer(PixelView target, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, PixelView source, std::int32_t srcX, std::int32_t srcY,
              BlockOp op);

}  // namespace raster
}  // namespace kelpris
