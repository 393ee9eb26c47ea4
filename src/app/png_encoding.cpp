#include "app/png_encoding.h"

#include <QBuffer>
#include <QImageWriter>
#include <QList>
#include <algorithm>
#include <optional>

namespace kelpris {

namespace {

constexpr qsizetype kMaxPaletteColours = 256;
// zlib level 1: the pictures are large flat areas, which compress well even
// at the fastest level.
constexpr int kFastQuality = 80;  // the PNG writer maps quality 80 to level 1

// The distinct colours of an RGB32 picture, or nothing when there are more
// than a palette holds. Runs of one colour cost one comparison per pixel.
std::optional<QList<QRgb>> paletteOf(const QImage& rgb) {
    QList<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        QRgb last = 0;
        bool haveLast = false;
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x];
            if (haveLast && c == last) {
                continue;
            }
            last = c;
            haveLast = true;
            if (!colours.contains(c)) {
                if (colours.size() == kMaxPaletteColours) {
                    return std::nullopt;
                }
                colours.append(c);
            }
        }
    }
    std::sort(colours.begin(), colours.end());  // the same picture, the same file
    return colours;
}

}  // namespace

QByteArray encodePng(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    QImage toWrite = rgb;
    if (const std::optional<QList<QRgb>> palette = paletteOf(rgb)) {
        // Every pixel has its exact colour in the table, so no dithering or
        // nearest-colour choice can change it.
        toWrite = rgb.convertToFormat(QImage::Format_Indexed8, *palette,
                                      Qt::ThresholdDither | Qt::AvoidDither);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return {};
    }
    QImageWriter writer(&buffer, "png");
    writer.setQuality(kFastQuality);
    if (!writer.write(toWrite)) {
        return {};
    }
    return bytes;
}

}  // namespace kelpris
