#pragma once
// The raster drawing surface that all of KELPRIS draws through: the view's
// client area, or a memory surface holding a bitmap. Platform-free; the one
// real implementation (on Qt) lives in render/qt.
//
// Drawing objects follow a select-and-restore protocol: selecting a pen,
// brush or bitmap returns the object it replaces, and the caller selects that
// object back before it finishes. Pens and brushes are small values; bitmaps
// are owned by whoever created them. ScopedPen / ScopedBrush / ScopedBitmap
// put the replaced object back when they go out of scope, so an early return
// cannot leave a tool selected.
//
// Coordinates are integer pixels, origin top left, y downwards.
//
// Pixel rules (every implementation must follow these; tests check them).
// Pixel (x, y) is the unit square whose top-left corner is (x, y); its centre
// is (x + 1/2, y + 1/2). Nothing is antialiased: a pixel is either untouched
// or takes exactly the pen, brush or text colour.
//   - Lines with a 1-pixel pen cover one pixel per column from the start to
//     the end point, BOTH end points included (per row instead when the line
//     is steeper than 45 degrees): on column x the row nearest the ideal line
//     y0 + (x - x0) * (y1 - y0) / (x1 - x0), and where the ideal line passes
//     exactly halfway between two rows, the smaller row (for steep lines
//     likewise the nearest column, the smaller on a tie). So a line from A to
//     B covers the same pixels as one from B to A. A line from a point to
//     itself marks that pixel. Consecutive lineTo calls draw their shared
//     point twice.
//   - A pen of width w > 1 is centred on the path and covers w pixels across
//     it: a horizontal line on row y covers rows y - w/2 .. y - w/2 + w - 1
//     (integer division; likewise columns for a vertical line). Ends and
//     corners are round, reaching w/2 beyond the end points; a line from a
//     point to itself draws nothing with such a pen. A width below 1 draws
//     as 1.
//   - polygon: its corners, like a line's end points, stand for the pixels
//     they name, so pixel (x, y) takes the brush colour when the point
//     (x, y) lies inside the polygon of the given corners (the pixel centres
//     inside the polygon through the corner pixels' centres). Inside is by
//     the even-odd rule: a ray from (x, y) to the right crosses an odd number
//     of edges, where an edge from (xa, ya) to (xb, yb) with ya < yb counts on
//     rows ya <= y < yb and only where it passes strictly right of (x, y);
//     horizontal edges never count. So a pixel exactly on a left edge is
//     filled and one exactly on a right edge is not. Then the closed outline
//     is drawn with the pen by the line rules: it covers every pixel exactly
//     on an edge and meets the fill without a gap, every corner pixel is
//     covered (a polygon whose corners all coincide marks that one pixel). A
//     hollow brush fills nothing.
//   - rectangle and ellipse take the box (left, top, right, bottom), which
//     covers columns left .. right-1 and rows top .. bottom-1; a box given
//     with right < left or bottom < top is read with the two values swapped,
//     and a box with right == left or bottom == top covers nothing and draws
//     nothing. A rectangle's 1-pixel outline runs along columns left and
//     right-1 and rows top and bottom-1, and the brush fills the pixels
//     inside it: an outlined rectangle (0, 0, w, h) covers exactly the w x h
//     pixels from (0, 0). The ellipse is the one inscribed in the box: its
//     1-pixel outline stays within the box and reaches all four of its
//     sides, and the brush fills inside it. A thick outline of either runs
//     along the box's border, through the corner points (left, top) and
//     (right, bottom), as thick lines between those points would; so the
//     ellipse of the box (cx - r, cy - r, cx + r, cy + r) is centred on the
//     pixel corner (cx, cy) with any pen.
//   - textOut: one fixed font (13-pixel DejaVu Sans, not antialiased); the
//     text's bounding box starts at (x, y) and is filled white behind the
//     glyphs. Text pixels, which may vary with the installed font, and the
//     exact curve of an ellipse are the only ones not fixed pixel for pixel
//     by these rules.
//   - bitBlt copies whole pixels; source pixels outside the source bitmap are
//     not transferred (the destination keeps its pixels there), destination
//     pixels outside this surface are dropped, and a block of width or height
//     below 1 transfers nothing. Overlapping blocks on one surface are copied
//     as if through a temporary. SrcPaint ORs the red, green and blue bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "geometry/point.h"
#include "scene/scena.h"

namespace kelpris {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

/// A solid pen of a width in pixels and a colour.
struct Pen {
    std::int32_t width = 1;
    Rgb colour{};
    friend constexpr bool operator==(Pen, Pen) = default;
};

/// A solid brush, or the hollow brush that fills nothing.
struct Brush {
    bool hollow = false;
    Rgb colour{255, 255, 255};
    friend constexpr bool operator==(Brush, Brush) = default;

    static constexpr Brush solid(Rgb c) { return Brush{false, c}; }
    static constexpr Brush white() { return Brush{false, {255, 255, 255}}; }
    static constexpr Brush black() { return Brush{false, {0, 0, 0}}; }
    static constexpr Brush hollowBrush() { return Brush{true, {0, 0, 0}}; }
};

/// The colours of one face drawn in colours of its own: its fill and its
/// 1-pixel outline.
struct FaceColours {
    Rgb fill{};
    Rgb outline{};
};

/// The colours of faces drawn in colours of their own: those of face k of
/// part p of a list of faces.
class FaceColouring {
  public:
    virtual FaceColours colours(std::size_t part, std::size_t k) const = 0;

  protected:
    ~FaceColouring() = default;
};

/// Pixel storage created by a surface; only surfaces of the same
/// implementation accept it.
class Bitmap {
  public:
    virtual ~Bitmap() = default;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
};

/// Raster operations of block transfers.
enum class RasterOp : std::uint32_t {
    SrcCopy = 0x00CC0020,   ///< destination := source
    SrcPaint = 0x00EE0086,  ///< destination := destination OR source, bit by bit
};

class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;

    // --- Objects created from this surface --------------------------------
    /// A picture resource by number (132: observer from the side, 140x140;
    /// 133: observer from above, 70x140). Null when there is no such picture.
    virtual std::unique_ptr<Bitmap> loadBitmap(int resourceId) = 0;
    /// A bitmap with this surface's colour format, initially black.
    virtual std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t width,
                                                           std::int32_t height) = 0;
    /// A memory surface compatible with this one. It starts with a 1x1 bitmap
    /// of its own selected, a 1-pixel black pen, a white brush, black text on
    /// an opaque white background.
    virtual std::unique_ptr<DrawingSurface> createCompatibleSurface() = 0;

    // --- Selection ---------------------------------------------------------
    /// Each returns the object it replaces.
    virtual Pen selectPen(const Pen& pen) = 0;
    virtual Brush selectBrush(const Brush& brush) = 0;
    /// Memory surfaces only: later drawing goes into `bitmap`, which must
    /// outlive its selection. Returns the bitmap it replaces (the surface's
    /// own initial bitmap the first time).
    virtual Bitmap* selectBitmap(Bitmap* bitmap) = 0;

    // --- Drawing, with the selected objects --------------------------------
    virtual void moveTo(std::int32_t x, std::int32_t y) = 0;
    /// Line with the pen from the current position; (x, y) becomes current.
    virtual void lineTo(std::int32_t x, std::int32_t y) = 0;
    /// Closed polygon of 3 or 4 points, filled with the brush, outlined with
    /// the pen.
    virtual void polygon(std::span<const Point> points) = 0;
    /// Many faces of a model at once, each exactly as polygon() would draw
    /// its corners (looked up in `points`, element i for vertex i), in order;
    /// a face with a corner outside `points` is skipped. The default calls
    /// polygon() per face; a surface may draw them without a call per face.
    virtual void polygons(std::span<const Face> faces, std::span<const Point> points);
    /// The same for faces in colours of their own: face k filled with
    /// colours[k].fill and outlined with a 1-pixel pen of colours[k].outline
    /// instead of the selected brush and pen (which stay selected); faces
    /// past the end of `colours` are not drawn. The default selects each
    /// face's brush and pen and calls polygon().
    virtual void colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                                  std::span<const FaceColours> colours);
    /// The faces of one picture in consecutive parts, later faces drawn over
    /// earlier ones: the pixels of polygons() on each part in turn. The
    /// default does just that; a surface may draw them in another order
    /// that gives the same pixels.
    virtual void polygonParts(std::span<const std::span<const Face>> parts,
                              std::span<const Point> points);
    /// The same in colours of their own: face k of part p as
    /// colouredPolygons() draws it with colouring.colours(p, k).
    virtual void colouredPolygonParts(std::span<const std::span<const Face>> parts,
                                      std::span<const Point> points,
                                      const FaceColouring& colouring);
    /// Ellipse inscribed in the box, filled and outlined.
    virtual void ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) = 0;
    /// Rectangle filled with the brush and outlined with the pen.
    virtual void rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom) = 0;
    /// Text with its top-left corner at (x, y), in the text colour, on an
    /// opaque white background.
    virtual void textOut(std::int32_t x, std::int32_t y, std::string_view text) = 0;
    /// Sets the colour of later text; returns the previous one.
    virtual Rgb setTextColour(Rgb colour) = 0;
    /// Copies width x height pixels from (srcX, srcY) of `source` to
    /// (x, y) of this surface with the raster operation.
    virtual void bitBlt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        DrawingSurface& source, std::int32_t srcX, std::int32_t srcY,
                        RasterOp op) = 0;
    /// Whether bitBlt also takes a PlaneSurface (render/plane_surface.h), a
    /// picture of one colour channel, as its source.
    virtual bool takesPlanes() const { return false; }
};

/// Selects a pen for the lifetime of the guard, then puts the replaced one back.
class ScopedPen {
  public:
    ScopedPen(DrawingSurface& surface, const Pen& pen)
        : surface_(surface), previous_(surface.selectPen(pen)) {}
    ~ScopedPen() { surface_.selectPen(previous_); }
    ScopedPen(const ScopedPen&) = delete;
    ScopedPen& operator=(const ScopedPen&) = delete;
    /// Selects another pen; the original one is still restored at the end.
    void select(const Pen& pen) { surface_.selectPen(pen); }
    const Pen& previous() const { return previous_; }

  private:
    DrawingSurface& surface_;
    Pen previous_;
};

class ScopedBrush {
  public:
    ScopedBrush(DrawingSurface& surface, const Brush& brush)
        : surface_(surface), previous_(surface.selectBrush(brush)) {}
    ~ScopedBrush() { surface_.selectBrush(previous_); }
    ScopedBrush(const ScopedBrush&) = delete;
    ScopedBrush& operator=(const ScopedBrush&) = delete;
    void select(const Brush& brush) { surface_.selectBrush(brush); }
    const Brush& previous() const { return previous_; }

  private:
    DrawingSurface& surface_;
    Brush previous_;
};

class ScopedBitmap {
  public:
    ScopedBitmap(DrawingSurface& surface, Bitmap* bitmap)
        : surface_(surface), previous_(surface.selectBitmap(bitmap)) {}
    ~ScopedBitmap() { surface_.selectBitmap(previous_); }
    ScopedBitmap(const ScopedBitmap&) = delete;
    ScopedBitmap& operator=(const ScopedBitmap&) = delete;
    void select(Bitmap* bitmap) { surface_.selectBitmap(bitmap); }

  private:
    DrawingSurface& surface_;
    Bitmap* previous_;
};

}  // namespace kelpris
