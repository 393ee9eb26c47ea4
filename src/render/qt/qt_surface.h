#pragma once
// The DrawingSurface on Qt 6: draws into a QImage of Format_RGB32 following
// the pixel rules of drawing_surface.h. Polygons, 1-pixel lines, rectangles
// and block transfers are written straight into the image's pixels by the
// span rasteriser; text, thick pens and ellipses go through one QPainter kept
// active between calls (pens and brushes are applied lazily), without
// antialiasing. Both write the same memory: the active painter keeps the
// image unshared, so its pixel pointer stays put while the surface draws.
//
// A QGuiApplication must exist before textOut is used (fonts need it); the
// other operations work without one.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "render/drawing_surface.h"
#include "render/raster.h"

namespace kelpris {

/// A bitmap holding a Format_RGB32 image (an image of another format is
/// converted). Only QtImageSurface accepts it.
class QtBitmap final : public Bitmap {
  public:
    explicit QtBitmap(QImage image)
        : image_(image.format() == QImage::Format_RGB32
                     ? std::move(image)
                     : image.convertToFormat(QImage::Format_RGB32)) {}
    std::int32_t width() const override { return image_.width(); }
    std::int32_t height() const override { return image_.height(); }
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

  private:
    QImage image_;
};

class QtImageSurface final : public DrawingSurface {
  public:
    /// Draws onto `target`, owned elsewhere (the view's back buffer), which
    /// must outlive the surface; an image of another format than
    /// Format_RGB32 is converted to it first. Bitmaps cannot be selected into
    /// such a surface.
    explicit QtImageSurface(QImage& target);
    /// Owns a width x height Format_RGB32 image filled white (sizes below 1
    /// give an empty image that ignores all drawing). Bitmaps cannot be
    /// selected into it.
    QtImageSurface(std::int32_t width, std::int32_t height);
    ~QtImageSurface() override;
    QtImageSurface(const QtImageSurface&) = delete;
    QtImageSurface& operator=(const QtImageSurface&) = delete;

    /// The image drawn on now: for a memory surface, the selected bitmap's.
    /// Everything drawn so far is in it. Once the surface has drawn on it, it
    /// must not be replaced or converted (QPainter forbids that as well);
    /// replaced before, by an image of another format than Format_RGB32, it
    /// makes the surface ignore polygons, 1-pixel lines, rectangles and block
    /// transfers.
    QImage& image() { return *target_; }
    const QImage& image() const { return *target_; }
    /// Writes image() as PNG; false when it cannot be written.
    [[nodiscard]] bool savePng(const QString& path) const;

    /// 132 and 133 come from the resources ":/kelpris/bitmaps/132.png" and
    /// "133.png"; null for any other number or when the picture is missing.
    std::unique_ptr<Bitmap> loadBitmap(int resourceId) override;
    /// Null when either size is below 1 or the image cannot be allocated.
    std::unique_ptr<Bitmap> createCompatibleBitmap(std::int32_t width,
                                                   std::int32_t height) override;
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override;

    Pen selectPen(const Pen& pen) override;
    Brush selectBrush(const Brush& brush) override;
    /// Memory surfaces only. A null bitmap, a bitmap of another
    /// implementation, or a call on a non-memory surface changes nothing and
    /// returns null. A bitmap already being drawn on by another surface is
    /// accepted, but drawing through this surface then does nothing.
    Bitmap* selectBitmap(Bitmap* bitmap) override;

    void moveTo(std::int32_t x, std::int32_t y) override;
    void lineTo(std::int32_t x, std::int32_t y) override;
    /// Fewer than 3 points draw nothing; points past the fourth are ignored.
    void polygon(std::span<const Point> points) override;
    /// Straight into the pixels while the pen is 1 pixel wide.
    void polygons(std::span<const Face> faces, std::span<const Point> points) override;
    void colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                          std::span<const FaceColours> colours) override;
    void ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
    void rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom) override;
    /// The bytes are read as UTF-8.
    void textOut(std::int32_t x, std::int32_t y, std::string_view text) override;
    Rgb setTextColour(Rgb colour) override;
    /// `source` must be a QtImageSurface or a PlaneSurface; any other
    /// source, or a raster operation other than the two named ones,
    /// transfers nothing.
    void bitBlt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                DrawingSurface& source, std::int32_t srcX, std::int32_t srcY, RasterOp op) override;
    bool takesPlanes() const override { return true; }

  private:
    struct MemoryTag {};

  public:
    /// A memory surface with its own 1x1 bitmap selected; only
    /// createCompatibleSurface can name the tag.
    explicit QtImageSurface(MemoryTag);

  private:
    /// Starts painting on the current target if needed; false when the target
    /// cannot be drawn on (empty, or busy in another surface's painter).
    bool beginPainting();
    /// The painter on the current target with the selected pen and brush
    /// applied, or null when the target cannot be painted on.
    QPainter* painter();
    void endPainting();
    /// The current target's pixels for direct writes (painting begins if it
    /// has not); empty when the target cannot be drawn on or is not
    /// Format_RGB32. Looked up once per painting; inline, as every shape asks.
    PixelView pixels() { return viewValid_ ? view_ : lookUpPixels(); }
    PixelView lookUpPixels();
    bool thickPen() const { return pen_.width > 1; }
    /// Painter with the selected pen and no brush, for thick outlines.
    QPainter* outlinePainter();

    std::optional<QImage> ownImage_;         // the (width, height) constructor
    std::unique_ptr<QtBitmap> firstBitmap_;  // a memory surface's own 1x1 bitmap
    QtBitmap* selected_ = nullptr;           // memory surfaces: the bitmap drawn on
    QImage* target_ = nullptr;

    Pen pen_{};
    Brush brush_ = Brush::white();
    Rgb textColour_{};
    Point current_{};
    bool penDirty_ = true;
    bool brushDirty_ = true;
    bool fontSet_ = false;
    PixelView view_{};  // the target's pixels while painting, once looked up
    bool viewValid_ = false;
    QPainter painter_;  // last, so it ends before the images above go away
};

/// The colour of one pixel of a drawn image (Format_RGB32), for reading a
/// picture back, e.g. to check what was drawn. (x, y) must lie in the image.
inline Rgb rgbAt(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return Rgb{static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
               static_cast<std::uint8_t>(qBlue(p))};
}

}  // namespace kelpris
