#include "render/qt/png_encoding.h"

#include <QBuffer>
#include <QImageWriter>
#include <QList>
#include <string_view>

#include "base/file_io.h"

namespace kelpris {

namespace {

constexpr qsizetype kMaxPaletteColours = 256;
// zlib level 1: the pictures are large flat areas, which compress well even
// at the fastest level.
constexpr int kFastQuality = 80;  // the PNG writer maps quality 80 to level 1

// The picture as palette indices with a table of exactly the colours it
// holds (in order of first appearance, so the same picture gives the same
// file), or a null image when it has more colours than a palette holds. One
// pass; a run of one colour costs one comparison per pixel.
QImage indexedCopy(const QImage& rgb) {
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    if (indexed.isNull()) {
        return {};
    }
    QList<QRgb> colours;
    const int width = rgb.width();
    QRgb last = 0;
    uchar lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = in[x];
            if (!haveLast || c != last) {
                const qsizetype found = colours.indexOf(c);
                if (found >= 0) {
                    lastIndex = static_cast<uchar>(found);
                } else if (colours.size() == kMaxPaletteColours) {
                    return {};
                } else {
                    lastIndex = static_cast<uchar>(colours.size());
                    colours.append(c);
                }
                last = c;
                haveLast = true;
            }
            out[x] = lastIndex;
        }
    }
    indexed.setColorTable(colours);
    return indexed;
}

}  // namespace

QByteArray encodePng(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    QImage toWrite = indexedCopy(rgb);
    if (toWrite.isNull()) {
        toWrite = rgb;
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

FileStatus writePngFile(const QImage& image, const std::filesystem::path& path) {
    const QByteArray png = encodePng(image);
    if (png.isEmpty()) {
        return FileStatus::failure(path.string(), 0, "cannot encode the picture as PNG");
    }
    return writeFileAtomically(
        path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

}  // namespace kelpris
