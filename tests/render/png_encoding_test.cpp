// PNG encoding: whatever the number of colours, decoding gives back exactly
// the pixels drawn; pictures of up to 256 colours are stored with a palette.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <functional>

#include "render/qt/png_encoding.h"

namespace kelpris {
namespace {

// A width x height picture whose pixel (x, y) is colour(x, y).
QImage picture(int width, int height, const std::function<QRgb(int, int)>& colour) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, colour(x, y));
        }
    }
    return image;
}

TEST(PngEncodingTest, decodedPixelsEqualTheDrawnOnes) {
    struct Case {
        const char* name;
        QImage image;
        bool palette;  // expected to be stored with a palette (at most 8 bits a pixel)
    };
    const Case cases[] = {
        {"one colour", picture(7, 5, [](int, int) { return qRgb(0, 0, 0); }), true},
        {"stereo colours",
         picture(64, 48,
                 [](int x, int y) {
                     const QRgb c[] = {qRgb(0, 0, 0), qRgb(180, 100, 0), qRgb(215, 0, 0),
                                       qRgb(0, 120, 0), qRgb(200, 0, 200)};
                     return c[(x * 7 + y * 3) % 5];
                 }),
         true},
        {"512 colours", picture(256, 3, [](int x, int y) { return qRgb(x, x, (x + y) % 2); }),
         false},
        // Neighbouring colours: a nearest-colour choice without the exact
        // table would merge them.
        {"exactly 256", picture(16, 16, [](int x, int y) { return qRgb(x, y, 255 - x); }), true},
        {"257 colours", picture(257, 2, [](int x, int) { return qRgb(x % 256, x / 256, 9); }),
         false},
        {"many colours", picture(300, 200, [](int x, int y) { return qRgb(x, y, x ^ y); }), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = encodePng(c.image);
        ASSERT_FALSE(bytes.isEmpty());
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        QImageReader reader(&buffer, "png");
        const QImage decoded = reader.read();
        ASSERT_FALSE(decoded.isNull()) << reader.errorString().toStdString();
        // The colour type in the header: 3 palette, 0 grey (a palette of greys
        // only), 2 or 6 full colour.
        const char colourType = bytes.at(25);
        EXPECT_EQ(colourType == 3 || colourType == 0, c.palette) << int(colourType);
        EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB32) == c.image);
    }
}

TEST(PngEncodingTest, samePictureSameBytes) {
    const QImage image = picture(40, 30, [](int x, int y) { return qRgb(x % 3 * 90, y % 4, 0); });
    EXPECT_EQ(encodePng(image), encodePng(image.copy()));
}

TEST(PngEncodingTest, nullPictureGivesNothing) {
    EXPECT_TRUE(encodePng(QImage()).isEmpty());
}

}  // namespace
}  // namespace kelpris
