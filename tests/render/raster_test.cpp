// The span rasteriser against the per-pixel reference, pixel for pixel, on
// many random shapes of fixed seeds: small and clipped, degenerate, far off
// and self-intersecting.

#include "render/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "reference_raster.h"

namespace kelpris {
namespace {

constexpr int kW = 23;
constexpr int kH = 17;
constexpr Pixel kBackground = 0xFFFFFFFF;
constexpr Pixel kFill = 0xFFB40000;
constexpr Pixel kPen = 0xFF007800;
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
constexpr auto kMax = std::numeric_limits<std::int32_t>::max();

/// Points of one family of test shapes.
enum class Family { Near, Degenerate, Huge, MixedFar, Tiny };

class Shapes {
  public:
    explicit Shapes(std::uint32_t seed) : rng_(seed) {}

    std::int32_t between(std::int64_t lo, std::int64_t hi) {
        const auto range = static_cast<std::uint64_t>(hi - lo) + 1;
        return static_cast<std::int32_t>(lo + static_cast<std::int64_t>(next64() % range));
    }

    Point near() { return {between(-6, kW + 6), between(-6, kH + 6)}; }
    Point huge() { return {between(kMin, kMax), between(kMin, kMax)}; }

    /// n corners of the family.
    std::vector<Point> corners(Family family, int n) {
        std::vector<Point> out;
        switch (family) {
            case Family::Near:
                for (int i = 0; i < n; ++i)
                    out.push_back(near());
                break;
            case Family::Tiny: {  // the faces of a far model: a few pixels across
                const Point base = near();
                for (int i = 0; i < n; ++i)
                    out.push_back({base.x + between(-3, 3), base.y + between(-3, 3)});
                break;
            }
            case Family::Degenerate: {
                const Point a = near();
                const int kind = between(0, 2);
                if (kind == 0) {  // all on one line
                    const Point d{between(-4, 4), between(-4, 4)};
                    for (int i = 0; i < n; ++i) {
                        const int k = between(-3, 3);
                        out.push_back({a.x + k * d.x, a.y + k * d.y});
                    }
                } else if (kind == 1) {  // all equal
                    out.assign(static_cast<std::size_t>(n), a);
                } else {  // two equal
                    for (int i = 0; i < n; ++i)
                        out.push_back(near());
                    out[static_cast<std::size_t>(between(0, n - 1))] =
                        out[static_cast<std::size_t>(between(0, n - 1))];
                }
                break;
            }
            case Family::Huge:
                for (int i = 0; i < n; ++i)
                    out.push_back(huge());
                break;
            case Family::MixedFar:
                for (int i = 0; i < n; ++i) {
                    out.push_back(between(0, 1) == 0 ? near() : huge());
                }
                break;
        }
        return out;
    }

  private:
    std::uint64_t next64() { return (std::uint64_t{rng_()} << 32) | rng_(); }
    std::mt19937 rng_;
};

std::string describe(const std::vector<Point>& corners) {
    std::string s;
    for (const Point p : corners) {
        s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    }
    return s;
}

/// The first pixel where the two pictures (`width` pixels wide) differ, or
/// an empty string.
std::string firstDifference(const std::vector<Pixel>& got, const std::vector<Pixel>& want,
                            std::size_t width = kW) {
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != want[i]) {
            return "pixel (" + std::to_string(i % width) + "," + std::to_string(i / width) + ")";
        }
    }
    return {};
}

/// Draws the polygon on `want` by the reference and on a copy of it by the
/// rasteriser; where they differ, or an empty string.
std::string polygonDifference(reference::Picture& want, const std::vector<Point>& corners,
                              const Pixel* fill) {
    reference::Picture got = want;
    want.polygon(corners, fill, kPen);
    raster::polygon(got.view(), corners, fill, kPen);
    return firstDifference(got.pixels(), want.pixels(),
                           static_cast<std::size_t>(want.view().width));
}

struct FamilyCase {
    Family family;
    std::uint32_t seed;
    int shapes;
};

constexpr std::array<FamilyCase, 5> kFamilies{{
    {Family::Near, 1, 3000},
    {Family::Tiny, 2, 3000},
    {Family::Degenerate, 3, 2000},
    {Family::Huge, 4, 1500},
    {Family::MixedFar, 5, 2000},
}};

TEST(SpanRaster, polygonsMatchTheReferencePixelForPixel) {
    for (const FamilyCase& c : kFamilies) {
        Shapes shapes(c.seed);
        for (int i = 0; i < c.shapes; ++i) {
            const int n = 3 + i % 2;
            const auto corners = shapes.corners(c.family, n);
            const bool hollow = i % 7 == 0;
            const Pixel* fill = hollow ? nullptr : &kFill;
            reference::Picture want(kW, kH, kBackground);
            const std::string diff = polygonDifference(want, corners, fill);
            ASSERT_TRUE(diff.empty()) << "family " << static_cast<int>(c.family) << " shape " << i
                                      << " " << describe(corners) << ": " << diff;
            // The fill alone too: the outline covers the pixels on the edges,
            // which would hide how the fill treats them.
            reference::Picture wantFill(kW, kH, kBackground);
            wantFill.fill(corners, kFill);
            reference::Picture gotFill(kW, kH, kBackground);
            raster::fillPolygon(gotFill.view(), corners, kFill);
            ASSERT_EQ(firstDifference(gotFill.pixels(), wantFill.pixels()), "")
                << "fill only, family " << static_cast<int>(c.family) << " " << describe(corners);
        }
    }
}

// Every triangle with its corners among a 4 x 4 block of pixels and every
// quad within 3 x 3, in the middle of the view and across each of its edges,
// filled and hollow: the shapes of a large model seen from afar, drawn pixel
// for pixel as the reference draws them.
TEST(SpanRaster, everySmallShapeMatchesTheReference) {
    const Point bases[] = {{9, 7}, {-1, -1}, {kW - 3, kH - 3}, {-2, 5}};
    for (const Point base : bases) {
        for (const int n : {3, 4}) {
            const int side = n == 3 ? 4 : 3;
            const int cells = side * side;
            int combinations = 1;
            for (int c = 0; c < n; ++c) {
                combinations *= cells;
            }
            for (int k = 0; k < combinations; ++k) {
                std::vector<Point> corners;
                for (int c = 0, code = k; c < n; ++c, code /= cells) {
                    corners.push_back({base.x + code % cells % side, base.y + code % cells / side});
                }
                for (const Pixel* fill : {&kFill, static_cast<const Pixel*>(nullptr)}) {
                    reference::Picture want(kW, kH, kBackground);
                    ASSERT_EQ(polygonDifference(want, corners, fill), "")
                        << describe(corners) << (fill ? " filled" : " hollow");
                }
            }
        }
    }
}

// Triangles of the sizes a model's faces take on screen, up to 32 pixels
// across, wholly inside the view and often against its right edge and last
// row, where whole blocks of a row are written: filled and hollow, in a
// picture and in a plane inside a wider buffer whose other bytes must stay.
TEST(SpanRaster, modelSizedTrianglesMatchTheReference) {
    constexpr int kWide = 40;
    constexpr int kTall = 36;
    constexpr int kStride = kWide + 3;
    constexpr std::uint8_t kOutside = 1;
    Shapes shapes(31);
    for (int i = 0; i < 6000; ++i) {
        const int side = 2 + i % 31;
        const int left = i % 4 == 0 ? kWide - side : shapes.between(0, kWide - side);
        const int top = i % 3 == 0 ? kTall - side : shapes.between(0, kTall - side);
        std::vector<Point> corners;
        for (int c = 0; c < 3; ++c) {
            corners.push_back(
                {left + shapes.between(0, side - 1), top + shapes.between(0, side - 1)});
        }
        const Pixel* fill = i % 5 == 0 ? nullptr : &kFill;
        reference::Picture want(kWide, kTall, kBackground);
        ASSERT_EQ(polygonDifference(want, corners, fill), "")
            << describe(corners) << (fill ? " filled" : " hollow");

        // The buffer ends with the view's last pixel: the address sanitizer
        // sees a write past it.
        std::vector<std::uint8_t> bytes(std::size_t{kStride} * (kTall - 1) + kWide, kOutside);
        const std::uint8_t face = 0xB4;
        raster::polygon(PlaneView{bytes.data(), kWide, kTall, kStride}, corners,
                        fill ? &face : nullptr, std::uint8_t{0x78});
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            const int x = static_cast<int>(k % kStride);
            const int y = static_cast<int>(k / kStride);
            const Pixel p = x < kWide ? want.at(x, y) : kBackground;
            const int expected = p == kFill ? 0xB4 : p == kPen ? 0x78 : kOutside;
            ASSERT_EQ(bytes[k], expected)
                << "plane " << describe(corners) << " at " << x << "," << y;
        }
    }
}

TEST(SpanRaster, linesMatchTheReferenceAndEitherDirection) {
    // Every line up to 8 pixels apart both ways, from the middle of the view.
    for (int dy = -8; dy <= 8; ++dy) {
        for (int dx = -8; dx <= 8; ++dx) {
            const Point from{11, 8};
            const Point to{from.x + dx, from.y + dy};
            reference::Picture want(kW, kH, kBackground);
            want.line(from, to, kPen);
            reference::Picture got(kW, kH, kBackground);
            raster::line(got.view(), from, to, kPen);
            ASSERT_EQ(firstDifference(got.pixels(), want.pixels()), "") << dx << "," << dy;
        }
    }
    for (const FamilyCase& c : kFamilies) {
        Shapes shapes(c.seed + 100);
        for (int i = 0; i < c.shapes; ++i) {
            const auto ends = shapes.corners(c.family, 2);
            reference::Picture want(kW, kH, kBackground);
            want.line(ends[0], ends[1], kPen);
            reference::Picture forwards(kW, kH, kBackground);
            raster::line(forwards.view(), ends[0], ends[1], kPen);
            reference::Picture backwards(kW, kH, kBackground);
            raster::line(backwards.view(), ends[1], ends[0], kPen);
            ASSERT_EQ(firstDifference(forwards.pixels(), want.pixels()), "") << describe(ends);
            ASSERT_EQ(firstDifference(backwards.pixels(), want.pixels()), "")
                << "backwards " << describe(ends);
        }
    }
}

TEST(SpanRaster, rectanglesMatchTheReference) {
    Shapes shapes(7);
    for (int i = 0; i < 3000; ++i) {
        const bool far = i % 5 == 0;
        const Point a = far ? shapes.huge() : shapes.near();
        const Point b = far && i % 2 == 0 ? shapes.huge() : shapes.near();
        const Pixel* fill = i % 3 == 0 ? nullptr : &kFill;
        reference::Picture want(kW, kH, kBackground);
        want.rectangle(a.x, a.y, b.x, b.y, fill, kPen);
        reference::Picture got(kW, kH, kBackground);
        raster::rectangle(got.view(), a.x, a.y, b.x, b.y, fill, kPen);
        ASSERT_EQ(firstDifference(got.pixels(), want.pixels()), "")
            << describe({a, b}) << " filled " << (fill != nullptr);
    }
}

// Hand-picked cases whose answers are known without the reference: the
// rules at their edges.
TEST(SpanRaster, writtenRulesOnKnownShapes) {
    struct Case {
        const char* what;
        std::vector<Point> corners;
        std::vector<Point> filled;  // exactly these pixels take the fill colour
    };
    const std::vector<Case> cases{
        // A box: its left and top edges' pixels, not its right and bottom ones.
        {"axis-aligned box",
         {{1, 1}, {4, 1}, {4, 3}, {1, 3}},
         {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}},
        // Pixels on the diagonal x = y are on the left edge of the first
        // triangle (inside) and the right edge of the second (outside).
        {"pixels on a diagonal, interior right",
         {{0, 0}, {4, 0}, {4, 4}},
         {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {1, 1}, {2, 1}, {3, 1}, {2, 2}, {3, 2}, {3, 3}}},
        {"pixels on a diagonal, interior left",
         {{0, 0}, {4, 4}, {0, 4}},
         {{0, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}, {2, 3}}},
        // A bow tie of two triangles meeting at (2, 2), both filled; the
        // bottom corners' row is not.
        {"self-intersecting quad",
         {{0, 0}, {4, 4}, {4, 0}, {0, 4}},
         {{0, 1}, {3, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2}, {0, 3}, {3, 3}}},
        {"all corners equal", {{3, 3}, {3, 3}, {3, 3}}, {}},
        {"collinear", {{0, 0}, {2, 2}, {5, 5}, {1, 1}}, {}},
    };
    for (const Case& c : cases) {
        reference::Picture got(8, 6, kBackground);
        raster::fillPolygon(got.view(), c.corners, kFill);
        std::vector<Point> filled;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (got.at(x, y) == kFill) {
                    filled.push_back({x, y});
                }
            }
        }
        auto sorted = c.filled;
        std::sort(sorted.begin(), sorted.end(),
                  [](Point a, Point b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
        EXPECT_EQ(filled, sorted) << c.what;
    }
}

TEST(SpanRaster, lineTiesTakeTheSmallerCoordinate) {
    // From (0, 0) to (4, 1): column 2 is exactly halfway between rows 0 and 1.
    struct Case {
        Point a;
        Point b;
        Point tie;  // the pixel taken where the ideal line is halfway
    };
    for (const Case& c : std::vector<Case>{{{0, 0}, {4, 1}, {2, 0}},
                                           {{4, 1}, {0, 0}, {2, 0}},
                                           {{0, 1}, {4, 0}, {2, 0}},
                                           {{1, 0}, {0, 4}, {0, 2}},
                                           {{0, 4}, {1, 0}, {0, 2}}}) {
        reference::Picture got(6, 6, kBackground);
        raster::line(got.view(), c.a, c.b, kPen);
        EXPECT_EQ(got.at(c.tie.x, c.tie.y), kPen) << describe({c.a, c.b});
        const int count =
            static_cast<int>(std::count(got.pixels().begin(), got.pixels().end(), kPen));
        EXPECT_EQ(count, 5) << describe({c.a, c.b});
    }
}

TEST(SpanRaster, transferCopiesOrsAndClipsLikeAReferenceLoop) {
    Shapes shapes(11);
    for (int i = 0; i < 2000; ++i) {
        reference::Picture source(9, 7, 0);
        for (std::size_t p = 0; p < source.pixels().size(); ++p) {
            source.view().pixels[p] = 0xFF000000u | static_cast<Pixel>(shapes.between(0, 0xFFFFFF));
        }
        reference::Picture target(kW, kH, 0);
        for (std::size_t p = 0; p < target.pixels().size(); ++p) {
            target.view().pixels[p] = 0xFF000000u | static_cast<Pixel>(shapes.between(0, 0xFFFFFF));
        }
        const bool far = i % 10 == 0;
        const auto pick = [&](int lo, int hi) {
            return far ? shapes.between(kMin, kMax) : shapes.between(lo, hi);
        };
        const int x = pick(-12, kW + 2);
        const int y = pick(-12, kH + 2);
        const int w = pick(-2, 14);
        const int h = pick(-2, 12);
        const int sx = pick(-5, 10);
        const int sy = pick(-5, 8);
        const auto op = i % 2 == 0 ? raster::BlockOp::Copy : raster::BlockOp::Or;
        // Per target pixel, so that far-off blocks cost nothing here.
        reference::Picture want = target;
        for (int ty = 0; ty < kH; ++ty) {
            for (int tx = 0; tx < kW; ++tx) {
                const std::int64_t dx = std::int64_t{tx} - x;
                const std::int64_t dy = std::int64_t{ty} - y;
                const std::int64_t fx = sx + dx;
                const std::int64_t fy = sy + dy;
                if (dx < 0 || dy < 0 || dx >= w || dy >= h || fx < 0 || fy < 0 || fx >= 9 ||
                    fy >= 7) {
                    continue;
                }
                Pixel& to = want.view().pixels[ty * kW + tx];
                const Pixel from = source.at(static_cast<int>(fx), static_cast<int>(fy));
                to = op == raster::BlockOp::Copy ? from : (to | from);
            }
        }
        raster::transfer(target.view(), x, y, w, h, source.view(), sx, sy, op);
        ASSERT_EQ(firstDifference(target.pixels(), want.pixels()), "") << i;
    }
}

TEST(SpanRaster, transferWithinOneBufferActsThroughATemporary) {
    // Every overlap direction, for both operations.
    for (const auto op : {raster::BlockOp::Copy, raster::BlockOp::Or}) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                reference::Picture picture(8, 8, 0);
                for (int p = 0; p < 64; ++p) {
                    picture.view().pixels[p] = 0xFF000000u | static_cast<Pixel>(p * 0x010307);
                }
                const reference::Picture before = picture;
                raster::transfer(picture.view(), 2 + dx, 2 + dy, 4, 4, picture.view(), 2, 2, op);
                for (int y = 0; y < 8; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        Pixel want = before.at(x, y);
                        const int fx = x - dx;
                        const int fy = y - dy;
                        if (fx >= 2 && fx < 6 && fy >= 2 && fy < 6) {
                            const Pixel from = before.at(fx, fy);
                            want = op == raster::BlockOp::Copy ? from : (want | from);
                        }
                        ASSERT_EQ(picture.at(x, y), want)
                            << dx << "," << dy << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

// Runs long enough for the wide stores, at every start and length up to a few
// blocks past the threshold: nothing outside the run is touched, nothing in it
// is missed, and OR reads every source pixel before the same buffer changes.
TEST(SpanRaster, longRunsFillAndOrEveryPixelOfTheirSpan) {
    constexpr int kWide = 61;
    const auto patterned = [](int salt) {
        reference::Picture p(kWide, 3, 0);
        for (std::size_t i = 0; i < p.pixels().size(); ++i) {
            p.view().pixels[i] =
                0xFF000000u | static_cast<Pixel>((i * 0x9E3779u + salt) & 0xFFFFFF);
        }
        return p;
    };
    for (int from = 0; from < 9; ++from) {
        for (int length = 0; from + length <= kWide; ++length) {
            reference::Picture filled(kWide, 3, kBackground);
            raster::fillBox(filled.view(), from, 1, from + length, 2, kFill);
            std::vector<std::uint8_t> plane(std::size_t{kWide} * 3, 1);
            raster::fillBox(PlaneView{plane.data(), kWide, 3, kWide}, from, 1, from + length, 2,
                            std::uint8_t{7});
            for (int x = 0; x < kWide; ++x) {
                for (int y = 0; y < 3; ++y) {
                    const bool in = y == 1 && x >= from && x < from + length;
                    ASSERT_EQ(filled.at(x, y), in ? kFill : kBackground)
                        << from << "+" << length << " at " << x << "," << y;
                    ASSERT_EQ(plane[std::size_t(y) * kWide + x], in ? 7 : 1)
                        << "plane " << from << "+" << length << " at " << x << "," << y;
                }
            }
            // Between two pictures, and within one row of one picture with the
            // source up to 5 pixels either side of the target.
            for (int shift = -5; shift <= 5; ++shift) {
                const int src = from + shift;
                if (src < 0 || src + length > kWide) {
                    continue;
                }
                reference::Picture source = patterned(1);
                const reference::Picture before = patterned(2);
                reference::Picture apart = before;
                raster::transfer(apart.view(), from, 1, length, 1, source.view(), src, 1,
                                 raster::BlockOp::Or);
                reference::Picture within = before;
                raster::transfer(within.view(), from, 1, length, 1, within.view(), src, 1,
                                 raster::BlockOp::Or);
                for (int x = 0; x < kWide; ++x) {
                    const bool in = x >= from && x < from + length;
                    const Pixel old = before.at(x, 1);
                    ASSERT_EQ(apart.at(x, 1), in ? old | source.at(x + shift, 1) : old)
                        << from << "+" << length << " shift " << shift << " at " << x;
                    ASSERT_EQ(within.at(x, 1), in ? old | before.at(x + shift, 1) : old)
                        << from << "+" << length << " shift " << shift << " at " << x;
                }
            }
        }
    }
}

// A plane is one channel of a picture drawn a byte per pixel: every shape
// drawn into a plane must be that channel of the same shape drawn whole, and
// the plane copied or ORed into a picture must give the whole shape's pixels.
TEST(SpanRaster, planesDrawWhatPicturesDrawInTheirChannel) {
    constexpr Pixel kBlack = 0xFF000000;
    constexpr std::uint8_t kFace = 180;
    constexpr std::uint8_t kLine = 215;
    const Pixel face = toPixel({kFace, 0, 0});
    const Pixel line = toPixel({kLine, 0, 0});
    for (const FamilyCase& c : kFamilies) {
        Shapes shapes(c.seed + 200);
        for (int i = 0; i < c.shapes; ++i) {
            const auto corners = shapes.corners(c.family, 3 + i % 2);
            const bool hollow = i % 5 == 0;
            reference::Picture whole(kW, kH, kBlack);
            raster::polygon(whole.view(), corners, hollow ? nullptr : &face, line);
            raster::line(whole.view(), corners[0], corners[2], line);
            std::vector<std::uint8_t> bytes(std::size_t{kW} * kH, 0);
            const PlaneView plane{bytes.data(), kW, kH, kW};
            raster::polygon(plane, corners, hollow ? nullptr : &kFace, kLine);
            raster::line(plane, corners[0], corners[2], kLine);

            reference::Picture copied(kW, kH, kBackground);
            raster::transfer(copied.view(), 0, 0, kW, kH, plane, Channel::Red, 0, 0,
                             raster::BlockOp::Copy);
            ASSERT_EQ(firstDifference(copied.pixels(), whole.pixels()), "")
                << "family " << static_cast<int>(c.family) << " " << describe(corners);
            reference::Picture ored(kW, kH, toPixel({0, 100, 0}));
            raster::transfer(ored.view(), 0, 0, kW, kH, plane, Channel::Red, 0, 0,
                             raster::BlockOp::Or);
            std::vector<Pixel> want = whole.pixels();
            for (Pixel& p : want) {
                p |= toPixel({0, 100, 0});
            }
            ASSERT_EQ(firstDifference(ored.pixels(), want), "")
                << "ORed, family " << static_cast<int>(c.family) << " " << describe(corners);
        }
    }
}

TEST(SpanRaster, emptyViewsAndStridesAreHonoured) {
    const std::array<Point, 3> triangle{{{-100, -100}, {100, -100}, {0, 100}}};
    raster::polygon(PixelView{}, triangle, &kFill, kPen);  // no pixels: nothing happens
    raster::line(PixelView{nullptr, 5, 5, 5}, {0, 0}, {4, 4}, kPen);
    // A view onto the middle of a wider buffer: nothing outside it is touched.
    std::vector<Pixel> buffer(10 * 6, kBackground);
    const PixelView inner{buffer.data() + 10 + 2, 5, 4, 10};
    raster::polygon(inner, triangle, &kFill, kPen);
    raster::fillBox(inner, kMin, kMin, kMax, kMax, kFill);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool in = x >= 2 && x < 7 && y >= 1 && y < 5;
            EXPECT_EQ(buffer[std::size_t(y) * 10 + x], in ? kFill : kBackground) << x << "," << y;
        }
    }
}

// A filled triangle with its outline must be solid: in every row and every
// column the pixels it covers form one unbroken run (no background showing
// between the fill and the outline).
TEST(SpanRaster, filledTrianglesWithTheirOutlineHaveNoGaps) {
    Shapes shapes(21);
    for (int i = 0; i < 5000; ++i) {
        const auto corners = shapes.corners(i % 2 == 0 ? Family::Tiny : Family::Near, 3);
        reference::Picture picture(kW, kH, kBackground);
        raster::polygon(picture.view(), corners, &kFill, kPen);
        const auto unbroken = [&](bool byRow) {
            for (int a = 0; a < (byRow ? kH : kW); ++a) {
                int runs = 0;
                bool inRun = false;
                for (int b = 0; b < (byRow ? kW : kH); ++b) {
                    const bool covered =
                        (byRow ? picture.at(b, a) : picture.at(a, b)) != kBackground;
                    runs += covered && !inRun ? 1 : 0;
                    inRun = covered;
                }
                if (runs > 1) {
                    return false;
                }
            }
            return true;
        };
        ASSERT_TRUE(unbroken(true)) << "row " << describe(corners);
        ASSERT_TRUE(unbroken(false)) << "column " << describe(corners);
    }
}

}  // namespace
}  // namespace kelpris
