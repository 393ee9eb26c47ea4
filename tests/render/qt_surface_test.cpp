// Pixel tests of the Qt drawing surface against the rules written in
// drawing_surface.h.

#include "render/qt/qt_surface.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <array>
#include <limits>
#include <vector>

namespace kelpris {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{215, 0, 0};
constexpr Rgb kGreen{0, 120, 0};
constexpr Rgb kYellow{255, 255, 0};

/// The pixels that differ from `background`, row by row.
std::vector<Point> marked(const QImage& image, Rgb background = kWhite) {
    std::vector<Point> out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (rgbAt(image, x, y) != background) {
                out.push_back({x, y});
            }
        }
    }
    return out;
}

bool contains(const std::vector<Point>& points, Point p) {
    return std::find(points.begin(), points.end(), p) != points.end();
}

TEST(QtImageSurface, startsWhiteWithBlackPenWhiteBrushAndBlackText) {
    QtImageSurface surface(6, 4);
    EXPECT_EQ(surface.image().format(), QImage::Format_RGB32);
    EXPECT_TRUE(marked(surface.image()).empty());
    EXPECT_EQ(surface.selectPen(Pen{3, kRed}), (Pen{1, kBlack}));
    EXPECT_EQ(surface.selectBrush(Brush::black()), Brush::white());
    EXPECT_EQ(surface.setTextColour(kRed), kBlack);
    // Each select hands back what the previous one put in.
    EXPECT_EQ(surface.selectPen(Pen{}), (Pen{3, kRed}));
    EXPECT_EQ(surface.selectBrush(Brush::hollowBrush()), Brush::black());
    EXPECT_EQ(surface.setTextColour(kBlack), kRed);
}

TEST(QtImageSurface, memorySurfaceStartsWithOwnBitmapAndDefaultTools) {
    QtImageSurface window(4, 4);
    auto memory = window.createCompatibleSurface();
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->selectPen(Pen{}), (Pen{1, kBlack}));
    EXPECT_EQ(memory->selectBrush(Brush::white()), Brush::white());
    EXPECT_EQ(memory->setTextColour(kBlack), kBlack);
    auto bitmap = window.createCompatibleBitmap(5, 3);
    Bitmap* first = memory->selectBitmap(bitmap.get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width(), 1);
    EXPECT_EQ(first->height(), 1);
    EXPECT_EQ(memory->selectBitmap(first), bitmap.get());
}

TEST(QtImageSurface, onePixelLinesCoverTheirPathWithBothEndPoints) {
    QtImageSurface surface(20, 20);
    surface.moveTo(2, 3);
    surface.lineTo(10, 3);  // horizontal
    std::vector<Point> want;
    for (int x = 2; x <= 10; ++x) {
        want.push_back({x, 3});
    }
    EXPECT_EQ(marked(surface.image()), want);

    QtImageSurface vertical(20, 20);
    vertical.moveTo(4, 12);  // drawn upwards
    vertical.lineTo(4, 5);
    want.clear();
    for (int y = 5; y <= 12; ++y) {
        want.push_back({4, y});
    }
    EXPECT_EQ(marked(vertical.image()), want);

    QtImageSurface diagonal(20, 20);
    diagonal.moveTo(3, 4);
    diagonal.lineTo(11, 12);
    want.clear();
    for (int i = 0; i <= 8; ++i) {
        want.push_back({3 + i, 4 + i});
    }
    EXPECT_EQ(marked(diagonal.image()), want);

    // A shallow line: exactly one pixel per column, rising steadily, less
    // than a pixel off the ideal line.
    QtImageSurface shallow(20, 20);
    shallow.moveTo(1, 2);
    shallow.lineTo(17, 7);
    const auto got = marked(shallow.image());
    ASSERT_EQ(got.size(), 17u);
    std::vector<int> rowOfColumn(20, -1);
    for (const Point p : got) {
        const double ideal = 2.0 + (p.x - 1) * 5.0 / 16.0;
        EXPECT_LT(std::abs(p.y - ideal), 1.0) << p.x << "," << p.y;
        EXPECT_EQ(rowOfColumn[p.x], -1) << "two pixels in column " << p.x;
        rowOfColumn[p.x] = p.y;
    }
    for (int x = 2; x <= 17; ++x) {
        EXPECT_GE(rowOfColumn[x], rowOfColumn[x - 1]) << x;
    }
    EXPECT_TRUE(contains(got, {1, 2}));
    EXPECT_TRUE(contains(got, {17, 7}));
}

TEST(QtImageSurface, lineToContinuesFromTheLastPointAndZeroLengthMarksOnePixel) {
    QtImageSurface surface(12, 12);
    surface.selectPen(Pen{1, kRed});
    surface.moveTo(2, 2);
    surface.lineTo(6, 2);
    surface.lineTo(6, 6);
    EXPECT_EQ(marked(surface.image()).size(), 9u);  // 5 + 5 sharing (6, 2)
    EXPECT_EQ(rgbAt(surface.image(), 6, 6), kRed);

    QtImageSurface dot(5, 5);
    dot.moveTo(2, 2);
    dot.lineTo(2, 2);
    EXPECT_EQ(marked(dot.image()), (std::vector<Point>{{2, 2}}));
}

TEST(QtImageSurface, thickPenCoversItsWidthAcrossWithRoundEnds) {
    for (const int width : {2, 4, 5}) {
        QtImageSurface surface(40, 40);
        surface.selectPen(Pen{width, kBlack});
        surface.moveTo(10, 10);
        surface.lineTo(30, 10);  // horizontal on row 10
        surface.moveTo(20, 20);
        surface.lineTo(20, 35);  // vertical on column 20
        const QImage& image = surface.image();
        const int first = -width / 2;
        for (int d = -6; d <= 6; ++d) {
            const bool inside = d >= first && d < first + width;
            EXPECT_EQ(rgbAt(image, 15, 10 + d) == kBlack, inside)
                << "width " << width << " d " << d;
            EXPECT_EQ(rgbAt(image, 20 + d, 28) == kBlack, inside)
                << "width " << width << " d " << d;
        }
        // Round ends reach about half the width past the end point, no more.
        EXPECT_EQ(rgbAt(image, 30, 10), kBlack);
        EXPECT_EQ(rgbAt(image, 30 + width / 2 + 1, 10), kWhite) << width;
    }
}

TEST(QtImageSurface, widthBelowOneDrawsAsOnePixel) {
    for (const int width : {0, -3, std::numeric_limits<std::int32_t>::min()}) {
        QtImageSurface surface(10, 10);
        surface.selectPen(Pen{width, kBlack});
        surface.moveTo(1, 5);
        surface.lineTo(8, 5);
        EXPECT_EQ(marked(surface.image()).size(), 8u) << width;
    }
}

TEST(QtImageSurface, polygonFillsItsInsideAndOutlinesEveryCorner) {
    QtImageSurface surface(24, 24);
    surface.selectPen(Pen{1, kBlack});
    surface.selectBrush(Brush::solid(kRed));
    const std::array<Point, 3> triangle{{{2, 2}, {20, 2}, {2, 20}}};
    surface.polygon(triangle);
    const QImage& image = surface.image();
    for (const Point corner : triangle) {
        EXPECT_EQ(rgbAt(image, corner.x, corner.y), kBlack);
    }
    EXPECT_EQ(rgbAt(image, 6, 6), kRed);
    EXPECT_EQ(rgbAt(image, 3, 18), kRed);
    EXPECT_EQ(rgbAt(image, 3, 19), kBlack);  // the outline meets the fill
    EXPECT_EQ(rgbAt(image, 3, 20), kWhite);
    EXPECT_EQ(rgbAt(image, 11, 2), kBlack);  // on an edge
    EXPECT_EQ(rgbAt(image, 15, 15), kWhite);
    EXPECT_EQ(rgbAt(image, 1, 1), kWhite);

    // Hollow brush: outline only; a quad with two equal corners still closes.
    QtImageSurface hollow(24, 24);
    hollow.selectBrush(Brush::hollowBrush());
    const std::array<Point, 4> quad{{{2, 2}, {20, 2}, {20, 2}, {2, 20}}};
    hollow.polygon(quad);
    EXPECT_EQ(rgbAt(hollow.image(), 6, 6), kWhite);
    EXPECT_EQ(rgbAt(hollow.image(), 2, 11), kBlack);
    EXPECT_EQ(rgbAt(hollow.image(), 11, 11), kBlack);

    // Fewer than three points draw nothing.
    QtImageSurface few(8, 8);
    const std::array<Point, 2> two{{{1, 1}, {6, 6}}};
    few.polygon(two);
    EXPECT_TRUE(marked(few.image()).empty());
}

TEST(QtImageSurface, polygonOrBoxShrunkToOnePointMarksThatPixel) {
    // A far face whose corners all land on one pixel must not leave a hole.
    const std::array<Point, 3> triangle{{{5, 3}, {5, 3}, {5, 3}}};
    const std::array<Point, 4> quad{{{5, 3}, {5, 3}, {5, 3}, {5, 3}}};
    for (const std::span<const Point> corners :
         {std::span<const Point>(triangle), std::span<const Point>(quad)}) {
        QtImageSurface surface(10, 8);
        surface.selectPen(Pen{1, kGreen});
        surface.selectBrush(Brush::solid(kRed));
        surface.polygon(corners);
        EXPECT_EQ(marked(surface.image()), (std::vector<Point>{{5, 3}})) << corners.size();
        EXPECT_EQ(rgbAt(surface.image(), 5, 3), kGreen);
    }
    // An outlined box (l, t, r, b) covers (r - l) x (b - t) pixels: one
    // pixel, or none at all.
    QtImageSurface box(10, 8);
    box.rectangle(4, 2, 5, 3);
    box.ellipse(7, 5, 8, 6);
    box.rectangle(1, 1, 1, 6);
    box.ellipse(2, 6, 9, 6);
    box.ellipse(3, 3, 3, 3);
    EXPECT_EQ(marked(box.image()), (std::vector<Point>{{4, 2}, {7, 5}}));
    // One pixel wide or high: the ellipse's outline is the box itself.
    QtImageSurface thin(10, 8);
    thin.ellipse(2, 1, 3, 5);
    thin.ellipse(4, 6, 8, 7);
    EXPECT_EQ(marked(thin.image()),
              (std::vector<Point>{{2, 1}, {2, 2}, {2, 3}, {2, 4}, {4, 6}, {5, 6}, {6, 6}, {7, 6}}));
}

TEST(QtImageSurface, rectangleCoversItsBoxWithoutRightAndBottomAndBrushFillsInside) {
    QtImageSurface surface(12, 12);
    surface.selectBrush(Brush::solid(kRed));
    surface.rectangle(2, 3, 7, 7);
    const QImage& image = surface.image();
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool in = x >= 2 && x < 7 && y >= 3 && y < 7;
            const bool border = in && (x == 2 || x == 6 || y == 3 || y == 6);
            const Rgb want = border ? kBlack : in ? kRed : kWhite;
            EXPECT_EQ(rgbAt(image, x, y), want) << x << "," << y;
        }
    }
    // A box given the other way round is the same box.
    QtImageSurface swapped(12, 12);
    swapped.selectBrush(Brush::solid(kRed));
    swapped.rectangle(7, 7, 2, 3);
    EXPECT_EQ(swapped.image(), surface.image());
}

TEST(QtImageSurface, blackRectangleOverTheWholeSurfaceClearsIt) {
    QtImageSurface surface(9, 7);
    surface.moveTo(0, 0);
    surface.lineTo(8, 6);
    surface.selectBrush(Brush::black());
    surface.rectangle(0, 0, 9, 7);
    EXPECT_TRUE(marked(surface.image(), kBlack).empty());
    surface.selectBrush(Brush::white());
    surface.selectPen(Pen{1, kWhite});
    surface.rectangle(0, 0, 9, 7);
    EXPECT_TRUE(marked(surface.image()).empty());
}

TEST(QtImageSurface, thickRingIsHollowAndCentredOnThePixelCorner) {
    QtImageSurface surface(30, 30);
    surface.selectPen(Pen{5, kYellow});
    surface.selectBrush(Brush::hollowBrush());
    const int cx = 15;
    const int cy = 14;
    surface.ellipse(cx - 4, cy - 4, cx + 4, cy + 4);
    const QImage& image = surface.image();
    // Hollow: the four pixels round the centre corner keep the background.
    EXPECT_EQ(rgbAt(image, cx, cy), kWhite);
    EXPECT_EQ(rgbAt(image, cx - 1, cy - 1), kWhite);
    // The ring itself is solid yellow, nothing else is touched.
    for (const Point p : marked(image)) {
        EXPECT_EQ(rgbAt(image, p.x, p.y), kYellow);
        EXPECT_LE(std::abs(p.x - cx), 7);
        EXPECT_LE(std::abs(p.y - cy), 7);
    }
    EXPECT_EQ(rgbAt(image, cx + 4, cy), kYellow);
    EXPECT_EQ(rgbAt(image, cx, cy - 4), kYellow);
    // Mirror symmetric about the corner (cx, cy).
    for (int dy = -8; dy < 8; ++dy) {
        for (int dx = -8; dx < 8; ++dx) {
            EXPECT_EQ(rgbAt(image, cx + dx, cy + dy), rgbAt(image, cx - 1 - dx, cy + dy));
            EXPECT_EQ(rgbAt(image, cx + dx, cy + dy), rgbAt(image, cx + dx, cy - 1 - dy));
        }
    }
}

TEST(QtImageSurface, ellipseBrushFillsTheInside) {
    QtImageSurface surface(20, 20);
    surface.selectBrush(Brush::solid(kGreen));
    surface.ellipse(2, 4, 16, 12);
    EXPECT_EQ(rgbAt(surface.image(), 9, 8), kGreen);
    EXPECT_EQ(rgbAt(surface.image(), 2, 8), kBlack);   // left end of the outline
    EXPECT_EQ(rgbAt(surface.image(), 15, 8), kBlack);  // right end: the last column
    EXPECT_EQ(rgbAt(surface.image(), 16, 8), kWhite);
    EXPECT_EQ(rgbAt(surface.image(), 2, 4), kWhite);  // box corner is outside
    // The outline reaches every side of the box and stays within it.
    int top = 20, bottom = -1, left = 20, right = -1;
    for (const Point p : marked(surface.image())) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        left = std::min(left, p.x);
        right = std::max(right, p.x);
    }
    EXPECT_EQ(top, 4);
    EXPECT_EQ(bottom, 11);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 15);
}

TEST(QtImageSurface, textIsOpaqueUnsmoothedAndStartsAtItsTopLeft) {
    QtImageSurface surface(120, 30);
    surface.selectBrush(Brush::black());
    surface.rectangle(0, 0, 120, 30);
    surface.setTextColour(Rgb{255, 0, 0});
    surface.selectPen(Pen{1, kGreen});
    surface.textOut(5, 6, "PITCH(zenit) = 1.570796");
    const QImage& image = surface.image();
    int red = 0;
    for (const Point p : marked(image, kBlack)) {
        const Rgb c = rgbAt(image, p.x, p.y);
        ASSERT_TRUE(c == kWhite || c == (Rgb{255, 0, 0})) << p.x << "," << p.y;
        EXPECT_GE(p.x, 5);
        EXPECT_GE(p.y, 6);
        red += c == (Rgb{255, 0, 0}) ? 1 : 0;
    }
    EXPECT_GT(red, 50);
    EXPECT_EQ(rgbAt(image, 5, 6), kWhite);  // background box starts at (x, y)
    EXPECT_EQ(rgbAt(image, 4, 6), kBlack);
    EXPECT_EQ(rgbAt(image, 5, 5), kBlack);
    // Text leaves the selected pen for later lines.
    surface.moveTo(0, 29);
    surface.lineTo(119, 29);
    EXPECT_EQ(rgbAt(image, 60, 29), kGreen);
}

TEST(QtImageSurface, srcPaintOrsTheColourBitsExactly) {
    QtImageSurface window(16, 16);
    window.selectBrush(Brush::solid(kGreen));
    window.selectPen(Pen{1, kGreen});
    window.rectangle(0, 0, 16, 16);
    auto memory = window.createCompatibleSurface();
    auto bitmap = window.createCompatibleBitmap(16, 16);
    ScopedBitmap selected(*memory, bitmap.get());
    memory->selectPen(Pen{1, kRed});
    memory->moveTo(0, 5);
    memory->lineTo(15, 5);
    window.bitBlt(0, 0, 16, 16, *memory, 0, 0, RasterOp::SrcPaint);
    EXPECT_EQ(rgbAt(window.image(), 7, 5), (Rgb{215, 120, 0}));
    EXPECT_EQ(rgbAt(window.image(), 7, 6), kGreen);  // black source leaves it
    // Faces and mixed pairs of the two pictures.
    QtImageSurface a(1, 1);
    QtImageSurface b(1, 1);
    const std::array<std::pair<Rgb, Rgb>, 3> pairs{
        {{{180, 0, 0}, {0, 100, 0}}, {{215, 0, 0}, {0, 100, 0}}, {{180, 0, 0}, {0, 120, 0}}}};
    const std::array<Rgb, 3> want{{{180, 100, 0}, {215, 100, 0}, {180, 120, 0}}};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        a.image().fill(QColor(pairs[i].first.r, pairs[i].first.g, pairs[i].first.b));
        b.image().fill(QColor(pairs[i].second.r, pairs[i].second.g, pairs[i].second.b));
        b.bitBlt(0, 0, 1, 1, a, 0, 0, RasterOp::SrcPaint);
        EXPECT_EQ(rgbAt(b.image(), 0, 0), want[i]);
    }
}

TEST(QtImageSurface, srcCopyReplacesTheBlockOnly) {
    QtImageSurface window(10, 10);
    QtImageSurface source(4, 3);
    source.selectBrush(Brush::solid(kRed));
    source.selectPen(Pen{1, kRed});
    source.rectangle(0, 0, 4, 3);
    window.bitBlt(2, 5, 3, 2, source, 1, 1, RasterOp::SrcCopy);
    std::vector<Point> want;
    for (int y = 5; y < 7; ++y) {
        for (int x = 2; x < 5; ++x) {
            want.push_back({x, y});
        }
    }
    EXPECT_EQ(marked(window.image()), want);
    EXPECT_EQ(rgbAt(window.image(), 2, 5), kRed);
}

TEST(QtImageSurface, bitBltClipsToBothImagesAndIgnoresEmptyOrUnknownTransfers) {
    QtImageSurface source(4, 4);
    source.image().fill(Qt::black);
    QtImageSurface window(6, 6);
    // Source block hanging off the source's top-left: only its inside moves.
    window.bitBlt(1, 1, 4, 4, source, -2, -1, RasterOp::SrcCopy);
    EXPECT_EQ(marked(window.image()).size(), 2u * 3u);
    EXPECT_EQ(rgbAt(window.image(), 3, 2), kBlack);
    EXPECT_EQ(rgbAt(window.image(), 2, 2), kWhite);

    QtImageSurface edge(6, 6);
    edge.bitBlt(4, -2, 4, 4, source, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(marked(edge.image()).size(), 2u * 2u);

    QtImageSurface untouched(6, 6);
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    untouched.bitBlt(0, 0, -4, 4, source, 0, 0, RasterOp::SrcCopy);
    untouched.bitBlt(0, 0, 4, 0, source, 0, 0, RasterOp::SrcCopy);
    untouched.bitBlt(0, 0, 4, 4, source, 0, 0, static_cast<RasterOp>(0x00660046));
    untouched.bitBlt(kMax, kMax, kMax, kMax, source, kMin, kMin, RasterOp::SrcCopy);
    untouched.bitBlt(kMin, kMin, kMax, kMax, source, kMax, kMax, RasterOp::SrcPaint);
    EXPECT_TRUE(marked(untouched.image()).empty());
    // A huge block from far off still lands the source where it belongs.
    untouched.bitBlt(kMin + 10, 0, kMax, 4, source, kMin + 10, 0, RasterOp::SrcCopy);
    EXPECT_EQ(marked(untouched.image()).size(), 16u);
}

TEST(QtImageSurface, overlappingCopyWithinOneSurfaceActsThroughATemporary) {
    QtImageSurface surface(8, 1);
    for (int x = 0; x < 8; ++x) {
        surface.image().setPixel(x, 0, qRgb(x * 10, 0, 0));
    }
    surface.moveTo(0, 0);
    surface.lineTo(0, 0);  // paints over (0, 0): the painter is active now
    surface.bitBlt(2, 0, 5, 1, surface, 1, 0, RasterOp::SrcCopy);
    const std::array<int, 8> want{0, 10, 10, 20, 30, 40, 50, 70};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(rgbAt(surface.image(), x, 0).r, want[x]) << x;
    }
}

TEST(QtImageSurface, memorySurfaceDrawsIntoTheSelectedBitmapWhichKeepsIt) {
    QtImageSurface window(8, 8);
    auto memory = window.createCompatibleSurface();
    auto bitmap = window.createCompatibleBitmap(8, 8);
    auto& qtBitmap = static_cast<QtBitmap&>(*bitmap);
    EXPECT_TRUE(marked(qtBitmap.image(), kBlack).empty());  // starts black
    {
        ScopedBitmap selected(*memory, bitmap.get());
        auto& memoryQt = static_cast<QtImageSurface&>(*memory);
        EXPECT_EQ(&memoryQt.image(), &qtBitmap.image());
        memory->selectPen(Pen{1, kRed});
        memory->moveTo(1, 1);
        memory->lineTo(6, 1);
        window.bitBlt(0, 0, 8, 8, *memory, 0, 0, RasterOp::SrcCopy);
    }
    // Deselected: the drawing stays in the bitmap, and the window got it.
    EXPECT_EQ(rgbAt(qtBitmap.image(), 3, 1), kRed);
    EXPECT_EQ(rgbAt(window.image(), 3, 1), kRed);
    EXPECT_EQ(rgbAt(window.image(), 3, 2), kBlack);
    // Drawing now goes to the memory surface's own 1x1 bitmap.
    memory->moveTo(0, 3);
    memory->lineTo(7, 3);
    EXPECT_EQ(rgbAt(qtBitmap.image(), 3, 3), kBlack);
}

class ForeignBitmap final : public Bitmap {
  public:
    std::int32_t width() const override { return 1; }
    std::int32_t height() const override { return 1; }
};

TEST(QtImageSurface, selectBitmapRefusesWhatItCannotDrawOn) {
    QtImageSurface window(4, 4);
    auto bitmap = window.createCompatibleBitmap(4, 4);
    EXPECT_EQ(window.selectBitmap(bitmap.get()), nullptr);  // not a memory surface
    auto memory = window.createCompatibleSurface();
    ForeignBitmap foreign;
    EXPECT_EQ(memory->selectBitmap(&foreign), nullptr);
    EXPECT_EQ(memory->selectBitmap(nullptr), nullptr);
    // The refusals left the first bitmap selected.
    Bitmap* first = memory->selectBitmap(bitmap.get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width(), 1);
    // Re-selecting the selected bitmap returns it.
    EXPECT_EQ(memory->selectBitmap(bitmap.get()), bitmap.get());
    memory->selectBitmap(first);
}

TEST(QtImageSurface, bitmapBusyInAnotherSurfaceIsNotDrawnThrough) {
    QtImageSurface window(4, 4);
    auto bitmap = window.createCompatibleBitmap(4, 4);
    auto one = window.createCompatibleSurface();
    auto two = window.createCompatibleSurface();
    ScopedBitmap a(*one, bitmap.get());
    ScopedBitmap b(*two, bitmap.get());
    one->selectPen(Pen{1, kRed});
    one->moveTo(0, 0);
    one->lineTo(3, 0);
    two->moveTo(0, 2);
    two->lineTo(3, 2);  // the bitmap is busy in `one`: nothing happens
    const QImage& image = static_cast<QtBitmap&>(*bitmap).image();
    EXPECT_EQ(rgbAt(image, 1, 0), kRed);
    EXPECT_EQ(rgbAt(image, 1, 2), kBlack);
}

TEST(QtImageSurface, compatibleBitmapNeedsAPositiveSize) {
    QtImageSurface window(4, 4);
    EXPECT_EQ(window.createCompatibleBitmap(0, 5), nullptr);
    EXPECT_EQ(window.createCompatibleBitmap(5, -1), nullptr);
    auto bitmap = window.createCompatibleBitmap(3, 2);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width(), 3);
    EXPECT_EQ(bitmap->height(), 2);
}

TEST(QtImageSurface, emptySurfaceIgnoresDrawing) {
    QtImageSurface surface(0, 3);
    EXPECT_TRUE(surface.image().isNull());
    surface.lineTo(5, 5);
    surface.rectangle(0, 0, 3, 3);
    surface.textOut(0, 0, "x");
    QtImageSurface source(2, 2);
    surface.bitBlt(0, 0, 2, 2, source, 0, 0, RasterOp::SrcCopy);
}

TEST(QtImageSurface, observerPicturesLoadByNumberOnly) {
    QtImageSurface window(4, 4);
    EXPECT_EQ(window.loadBitmap(0), nullptr);
    EXPECT_EQ(window.loadBitmap(134), nullptr);
    auto side = window.loadBitmap(132);
    auto top = window.loadBitmap(133);
    if (side == nullptr || top == nullptr) {
        GTEST_SKIP() << "observer pictures not built in";
    }
    EXPECT_EQ(side->width(), 140);
    EXPECT_EQ(side->height(), 140);
    EXPECT_EQ(top->width(), 70);
    EXPECT_EQ(top->height(), 140);
    EXPECT_EQ(static_cast<QtBitmap&>(*side).image().format(), QImage::Format_RGB32);
    // A loaded picture can be selected and copied like any bitmap.
    auto memory = window.createCompatibleSurface();
    ScopedBitmap selected(*memory, side.get());
    QtImageSurface target(140, 140);
    target.bitBlt(0, 0, 140, 140, *memory, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(target.image(), static_cast<QtBitmap&>(*side).image());
}

TEST(QtImageSurface, drawsIntoAnImageOwnedElsewhere) {
    QImage backBuffer(10, 10, QImage::Format_RGB32);
    backBuffer.fill(Qt::white);
    {
        QtImageSurface surface(backBuffer);
        EXPECT_EQ(&surface.image(), &backBuffer);
        surface.moveTo(0, 4);
        surface.lineTo(9, 4);
        // Visible before the surface goes away.
        EXPECT_EQ(rgbAt(backBuffer, 5, 4), kBlack);
    }
    EXPECT_EQ(marked(backBuffer).size(), 10u);
}

TEST(QtImageSurface, farOffCoordinatesAreClippedNotWrapped) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    QtImageSurface surface(16, 16);
    // A line from inside to far away keeps its direction across the surface.
    surface.moveTo(0, 0);
    surface.lineTo(kMax, kMax);
    EXPECT_EQ(rgbAt(surface.image(), 9, 9), kBlack);
    EXPECT_EQ(rgbAt(surface.image(), 9, 8), kWhite);
    surface.selectPen(Pen{5, kBlack});
    surface.moveTo(kMin, kMin);
    surface.lineTo(kMax, kMin);
    surface.rectangle(kMin, kMin, kMax, kMin);
    surface.ellipse(kMin, kMin, kMax, kMax);
    const std::array<Point, 4> far{{{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}}};
    surface.selectBrush(Brush::solid(kRed));
    surface.polygon(far);
    // The polygon covers the whole surface.
    EXPECT_TRUE(marked(surface.image(), kRed).empty());
}

TEST(QtImageSurface, savePngWritesWhatWasDrawn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtImageSurface surface(7, 5);
    surface.moveTo(0, 0);
    surface.lineTo(6, 4);
    const QString path = dir.filePath(QStringLiteral("out.png"));
    ASSERT_TRUE(surface.savePng(path));
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), surface.image());
    EXPECT_FALSE(surface.savePng(dir.filePath(QStringLiteral("missing/dir/out.png"))));
}

}  // namespace
}  // namespace kelpris
