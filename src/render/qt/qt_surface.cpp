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

QtImageSurface::QtImageSurface(QImage& target) : target_(&target) {}

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

QPainter* QtImageSurface::painter() {
    if (!painter_.isActive()) {
        // paintingActive: another surface is drawing on this image right now.
        if (target_->isNull() || target_->paintingActive() || !painter_.begin(target_)) {
            return nullptr;
        }
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, false);
        painter_.setBackground(QBrush(Qt::white));
        penDirty_ = true;
        brushDirty_ = true;
        fontSet_ = false;
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

void QtImageSurface::endPainting() {
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
    if (QPainter* p = painter()) {
        p->drawLine(QLineF(toQPointF(current_.x, current_.y), toQPointF(x, y)));
    }
    current_ = Point{x, y};
}

void QtImageSurface::polygon(std::span<const Point> points) {
    if (points.size() < 3) {
        return;
    }
    const std::size_t count = std::min<std::size_t>(points.size(), 4);
    std::array<QPointF, 4> corners{};
    for (std::size_t i = 0; i < count; ++i) {
        corners[i] = toQPointF(points[i].x, points[i].y);
    }
    QPainter* p = painter();
    if (p == nullptr) {
        return;
    }
    // Qt draws nothing for a polygon whose corners all coincide (a face seen
    // from far away); its outline is the line from that point to itself.
    const auto used = points.first(count);
    if (std::all_of(used.begin(), used.end(), [&](Point c) { return c == used[0]; })) {
        p->drawLine(QLineF(corners[0], corners[0]));
        return;
    }
    p->drawPolygon(corners.data(), static_cast<int>(count), Qt::OddEvenFill);
}

void QtImageSurface::drawBox(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom, bool ellipse) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    QPainter* p = painter();
    if (p == nullptr) {
        return;
    }
    // Width and height in double: right - left may not fit in 32 bits.
    const QRectF box(static_cast<double>(left), static_cast<double>(top),
                     static_cast<double>(right) - static_cast<double>(left),
                     static_cast<double>(bottom) - static_cast<double>(top));
    if (left == right && top == bottom) {
        // A box of one point: Qt would draw nothing, the outline marks the pixel.
        const QPointF point = toQPointF(left, top);
        p->drawLine(QLineF(point, point));
    } else if (ellipse) {
        p->drawEllipse(box);
    } else {
        p->drawRect(box);
    }
}

void QtImageSurface::ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
    drawBox(left, top, right, bottom, true);
}

void QtImageSurface::rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) {
    drawBox(left, top, right, bottom, false);
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
    auto* from = dynamic_cast<QtImageSurface*>(&source);
    if (from == nullptr || width < 1 || height < 1 ||
        (op != RasterOp::SrcCopy && op != RasterOp::SrcPaint)) {
        return;
    }
    const QImage& sourceImage = from->image();
    // Clip in 64 bits: first to the source image, then to this surface,
    // moving the other rectangle along.
    const std::int64_t sx0 = srcX;
    const std::int64_t sy0 = srcY;
    std::int64_t left = std::max<std::int64_t>(sx0, 0);
    std::int64_t top = std::max<std::int64_t>(sy0, 0);
    std::int64_t right = std::min<std::int64_t>(sx0 + width, sourceImage.width());
    std::int64_t bottom = std::min<std::int64_t>(sy0 + height, sourceImage.height());
    const std::int64_t shiftX = static_cast<std::int64_t>(x) - sx0;
    const std::int64_t shiftY = static_cast<std::int64_t>(y) - sy0;
    left = std::max<std::int64_t>(left, -shiftX);
    top = std::max<std::int64_t>(top, -shiftY);
    right = std::min<std::int64_t>(right, target_->width() - shiftX);
    bottom = std::min<std::int64_t>(bottom, target_->height() - shiftY);
    if (left >= right || top >= bottom) {
        return;
    }
    QPainter* p = painter();
    if (p == nullptr) {
        return;
    }
    // Everything is inside both images now, so it fits in int.
    const QRect block(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                      static_cast<int>(bottom - top));
    const QPoint at(static_cast<int>(left + shiftX), static_cast<int>(top + shiftY));
    p->setCompositionMode(op == RasterOp::SrcPaint ? QPainter::RasterOp_SourceOrDestination
                                                   : QPainter::CompositionMode_Source);
    if (&sourceImage == target_) {
        // A block of the image being drawn on: go through a copy.
        p->drawImage(at, sourceImage.copy(block));
    } else {
        p->drawImage(at, sourceImage, block);
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace kelpris
