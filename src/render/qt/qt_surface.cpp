#include "render/qt/qt_surface.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QLineF>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "render/face_walk.h"
#include "render/plane_surface.h"

namespace kelpris {

namespace {

QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QPen toQPen(const Pen& pen) {
    // Round ends and joins close the corners of frames drawn as separate
    // thick lines; a 1-pixel pen keeps both end points either way.
    const int width = std::max<std::int32_t>(pen.width, 1);
    return QPen(QBrush(toQColor(pen.colour)), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QBrush toQBrush(const Brush& brush) {
    if (brush.hollow) {
        return QBrush(Qt::NoBrush);
    }
    return QBrush(toQColor(brush.colour));
}

// Coordinates go to Qt as doubles (exact for every int32) so that no integer
// arithmetic inside Qt can overflow on far-off points.
QPointF toQPointF(std::int32_t x, std::int32_t y) {
    return QPointF(static_cast<double>(x), static_cast<double>(y));
}

QFont textFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QString resourcePath(int resourceId) {
    switch (resourceId) {
        case 132:
            return QStringLiteral(":/kelpris/bitmaps/132.png");
        case 133:
            return QStringLiteral(":/kelpris/bitmaps/133.png");
        default:
            return {};
    }
}

}  // namespace

QtImageSurface::QtImageSurface(QImage& target) : target_(&target) {
    // Not while another painter draws on it: that one keeps its format.
    if (!target.isNull() && !target.paintingActive() && target.format() != QImage::Format_RGB32) {
        target.convertTo(QImage::Format_RGB32);
    }
}

QtImageSurface::QtImageSurface(std::int32_t width, std::int32_t height) {
    if (width >= 1 && height >= 1) {
        ownImage_.emplace(width, height, QImage::Format_RGB32);
        if (!ownImage_->isNull()) {
            ownImage_->fill(Qt::white);
        }
    } else {
        ownImage_.emplace();
    }
    target_ = &*ownImage_;
}

QtImageSurface::QtImageSurface(MemoryTag) {
    QImage first(1, 1, QImage::Format_RGB32);
    first.fill(Qt::black);
    firstBitmap_ = std::make_unique<QtBitmap>(std::move(first));
    selected_ = firstBitmap_.get();
    target_ = &selected_->image();
}

QtImageSurface::~QtImageSurface() {
    endPainting();
}

bool QtImageSurface::savePng(const QString& path) const {
    return target_->save(path, "PNG");
}

bool QtImageSurface::beginPainting() {
    if (painter_.isActive()) {
        return true;
    }
    // paintingActive: another surface is drawing on this image right now.
    if (target_->isNull() || target_->paintingActive() || !painter_.begin(target_)) {
        return false;
    }
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setBackground(QBrush(Qt::white));
    viewValid_ = false;
    penDirty_ = true;
    brushDirty_ = true;
    fontSet_ = false;
    return true;
}

QPainter* QtImageSurface::painter() {
    if (!beginPainting()) {
        return nullptr;
    }
    if (penDirty_) {
        painter_.setPen(toQPen(pen_));
        penDirty_ = false;
    }
    if (brushDirty_) {
        painter_.setBrush(toQBrush(brush_));
        brushDirty_ = false;
    }
    return &painter_;
}

QPainter* QtImageSurface::outlinePainter() {
    QPainter* p = painter();
    if (p != nullptr) {
        p->setBrush(Qt::NoBrush);
        brushDirty_ = true;
    }
    return p;
}

PixelView QtImageSurface::lookUpPixels() {
    // viewValid_ is only set between beginPainting and endPainting, so pixels()
    // need not ask the painter whether it is active.
    if (!beginPainting()) {
        return {};
    }
    // The active painter keeps the image unshared (a copy made now is a deep
    // one), so bits() does not detach and the pixels stay where they are, the
    // raster engine writing there too, until painting ends.
    view_ = PixelView{};
    if (target_->format() == QImage::Format_RGB32) {
        uchar* bits = target_->bits();
        view_ = PixelView{reinterpret_cast<Pixel*>(bits), target_->width(), target_->height(),
                          static_cast<std::int64_t>(target_->bytesPerLine()) /
                              static_cast<std::int64_t>(sizeof(Pixel))};
    }
    viewValid_ = true;
    return view_;
}

void QtImageSurface::endPainting() {
    viewValid_ = false;
    if (painter_.isActive()) {
        painter_.end();
    }
}

std::unique_ptr<Bitmap> QtImageSurface::loadBitmap(int resourceId) {
    const QString path = resourcePath(resourceId);
    if (path.isEmpty()) {
        return nullptr;
    }
    QImage image(path);
    if (image.isNull()) {
        return nullptr;
    }
    return std::make_unique<QtBitmap>(image.convertToFormat(QImage::Format_RGB32));
}

std::unique_ptr<Bitmap> QtImageSurface::createCompatibleBitmap(std::int32_t width,
                                                               std::int32_t height) {
    if (width < 1 || height < 1) {
        return nullptr;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return nullptr;
    }
    image.fill(Qt::black);
    return std::make_unique<QtBitmap>(std::move(image));
}

std::unique_ptr<DrawingSurface> QtImageSurface::createCompatibleSurface() {
    return std::make_unique<QtImageSurface>(MemoryTag{});
}

Pen QtImageSurface::selectPen(const Pen& pen) {
    if (pen != pen_) {
        penDirty_ = true;
    }
    return std::exchange(pen_, pen);
}

Brush QtImageSurface::selectBrush(const Brush& brush) {
    if (brush != brush_) {
        brushDirty_ = true;
    }
    return std::exchange(brush_, brush);
}

Bitmap* QtImageSurface::selectBitmap(Bitmap* bitmap) {
    auto* next = dynamic_cast<QtBitmap*>(bitmap);
    if (firstBitmap_ == nullptr || next == nullptr) {
        return nullptr;
    }
    if (next != selected_) {
        // End now: the bitmap given up may be destroyed right after this call.
        endPainting();
        target_ = &next->image();
    }
    return std::exchange(selected_, next);
}

void QtImageSurface::moveTo(std::int32_t x, std::int32_t y) {
    current_ = Point{x, y};
}

void QtImageSurface::lineTo(std::int32_t x, std::int32_t y) {
    const Point to{x, y};
    if (!thickPen()) {
        raster::line(pixels(), current_, to, toPixel(pen_.colour));
    } else if (QPainter* p = painter()) {
        p->drawLine(QLineF(toQPointF(current_.x, current_.y), toQPointF(x, y)));
    }
    current_ = to;
}

void QtImageSurface::polygon(std::span<const Point> points) {
    if (points.size() < 3) {
        return;
    }
    const auto corners = points.first(std::min<std::size_t>(points.size(), 4));
    const PixelView view = pixels();
    const Pixel fill = toPixel(brush_.colour);
    const Pixel* brush = brush_.hollow ? nullptr : &fill;
    if (!thickPen()) {
        raster::polygon(view, corners, brush, toPixel(pen_.colour));
        return;
    }
    if (brush != nullptr) {
        raster::fillPolygon(view, corners, fill);
    }
    // All corners on one point: lines from a point to itself, which a thick
    // pen does not draw (Qt would put a round dot there).
    if (std::all_of(corners.begin(), corners.end(), [&](Point c) { return c == corners[0]; })) {
        return;
    }
    std::array<QPointF, 4> path{};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        path[i] = toQPointF(corners[i].x, corners[i].y);
    }
    if (QPainter* p = outlinePainter()) {
        p->drawPolygon(path.data(), static_cast<int>(corners.size()));
    }
}

void QtImageSurface::polygons(std::span<const Face> faces, std::span<const Point> points) {
    if (faces.empty()) {
        return;
    }
    if (thickPen()) {
        DrawingSurface::polygons(faces, points);
        return;
    }
    // What polygon() hands the rasteriser for a 1-pixel pen, once for all
    // faces: a million faces would otherwise pay a virtual call and these
    // lookups each.
    const Pixel fill = toPixel(brush_.colour);
    drawFacePolygons(pixels(), faces, points, brush_.hollow ? nullptr : &fill,
                     toPixel(pen_.colour));
}

void QtImageSurface::colouredPolygons(std::span<const Face> faces, std::span<const Point> points,
                                      std::span<const FaceColours> colours) {
    // Every face's pen is 1 pixel wide: straight into the pixels.
    drawShadedFacePolygons(
        pixels(), faces.first(std::min(faces.size(), colours.size())), points,
        [colours](std::size_t k) {
            return FaceShade<Pixel>{toPixel(colours[k].fill), toPixel(colours[k].outline), true};
        });
}

void QtImageSurface::ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom) {
        return;  // a box covering no pixel
    }
    // Qt's 1-pixel outline of the rectangle from (l, t) to (r', b') covers
    // columns l .. r' and rows t .. b'; a thick one is centred on the border
    // from (l, t) to (r, b). Sizes in double: they may not fit in 32 bits.
    const double inset = thickPen() ? 0.0 : 1.0;
    const double width = static_cast<double>(right) - inset - static_cast<double>(left);
    const double height = static_cast<double>(bottom) - inset - static_cast<double>(top);
    if ((width == 0.0 || height == 0.0) && !thickPen()) {
        // One pixel across: Qt would draw nothing; the outline is the box.
        raster::rectangle(pixels(), left, top, right, bottom, nullptr, toPixel(pen_.colour));
        return;
    }
    if (QPainter* p = painter()) {
        p->drawEllipse(QRectF(static_cast<double>(left), static_cast<double>(top), width, height));
    }
}

void QtImageSurface::rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) {
    const PixelView view = pixels();
    const Pixel fill = toPixel(brush_.colour);
    const Pixel* brush = brush_.hollow ? nullptr : &fill;
    if (!thickPen()) {
        raster::rectangle(view, left, top, right, bottom, brush, toPixel(pen_.colour));
        return;
    }
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom) {
        return;
    }
    if (brush != nullptr) {
        raster::fillBox(view, left, top, right, bottom, fill);
    }
    // The thick pen is centred on the border from (l, t) to (r, b).
    const double width = static_cast<double>(right) - static_cast<double>(left);
    const double height = static_cast<double>(bottom) - static_cast<double>(top);
    if (QPainter* p = outlinePainter()) {
        p->drawRect(QRectF(static_cast<double>(left), static_cast<double>(top), width, height));
    }
}

void QtImageSurface::textOut(std::int32_t x, std::int32_t y, std::string_view text) {
    QPainter* p = painter();
    if (p == nullptr || text.empty()) {
        return;
    }
    if (!fontSet_) {
        p->setFont(textFont());
        fontSet_ = true;
    }
    p->setPen(toQColor(textColour_));
    penDirty_ = true;
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // drawText places the baseline; the opaque background covers ascent and
    // descent, so the box's top edge lands on y.
    const double baseline = static_cast<double>(y) + p->fontMetrics().ascent();
    // Opaque only for text: in opaque mode Qt drops zero-length lines.
    p->setBackgroundMode(Qt::OpaqueMode);
    p->drawText(QPointF(static_cast<double>(x), baseline), string);
    p->setBackgroundMode(Qt::TransparentMode);
}

Rgb QtImageSurface::setTextColour(Rgb colour) {
    return std::exchange(textColour_, colour);
}

void QtImageSurface::bitBlt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                            DrawingSurface& source, std::int32_t srcX, std::int32_t srcY,
                            RasterOp op) {
    if (width < 1 || height < 1 || (op != RasterOp::SrcCopy && op != RasterOp::SrcPaint)) {
        return;
    }
    const raster::BlockOp blockOp =
        op == RasterOp::SrcPaint ? raster::BlockOp::Or : raster::BlockOp::Copy;
    if (const auto* plane = dynamic_cast<const PlaneSurface*>(&source)) {
        raster::transfer(pixels(), x, y, width, height, plane->plane(), plane->channel(), srcX,
                         srcY, blockOp);
        return;
    }
    auto* from = dynamic_cast<QtImageSurface*>(&source);
    if (from == nullptr) {
        return;
    }
    // The target's pixels first: that unshares the target from any copy of
    // it, the source's included, before the source's pixels are read.
    const PixelView target = pixels();
    const QImage& sourceImage = from->image();
    if (sourceImage.format() != QImage::Format_RGB32) {
        return;
    }
    // Only read; transfer clips to both images in 64 bits.
    const PixelView sourceView{
        reinterpret_cast<Pixel*>(const_cast<uchar*>(sourceImage.constBits())), sourceImage.width(),
        sourceImage.height(),
        static_cast<std::int64_t>(sourceImage.bytesPerLine()) /
            static_cast<std::int64_t>(sizeof(Pixel))};
    raster::transfer(target, x, y, width, height, sourceView, srcX, srcY, blockOp);
}

}  // namespace kelpris
