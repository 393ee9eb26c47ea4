#pragma once
// A picture of one colour channel, a byte per pixel, for drawings whose every
// colour lies in that channel (an eye of the stereo screen): that channel of
// the whole picture, pixel for pixel, with a quarter of the memory to write.
// A surface that takesPlanes() copies or ORs it into its own picture with
// bitBlt, which reads the plane as the picture holding its bytes in the
// channel and zero in the other two.
//
// Only what such drawings use is drawn, by the pixel rules of
// drawing_surface.h: 1-pixel lines, polygons and rectangles, in the selected
// colours' byte of the channel. Pens are drawn 1 pixel wide whatever their
// width, and ellipses, text, bitmaps and transfers onto a plane draw nothing:
// draw those on a whole picture.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "render/drawing_surface.h"
#include "render/nearest_first.h"
#include "render/raster.h"

namespace kelpris {

/// The one channel holding every non-zero part of the colours, if there is
/// one (red when all are black).
std::optional<Channel> soleChannel(std::initializer_list<Rgb> colours) noexcept;

class PlaneSurface final : public DrawingSurface {
  public:
    /// An empty plane; reset gives it a size.
    PlaneSurface() = default;
    PlaneSurface(const PlaneSurface&) = delete;
    PlaneSurface& operator=(const PlaneSurface&) = delete;
    PlaneSurface(PlaneSurface&&) = default;  // the bytes stay where they are
    PlaneSurface& operator=(PlaneSurface&&) = default;

    /// Makes the plane width x height of `channel`, keeping its memory (and
    /// whatever it holds: cover it wholly before drawing) when that is large
    /// enough; new memory is black. Sizes below 1 give an empty plane.
    /// Throws std::bad_alloc when the memory cannot be had.
    void reset(Channel channel, std::int32_t width, std::int32_t height);
    PlaneView plane() const { return view_; }
    Channel channel() const { return channel_; }

    /// None: planes hold no bitmaps and make no other surfaces.
    std::unique_ptr<Bitmap> loadBitmap(int resourceId) override;
    std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t width,
                                                   std::int32_t height) override;
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override;

    Pen selectPen(const Pen& pen) override;
    Brush selectBrush(const Brush& brush) override;
    Bitmap* selectBitmap(Bitmap* bitmap) override;

    void moveTo(std::int32_t x, std::int32_t y) override;
    void lineTo(std::int32_t x, std::int32_t y) override;
    void polygon(std::span<const Point> points) override;
    void polygons(std::span<const Face> faces, std::span<const Point> points) override;
    void colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                          std::span<const FaceColours> colours) override;
    /// Faces in depth order, most of them the size of a model filling the
    /// window, are drawn nearest first (render/nearest_first.h): the same
    /// pixels with less to draw.
    void polygonParts(std::span<const std::span<const Face>> parts,
                      std::span<const Point> points) override;
    void colouredPolygonParts(std::span<const std::span<const Face>> parts,
                              std::span<const Point> points,
                              const FaceColouring& colouring) override;
    void ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
    void rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom) override;
    void textOut(std::int32_t x, std::int32_t y, std::string_view text) override;
    Rgb setTextColour(Rgb colour) override;
    void bitBlt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                DrawingSurface& source, std::int32_t srcX, std::int32_t srcY, RasterOp op) override;

  private:
    /// Sizes the buffers of drawing nearest first; false without the memory.
    bool prepareNearestFirst();
    std::uint8_t penByte() const { return channelOf(pen_.colour, channel_); }
    std::uint8_t brushByte() const { return channelOf(brush_.colour, channel_); }

    std::vector<std::uint8_t> bytes_;
    PlaneView view_{};
    Channel channel_ = Channel::Red;
    Pen pen_{};
    Brush brush_ = Brush::white();
    Rgb textColour_{};
    Point current_{};
    NearestFirstBuffers nearestFirst_;
};

}  // namespace kelpris
