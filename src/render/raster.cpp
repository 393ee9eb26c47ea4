#include "render/raster.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace kelpris::raster {

namespace {

using I64 = std::int64_t;
// Products of two coordinate differences of far-off shapes need 66 bits.
__extension__ typedef __int128 I128;

constexpr I64 kI64Max = std::numeric_limits<I64>::max();

template <typename T>
void put(const BasicPixelView<T>& view, I64 x, I64 y, T colour) {
    view.row(static_cast<std::int32_t>(y))[x] = colour;
}

/// Quotient rounded down and the remainder in [0, d), for d > 0.
std::pair<I64, I64> floorDivMod(I128 n, I64 d) {
    I64 q = 0;
    I64 r = 0;
    if (n >= -kI64Max && n <= kI64Max) {  // the common case, without 128-bit division
        const I64 n64 = static_cast<I64>(n);
        q = n64 / d;
        r = n64 % d;
    } else {
        q = static_cast<I64>(n / d);
        r = static_cast<I64>(n % d);
    }
    if (r < 0) {
        r += d;
        --q;
    }
    return {q, r};
}

// Four pixels at a time, moved through memcpy so that no alignment is assumed.
using Pixel4 = Pixel __attribute__((vector_size(16)));
constexpr I64 kWide = 4;
// Sixteen bytes of a plane, filled at once or widened to sixteen pixels (a
// window's worth of pixels is merged in every stereo paint).
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
constexpr I64 kBytesWide = 16;

/// n pixels from p, written as a few stores that may overlap (same colour,
/// so overlaps do no harm): the faces of a model are mostly a few pixels
/// across, and a loop per pixel spends its time on the branch that ends it.
/// Long runs (a background, a near face) go four pixels at a time, or as a
/// block of bytes in a plane.
template <typename T>
[[gnu::always_inline]] inline void fillPixels(T* p, I64 n, T colour) {
    if (n < 4) {
        if (n > 0) {  // 1 to 3 pixels: the first, the middle and the last
            p[0] = colour;
            p[n / 2] = colour;
            p[n - 1] = colour;
        }
        return;
    }
    if constexpr (sizeof(T) == 1) {
        if (n > 32) {
            std::memset(p, colour, static_cast<std::size_t>(n));
            return;
        }
        const auto store = [p, n]<typename Word>(Word word) {
            std::memcpy(p, &word, sizeof word);
            std::memcpy(p + n - static_cast<I64>(sizeof word), &word, sizeof word);
        };
        if (n >= 16) {
            store(Bytes16{} + colour);
        } else if (n >= 8) {
            store(std::uint64_t{colour} * 0x0101010101010101u);
        } else {
            store(std::uint32_t{colour} * 0x01010101u);
        }
    } else {
        const Pixel4 wide{colour, colour, colour, colour};
        I64 i = 0;
        for (; i + kWide <= n; i += kWide) {
            std::memcpy(p + i, &wide, sizeof wide);
        }
        // The last four again, overlapping: no tail loop.
        std::memcpy(p + n - kWide, &wide, sizeof wide);
    }
}

/// to[i] |= from[i] for i in [0, n), front to back, four pixels at a time;
/// each block is read whole before it is written, so a source that lies
/// ahead of the target in the same buffer is still read before it changes.
void orPixels(Pixel* to, const Pixel* from, I64 n) {
    I64 i = 0;
    for (; i + kWide <= n; i += kWide) {
        Pixel4 a;
        Pixel4 b;
        std::memcpy(&a, to + i, sizeof a);
        std::memcpy(&b, from + i, sizeof b);
        a |= b;
        std::memcpy(to + i, &a, sizeof a);
    }
    for (; i < n; ++i) {
        to[i] |= from[i];
    }
}

/// Sixteen bytes widened to sixteen pixels, each byte in the channel at
/// `shift`: by interleaving with zeros, which the processor does sixteen
/// bytes at a time (a plain conversion of the vector is done byte by byte).
struct Widened {
    std::array<Pixel4, 4> quarters;
};

[[gnu::always_inline]] inline Widened widen(const std::uint8_t* from, int shift) {
    using Words8 = std::uint16_t __attribute__((vector_size(16)));
    Bytes16 bytes;
    std::memcpy(&bytes, from, sizeof bytes);
    const Bytes16 zero{};
    const auto low = std::bit_cast<Words8>(__builtin_shuffle(
        bytes, zero, Bytes16{0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23}));
    const auto high = std::bit_cast<Words8>(__builtin_shuffle(
        bytes, zero, Bytes16{8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31}));
    constexpr Words8 kLow{0, 8, 1, 9, 2, 10, 3, 11};
    constexpr Words8 kHigh{4, 12, 5, 13, 6, 14, 7, 15};
    const Words8 none{};
    return Widened{{std::bit_cast<Pixel4>(__builtin_shuffle(low, none, kLow)) << shift,
                    std::bit_cast<Pixel4>(__builtin_shuffle(low, none, kHigh)) << shift,
                    std::bit_cast<Pixel4>(__builtin_shuffle(high, none, kLow)) << shift,
                    std::bit_cast<Pixel4>(__builtin_shuffle(high, none, kHigh)) << shift}};
}

/// to[i] = opaque black with from[i] in the channel at `shift`, i in [0, n).
void expandBytes(Pixel* to, const std::uint8_t* from, I64 n, int shift) {
    I64 i = 0;
    for (; i + kBytesWide <= n; i += kBytesWide) {
        const Widened wide = widen(from + i, shift);
        for (std::size_t q = 0; q < wide.quarters.size(); ++q) {
            const Pixel4 pixels = wide.quarters[q] | 0xFF000000u;
            std::memcpy(to + i + 4 * static_cast<I64>(q), &pixels, sizeof pixels);
        }
    }
    for (; i < n; ++i) {
        to[i] = 0xFF000000u | (Pixel{from[i]} << shift);
    }
}

/// to[i] |= from[i] in the channel at `shift`, i in [0, n).
void orBytes(Pixel* to, const std::uint8_t* from, I64 n, int shift) {
    I64 i = 0;
    for (; i + kBytesWide <= n; i += kBytesWide) {
        const Widened wide = widen(from + i, shift);
        for (std::size_t q = 0; q < wide.quarters.size(); ++q) {
            Pixel4 pixels;
            std::memcpy(&pixels, to + i + 4 * static_cast<I64>(q), sizeof pixels);
            pixels |= wide.quarters[q];
            std::memcpy(to + i + 4 * static_cast<I64>(q), &pixels, sizeof pixels);
        }
    }
    for (; i < n; ++i) {
        to[i] |= Pixel{from[i]} << shift;
    }
}

/// Columns [from, to) of row y, clipped to the view.
template <typename T>
[[gnu::always_inline]] inline void span(const BasicPixelView<T>& view, I64 y, I64 from, I64 to,
                                        T colour) {
    from = std::max<I64>(from, 0);
    to = std::min<I64>(to, view.width);
    if (from < to) {
        fillPixels(view.row(static_cast<std::int32_t>(y)) + from, to - from, colour);
    }
}

/// A non-horizontal polygon edge walked one row at a time: `x` is the first
/// column at or right of the edge on the current row.
struct EdgeWalk {
    I64 top = 0;      // first row crossed
    I64 end = 0;      // row past the last one crossed
    I64 x = 0;        // current column
    I64 rem = 0;      // remainder of x's fraction, in [0, den)
    I64 stepX = 0;    // whole columns per row
    I64 stepRem = 0;  // fraction per row, in [0, den)
    I64 den = 0;

    void advance() {
        rem += stepRem;
        // All ones on a carry. Data-dependent, so kept free of branches.
        const I64 carry = -static_cast<I64>(rem >= den);
        x += stepX - carry;
        rem -= den & carry;
    }
};

/// Sets up the walk of the edge a-b from row `first` (inside its rows).
/// On row y the edge is at xe = ax + (y - ay) * dx / dy, and the first
/// column at or right of it is ceil(xe) = floor((ax dy + (y - ay) dx + dy - 1) / dy).
[[gnu::always_inline]] inline EdgeWalk walkFrom(Point a, Point b, I64 first) {
    if (a.y > b.y) {
        std::swap(a, b);
    }
    const I64 dx = I64{b.x} - a.x;
    const I64 dy = I64{b.y} - a.y;
    EdgeWalk walk;
    walk.top = a.y;
    walk.end = b.y;
    walk.den = dy;
    if (first == a.y) {  // the common case: the edge starts inside the view
        walk.x = a.x;
        walk.rem = dy - 1;
    } else {
        const I128 numerator = I128{a.x} * dy + I128{first - a.y} * dx + dy - 1;
        std::tie(walk.x, walk.rem) = floorDivMod(numerator, walk.den);
    }
    if (dx >= 0 && dx < dy) {  // steep edges need no division
        walk.stepX = 0;
        walk.stepRem = dx;
    } else if (dx < 0 && -dx <= dy) {
        walk.stepX = -1;
        walk.stepRem = dx + dy;
    } else {
        std::tie(walk.stepX, walk.stepRem) = floorDivMod(I128{dx}, walk.den);
    }
    return walk;
}

/// Rows [from, to) crossed by exactly two edges: inside between them.
template <typename T>
[[gnu::always_inline]] inline void fillBand2(const BasicPixelView<T>& view, I64 from, I64 to,
                                             EdgeWalk& first, EdgeWalk& second, T colour) {
    EdgeWalk a = first;  // locals, so that they stay in registers
    EdgeWalk b = second;
    for (I64 y = from; y < to; ++y) {
        span(view, y, std::min(a.x, b.x), std::max(a.x, b.x), colour);
        a.advance();
        b.advance();
    }
    first = a;
    second = b;
}

/// Rows [from, to) crossed by four edges (a self-intersecting quad): inside
/// from the first crossing to the second and from the third to the fourth.
template <typename T>
[[gnu::always_inline]] inline void fillBand4(const BasicPixelView<T>& view, I64 from, I64 to,
                                             std::array<EdgeWalk*, 4>& edges, T colour) {
    for (I64 y = from; y < to; ++y) {
        const I64 a = std::min(edges[0]->x, edges[1]->x);
        const I64 b = std::max(edges[0]->x, edges[1]->x);
        const I64 c = std::min(edges[2]->x, edges[3]->x);
        const I64 d = std::max(edges[2]->x, edges[3]->x);
        const I64 middle1 = std::max(a, c);
        const I64 middle2 = std::min(b, d);
        span(view, y, std::min(a, c), std::min(middle1, middle2), colour);
        span(view, y, std::max(middle1, middle2), std::max(b, d), colour);
        for (EdgeWalk* edge : edges) {
            edge->advance();
        }
    }
}

/// A triangle: the edge from the top corner to the bottom one on one side,
/// the two others in turn on the other. Everything stays in locals (no edge
/// table in memory), which matters for the many small faces of a model.
template <typename T>
void fillTriangle(const BasicPixelView<T>& view, Point a, Point b, Point c, I64 firstRow,
                  I64 lastRow, T colour) {
    if (b.y < a.y) {
        std::swap(a, b);
    }
    if (c.y < b.y) {
        std::swap(b, c);
    }
    if (b.y < a.y) {
        std::swap(a, b);
    }
    EdgeWalk along = walkFrom(a, c, std::max<I64>(a.y, firstRow));
    const I64 middle = std::clamp<I64>(b.y, firstRow, lastRow + 1);
    if (a.y < b.y && firstRow < middle) {
        EdgeWalk upper = walkFrom(a, b, std::max<I64>(a.y, firstRow));
        fillBand2(view, std::max<I64>(a.y, firstRow), middle, along, upper, colour);
    }
    if (b.y < c.y && middle <= lastRow) {
        EdgeWalk lower = walkFrom(b, c, middle);
        fillBand2(view, middle, std::min<I64>(c.y, lastRow + 1), along, lower, colour);
    }
}

template <typename T>
[[gnu::always_inline]] inline bool inside(const BasicPixelView<T>& view, Point p) {
    return p.x >= 0 && p.x < view.width && p.y >= 0 && p.y < view.height;
}

/// A line with both ends in the view, the common case: no clipping and no
/// checks on the way. The same steps as the general case below.
template <typename T>
[[gnu::always_inline]] inline void lineWalk(const BasicPixelView<T>& view, Point from, Point to,
                                            T colour) {
    const I64 dx = I64{to.x} - from.x;
    const I64 dy = I64{to.y} - from.y;
    const I64 adx = dx >= 0 ? dx : -dx;
    const I64 ady = dy >= 0 ? dy : -dy;
    const bool xMajor = adx >= ady;
    const I64 stepX = dx >= 0 ? 1 : -1;
    const I64 stepY = dy >= 0 ? view.stride : -view.stride;
    const I64 longLen = xMajor ? adx : ady;
    const I64 majorDelta = xMajor ? stepX : stepY;
    const I64 minorDelta = xMajor ? stepY : stepX;
    const I64 den = 2 * longLen;
    const I64 step = 2 * (xMajor ? ady : adx);
    // The tie goes to the smaller minor coordinate (see the general case).
    I64 rem = longLen - ((xMajor ? dy : dx) >= 0 ? 1 : 0);
    I64 index = I64{from.y} * view.stride + from.x;
    for (I64 k = 0; k <= longLen; ++k) {
        view.pixels[index] = colour;
        rem += step;
        // All ones on a carry. Data-dependent, so kept free of branches.
        const I64 carry = -static_cast<I64>(rem >= den);
        rem -= den & carry;
        index += majorDelta + (minorDelta & carry);
    }
}

/// The pixels of a line whose ends lie at most kShortReach pixels apart
/// both ways, relative to its start (in no particular order).
constexpr std::int32_t kShortReach = 7;
constexpr std::int32_t kShortSide = 2 * kShortReach + 1;

struct ShortLine {
    std::uint8_t count = 0;
    std::array<std::int8_t, kShortReach + 1> x{};
    std::array<std::int8_t, kShortReach + 1> y{};
};

using ShortLines = std::array<ShortLine, kShortSide * kShortSide>;
static_assert(kShortReach >= 3, "lineInside stores at least 4 pixels of a line");

/// Every short line walked once (a line's pixels do not change when it moves
/// by whole pixels), so the table draws exactly what the walk would.
ShortLines makeShortLines() {
    ShortLines table{};
    for (std::int32_t dy = -kShortReach; dy <= kShortReach; ++dy) {
        for (std::int32_t dx = -kShortReach; dx <= kShortReach; ++dx) {
            std::array<std::uint8_t, kShortSide * kShortSide> cells{};
            const PlaneView block{cells.data(), kShortSide, kShortSide, kShortSide};
            lineWalk(block, Point{kShortReach, kShortReach},
                     Point{kShortReach + dx, kShortReach + dy}, std::uint8_t{1});
            ShortLine& line =
                table[static_cast<std::size_t>((dy + kShortReach) * kShortSide + dx + kShortReach)];
            for (std::int32_t k = 0; k < kShortSide * kShortSide; ++k) {
                if (cells[static_cast<std::size_t>(k)] != 0) {
                    line.x[line.count] = static_cast<std::int8_t>(k % kShortSide - kShortReach);
                    line.y[line.count] = static_cast<std::int8_t>(k / kShortSide - kShortReach);
                    ++line.count;
                }
            }
            // The rest repeat the last pixel, so that lines store a fixed
            // number of times (4 or 8): no branch on each length to mispredict.
            for (std::size_t k = line.count; k < line.x.size(); ++k) {
                line.x[k] = line.x[line.count - 1];
                line.y[k] = line.y[line.count - 1];
            }
        }
    }
    return table;
}

/// A line with both ends in the view. The outlines of a large model's faces
/// are short: their pixels come from a table, with no walk step by step.
template <typename T>
[[gnu::always_inline]] inline void lineInside(const BasicPixelView<T>& view, Point from, Point to,
                                              T colour) {
    const std::int32_t dx = to.x - from.x;  // both ends in the view: no overflow
    const std::int32_t dy = to.y - from.y;
    if (dx < -kShortReach || dx > kShortReach || dy < -kShortReach || dy > kShortReach) {
        lineWalk(view, from, to, colour);
        return;
    }
    static const ShortLines table = makeShortLines();
    const ShortLine& line =
        table[static_cast<std::size_t>((dy + kShortReach) * kShortSide + dx + kShortReach)];
    T* const start = view.row(from.y) + from.x;
    const auto storeFirst = [&]<std::size_t n>() {
        for (std::size_t k = 0; k < n; ++k) {
            start[line.y[k] * view.stride + line.x[k]] = colour;
        }
    };
    if (line.count <= 4) {  // the many lines of faces a pixel or two across
        storeFirst.template operator()<4>();
    } else {
        storeFirst.template operator()<kShortReach + 1>();
    }
}

/// The smallest box holding the corners (right and bottom inclusive). A
/// polygon's fill and outline never leave it.
struct CornerBox {
    std::int32_t left, top, right, bottom;
};

[[gnu::always_inline]] inline CornerBox boxOf(std::span<const Point> corners) {
    CornerBox box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point p : corners.subspan(1)) {
        box.left = std::min(box.left, p.x);
        box.right = std::max(box.right, p.x);
        box.top = std::min(box.top, p.y);
        box.bottom = std::max(box.bottom, p.y);
    }
    return box;
}

template <typename T>
[[gnu::always_inline]] inline bool outsideView(const BasicPixelView<T>& view,
                                               const CornerBox& box) {
    return box.right < 0 || box.bottom < 0 || box.left >= view.width || box.top >= view.height;
}

/// All corners in the view and within two pixels of each other both ways, as
/// the faces of a large model seen from afar are. Then every pixel the fill
/// could cover is a corner (the only whole points of such a shape), and each
/// outline edge joins neighbouring pixels, so it is just its two ends: the
/// corners in the outline colour are the whole drawing.
template <typename T>
[[gnu::always_inline]] inline bool withinTwoPixels(const BasicPixelView<T>& view,
                                                   const CornerBox& box) {
    return box.left >= 0 && box.top >= 0 && box.right < view.width && box.bottom < view.height &&
           box.right - box.left <= 1 && box.bottom - box.top <= 1;
}

template <typename T>
void lineIn(const BasicPixelView<T>& view, Point from, Point to, T colour) {
    if (view.empty()) {
        return;
    }
    if (inside(view, from) && inside(view, to)) {
        lineInside(view, from, to, colour);
        return;
    }
    const I64 x0 = from.x;
    const I64 y0 = from.y;
    const I64 x1 = to.x;
    const I64 y1 = to.y;
    if (std::max(x0, x1) < 0 || std::min(x0, x1) >= view.width || std::max(y0, y1) < 0 ||
        std::min(y0, y1) >= view.height) {
        return;
    }
    const I64 adx = x1 >= x0 ? x1 - x0 : x0 - x1;
    const I64 ady = y1 >= y0 ? y1 - y0 : y0 - y1;
    if (adx == 0 && ady == 0) {
        put(view, x0, y0, colour);
        return;
    }
    // Walk the longer axis ("major") one pixel at a time; the other ("minor")
    // follows the ideal line rounded to the nearest pixel.
    const bool xMajor = adx >= ady;
    const I64 major0 = xMajor ? x0 : y0;
    const I64 minor0 = xMajor ? y0 : x0;
    const I64 majorStep = (xMajor ? x1 >= x0 : y1 >= y0) ? 1 : -1;
    const I64 minorStep = (xMajor ? y1 >= y0 : x1 >= x0) ? 1 : -1;
    const I64 longLen = xMajor ? adx : ady;
    const I64 shortLen = xMajor ? ady : adx;
    const I64 majorLimit = xMajor ? view.width : view.height;
    const I64 minorLimit = xMajor ? view.height : view.width;

    // Steps i with the major coordinate inside the view.
    const I64 first =
        majorStep > 0 ? std::max<I64>(0, -major0) : std::max<I64>(0, major0 - (majorLimit - 1));
    const I64 last =
        majorStep > 0 ? std::min(longLen, majorLimit - 1 - major0) : std::min(longLen, major0);
    if (first > last) {
        return;
    }
    // Step i moves the minor coordinate by floor((2 i short + long - tie) /
    // (2 long)): the ideal offset rounded to the nearest, where a tie takes the
    // smaller coordinate. That does not depend on the direction of travel.
    const I64 tie = minorStep > 0 ? 1 : 0;
    const I64 den = 2 * longLen;
    I64 offset = 0;
    I64 rem = longLen - tie;  // from the start point: no division needed
    if (first > 0) {
        std::tie(offset, rem) = floorDivMod(I128{2} * first * shortLen + longLen - tie, den);
    }
    const I64 step = 2 * shortLen;
    const I64 majorDelta = xMajor ? majorStep : majorStep * view.stride;
    const I64 minorDelta = xMajor ? minorStep * view.stride : minorStep;
    I64 minor = minor0 + minorStep * offset;
    I64 i = first;
    const auto advance = [&] {
        ++i;
        rem += step;
        if (rem >= den) {
            rem -= den;
            minor += minorStep;
            return true;
        }
        return false;
    };
    const auto minorInside = [&] { return minor >= 0 && minor < minorLimit; };
    while (i <= last && !minorInside()) {  // not yet across the view
        advance();
    }
    if (i > last) {
        return;
    }
    const I64 major = major0 + majorStep * i;
    I64 index = xMajor ? minor * view.stride + major : major * view.stride + minor;
    // The minor coordinate only moves one way: once off the view, done.
    while (i <= last && minorInside()) {
        view.pixels[index] = colour;
        index += majorDelta;
        if (advance()) {
            index += minorDelta;
        }
    }
}

template <typename T>
void fillPolygonIn(const BasicPixelView<T>& view, std::span<const Point> corners, T colour) {
    if (view.empty() || corners.size() < 3) {
        return;
    }
    const std::size_t count = std::min<std::size_t>(corners.size(), 4);
    I64 top = corners[0].y;
    I64 bottom = corners[0].y;
    I64 left = corners[0].x;
    I64 right = corners[0].x;
    for (std::size_t i = 1; i < count; ++i) {
        top = std::min<I64>(top, corners[i].y);
        bottom = std::max<I64>(bottom, corners[i].y);
        left = std::min<I64>(left, corners[i].x);
        right = std::max<I64>(right, corners[i].x);
    }
    // An edge counts on the rows from its upper end up to, not including, its
    // lower one.
    const I64 firstRow = std::max<I64>(top, 0);
    const I64 lastRow = std::min<I64>(bottom, view.height) - 1;
    if (firstRow > lastRow || right <= 0 || left >= view.width) {
        return;
    }
    if (count == 3) {
        fillTriangle(view, corners[0], corners[1], corners[2], firstRow, lastRow, colour);
        return;
    }
    std::array<EdgeWalk, 4> edges;
    std::size_t edgeCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point a = corners[i];
        const Point b = corners[i + 1 < count ? i + 1 : 0];
        const I64 edgeTop = std::min(a.y, b.y);
        const I64 edgeEnd = std::max(a.y, b.y);
        if (edgeTop == edgeEnd || edgeEnd <= firstRow || edgeTop > lastRow) {
            continue;  // horizontal edges never cross a row's centre line
        }
        edges[edgeCount++] = walkFrom(a, b, std::max(edgeTop, firstRow));
    }
    // Between two consecutive corner rows the same edges are crossed on every
    // row: find them once per such band.
    // Four corners here (triangles went their own way above): sorted by a
    // small network.
    std::array<I64, 4> levels{corners[0].y, corners[1].y, corners[2].y, corners[3].y};
    for (const auto& [i, j] : {std::pair{0, 1}, {2, 3}, {0, 2}, {1, 3}, {1, 2}}) {
        if (levels[j] < levels[i]) {
            std::swap(levels[i], levels[j]);
        }
    }
    for (std::size_t k = 0; k + 1 < levels.size(); ++k) {
        const I64 from = std::max(levels[k], firstRow);
        const I64 to = std::min(levels[k + 1], lastRow + 1);
        if (from >= to) {
            continue;
        }
        std::array<EdgeWalk*, 4> crossed{};
        std::size_t n = 0;
        for (std::size_t e = 0; e < edgeCount; ++e) {
            if (edges[e].top <= from && edges[e].end >= to) {
                crossed[n++] = &edges[e];
            }
        }
        if (n == 2) {
            fillBand2(view, from, to, *crossed[0], *crossed[1], colour);
        } else if (n == 4) {
            fillBand4(view, from, to, crossed, colour);
        }
    }
}

/// The corners of entry k of the small-triangle table.
constexpr Point smallCorner(std::size_t k, int i) {
    const auto cell = static_cast<std::int32_t>((k >> (4 * i)) & 15);
    return {cell & 3, cell >> 2};
}

/// Every triangle within a 4 x 4 block drawn once by the general code (the
/// pixel rules do not change when a shape moves by whole pixels), so the
/// table draws exactly what that code would.
SmallTriangles makeSmallTriangles() {
    SmallTriangles table{};
    for (std::size_t k = 0; k < table.size(); ++k) {
        const std::array<Point, 3> c{smallCorner(k, 0), smallCorner(k, 1), smallCorner(k, 2)};
        const auto covered = [](const std::array<std::uint8_t, 16>& cells) {
            std::uint16_t bits = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                bits = static_cast<std::uint16_t>(bits | (cells[i] != 0 ? 1u << i : 0u));
            }
            return bits;
        };
        std::array<std::uint8_t, 16> cells{};
        const PlaneView block{cells.data(), kSmallSide, kSmallSide, kSmallSide};
        fillPolygonIn(block, c, std::uint8_t{1});
        table[k].fill = covered(cells);
        cells = {};
        for (std::size_t i = 0; i < c.size(); ++i) {
            lineWalk(block, c[i], c[(i + 1) % c.size()], std::uint8_t{1});
        }
        table[k].outline = covered(cells);
    }
    return table;
}

}  // namespace

const SmallTriangles& smallTriangles() {
    static const SmallTriangles table = makeSmallTriangles();
    return table;
}

namespace {

/// The faces of a large model seen whole are mostly triangles a few pixels
/// across: one table lookup instead of a fill and three lines.
template <typename T>
[[gnu::always_inline]] inline void drawSmallTriangle(const BasicPixelView<T>& view,
                                                     std::span<const Point> corners,
                                                     const CornerBox& box, const T* fill,
                                                     T outline) {
    const SmallTriangles& table = smallTriangles();
    const auto cell = [&box](Point p) {
        return static_cast<std::size_t>((p.x - box.left) | ((p.y - box.top) << 2));
    };
    const SmallTriangle t = table[cell(corners[0]) | cell(corners[1]) << 4 | cell(corners[2]) << 8];
    const unsigned outlineBits = t.outline;
    const unsigned fillBits = fill != nullptr ? t.fill & ~outlineBits : 0u;
    T* row = view.row(box.top) + box.left;
    for (std::int32_t r = 0; r <= box.bottom - box.top; ++r, row += view.stride) {
        for (unsigned o = (outlineBits >> (4 * r)) & 15u; o != 0; o &= o - 1) {
            row[__builtin_ctz(o)] = outline;
        }
        for (unsigned f = (fillBits >> (4 * r)) & 15u; f != 0; f &= f - 1) {
            row[__builtin_ctz(f)] = *fill;
        }
    }
}

/// Whole pixels take four times the bytes of a plane's: for them the masked
/// rows only pay off on faces at least this wide.
constexpr std::int32_t kMaskedPixelsFrom = 8;

/// Every such line walked once, so the masks cover exactly what the walk
/// would.
MaskedLines makeMaskedLines() {
    MaskedLines table{};
    for (std::int32_t dy = 0; dy <= kMaskReach; ++dy) {
        for (std::int32_t dx = -kMaskReach; dx <= kMaskReach; ++dx) {
            std::array<std::uint8_t, kMaskSide * kMaskColumns> cells{};
            const PlaneView block{cells.data(), kMaskColumns, kMaskSide, kMaskColumns};
            lineWalk(block, Point{kMaskReach, 0}, Point{kMaskReach + dx, dy}, std::uint8_t{1});
            MaskedLine& rows = table[static_cast<std::size_t>(dy * kMaskColumns + dx + kMaskReach)];
            const std::int32_t left = std::min(kMaskReach, kMaskReach + dx);
            for (std::int32_t y = 0; y <= dy; ++y) {
                for (std::int32_t c = 0; c < kMaskSide; ++c) {
                    if (cells[static_cast<std::size_t>(y * kMaskColumns + left + c)] != 0) {
                        rows[static_cast<std::size_t>(y)] |= static_cast<RowMask>(1u << c);
                    }
                }
            }
        }
    }
    return table;
}

}  // namespace

const MaskedLines& maskedLines() {
    static const MaskedLines table = makeMaskedLines();
    return table;
}

namespace {

/// Writes the pixels of a kMaskSide-pixel row whose bit is set in `cover`:
/// those also set in `edge` in the outline colour, the others in the fill.
/// Whole pixels are written a quarter of the row at a time, the first
/// `quarters` only: a narrow face need not read and write all 64 bytes.
template <typename T>
[[gnu::always_inline]] inline void writeMaskedRow(T* row, unsigned edge, unsigned cover, T fill,
                                                  T outline, std::int32_t quarters) {
    if constexpr (sizeof(T) == 1) {
        writeMaskedBytes(row, edge, cover, fill, outline);
    } else {
        static_assert(sizeof(T) == sizeof(Pixel));
        const Pixel4 edgeBits = Pixel4{} + edge;
        const Pixel4 coverBits = Pixel4{} + cover;
        const Pixel4 fillColour = Pixel4{} + fill;
        const Pixel4 outlineColour = Pixel4{} + outline;
        for (std::int32_t quarter = 0; quarter < quarters; ++quarter) {
            const Pixel first = 1u << (4 * quarter);
            const Pixel4 bit{first, first << 1, first << 2, first << 3};
            const auto onEdge = std::bit_cast<Pixel4>((edgeBits & bit) == bit);
            const auto covered = std::bit_cast<Pixel4>((coverBits & bit) == bit);
            const Pixel4 colour = (fillColour & ~onEdge) | (outlineColour & onEdge);
            Pixel4 pixels;
            std::memcpy(&pixels, row + 4 * quarter, sizeof pixels);
            pixels = (pixels & ~covered) | (colour & covered);
            std::memcpy(row + 4 * quarter, &pixels, sizeof pixels);
        }
    }
}

/// The masked triangle drawn over whatever the picture holds (of whole
/// pixels, the quarters of kMaskSide columns the box needs).
template <typename T>
[[gnu::always_inline]] inline void drawMaskedTriangle(const BasicPixelView<T>& view, Point a,
                                                      Point b, Point c, const CornerBox& box,
                                                      const T* fill, T outline) {
    const std::int32_t quarters = (box.right - box.left) / 4 + 1;
    const std::int32_t columns = sizeof(T) == 1 ? kMaskSide : 4 * quarters;
    const T fillColour = fill != nullptr ? *fill : outline;
    maskedTriangleRows(maskedLines(), view, a, b, c, box.left, columns, fill != nullptr,
                       [&](T* row, std::int32_t, std::int32_t, unsigned edge, unsigned cover) {
                           writeMaskedRow(row, edge, cover, fillColour, outline, quarters);
                       });
}

/// Triangles up to kWideSide pixels across are drawn the same way, their
/// longer edges walked into row masks.
constexpr std::int32_t kWideSide = 2 * kMaskSide;
static_assert(kWideSide == kRowMaskSide);

/// The row masks of one edge: bits[k] for row top + k, k < count.
struct EdgeRows {
    std::array<std::uint32_t, kWideSide> bits;
    std::int32_t top;
    std::int32_t count;

    /// Row r's mask, none outside the edge's rows; no branch on the data.
    [[gnu::always_inline]] unsigned at(std::int32_t r) const {
        const auto k = static_cast<std::uint32_t>(r - top);
        const bool in = k < static_cast<std::uint32_t>(count);
        return bits[in ? k : 0] & (in ? 0xFFFFFFFFu : 0u);
    }
};

/// The masks of the line between two points given relative to the masks'
/// first column and row: from the table when it is short, else by the steps
/// of lineWalk. Each store sets a whole row (no read of a row just
/// written): a steep line has one pixel per row, and a shallow one's pixels
/// on a row run from the column after the previous row's last one to the
/// last one on this row.
void edgeRows(EdgeRows& edge, Point from, Point to) {
    if (to.y < from.y) {
        std::swap(from, to);
    }
    const std::int32_t dx = to.x - from.x;
    const std::int32_t dy = to.y - from.y;
    edge.top = from.y;
    edge.count = dy + 1;
    if (dx >= -kMaskReach && dx <= kMaskReach && dy <= kMaskReach) {
        const MaskedLine& line =
            maskedLines()[static_cast<std::size_t>(dy * kMaskColumns + dx + kMaskReach)];
        const std::int32_t shift = std::min(from.x, to.x);
        for (std::size_t r = 0; r < line.size(); ++r) {
            edge.bits[r] = std::uint32_t{line[r]} << shift;
        }
        return;
    }
    const std::int32_t adx = dx >= 0 ? dx : -dx;
    const bool xMajor = adx >= dy;
    const std::int32_t stepX = dx >= 0 ? 1 : -1;
    const std::int32_t longLen = xMajor ? adx : dy;
    const std::int32_t den = 2 * longLen;
    const std::int32_t step = 2 * (xMajor ? dy : adx);
    std::int32_t rem = longLen - ((xMajor ? dy : dx) >= 0 ? 1 : 0);
    std::int32_t x = from.x;
    std::int32_t k = 0;  // row - top
    if (!xMajor) {
        for (; k <= dy; ++k) {
            edge.bits[static_cast<std::size_t>(k)] = 1u << x;
            rem += step;
            const std::int32_t carry = rem >= den ? 1 : 0;
            rem -= den * carry;
            x += stepX * carry;
        }
        return;
    }
    std::array<std::int32_t, kWideSide> lastColumn;  // rows 0 .. dy, each set below
    for (std::int32_t i = 0; i <= adx; ++i) {
        lastColumn[static_cast<std::size_t>(k)] = x;
        rem += step;
        const std::int32_t carry = rem >= den ? 1 : 0;
        rem -= den * carry;
        x += stepX;
        k += carry;
    }
    std::int32_t before = from.x - stepX;
    for (std::size_t r = 0; r <= static_cast<std::size_t>(dy); ++r) {
        const std::int32_t last = lastColumn[r];
        const std::int32_t low = stepX > 0 ? before + 1 : last;
        const std::int32_t high = stepX > 0 ? last : before - 1;
        edge.bits[r] = (0xFFFFFFFFu >> (31 - high)) & (0xFFFFFFFFu << low);
        before = last;
    }
}

/// A triangle with its box in the view and under kWideSide pixels both
/// ways, the view at least that wide: its outline walked into row masks,
/// each row handed to writeRow(row, y, start, edge, cover) as 32 columns
/// from `start`, moved left at the view's right edge.
template <typename WriteRow>
[[gnu::always_inline]] inline void wideTriangleRows(const PlaneView& view,
                                                    std::span<const Point> corners,
                                                    const CornerBox& box, bool filled,
                                                    const WriteRow& writeRow) {
    const std::int32_t start = std::min(box.left, view.width - kWideSide);
    const auto local = [&](Point p) { return Point{p.x - start, p.y - box.top}; };
    std::array<EdgeRows, 3> edges;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        edgeRows(edges[i], local(corners[i]), local(corners[(i + 1) % edges.size()]));
    }
    std::uint8_t* row = view.row(box.top) + start;
    for (std::int32_t r = 0; r <= box.bottom - box.top; ++r, row += view.stride) {
        const unsigned bits = edges[0].at(r) | edges[1].at(r) | edges[2].at(r);
        writeRow(row, box.top + r, start, bits, filled ? spanOf(bits) : bits);
    }
}

/// Only planes: a row of whole pixels this wide is eight reads and writes,
/// more than the span fill and the outline walk cost.
void drawWideTriangle(const PlaneView& view, std::span<const Point> corners, const CornerBox& box,
                      const std::uint8_t* fill, std::uint8_t outline) {
    const std::uint8_t fillColour = fill != nullptr ? *fill : outline;
    const std::int32_t start = std::min(box.left, view.width - kWideSide);
    const bool secondHalf = box.right - start >= kMaskSide;  // a tall face may not reach it
    wideTriangleRows(
        view, corners, box, fill != nullptr,
        [&](std::uint8_t* row, std::int32_t, std::int32_t, unsigned edge, unsigned cover) {
            writeMaskedRow(row, edge & 0xFFFFu, cover & 0xFFFFu, fillColour, outline, 0);
            if (secondHalf) {
                writeMaskedRow(row + kMaskSide, edge >> kMaskSide, cover >> kMaskSide, fillColour,
                               outline, 0);
            }
        });
}

/// The corners a polygon is drawn from (the first 4) and their box; none
/// when it draws nothing in the view.
struct UsedCorners {
    std::span<const Point> used;
    CornerBox box{};
};

template <typename T>
[[gnu::always_inline]] inline std::optional<UsedCorners> usedCorners(
    const BasicPixelView<T>& view, std::span<const Point> corners) {
    if (view.empty() || corners.size() < 3) {
        return std::nullopt;
    }
    const auto used = corners.first(std::min<std::size_t>(corners.size(), 4));
    const CornerBox box = boxOf(used);
    if (outsideView(view, box)) {
        return std::nullopt;
    }
    return UsedCorners{used, box};
}

template <typename T>
[[gnu::always_inline]] inline void polygonIn(const BasicPixelView<T>& view,
                                             std::span<const Point> corners, const T* fill,
                                             T outline) {
    const std::optional<UsedCorners> drawn = usedCorners(view, corners);
    if (!drawn) {
        return;
    }
    const auto [used, box] = *drawn;
    const std::size_t count = used.size();
    if (withinTwoPixels(view, box)) {
        for (const Point p : used) {
            put(view, p.x, p.y, outline);
        }
        return;
    }
    const bool allInside =
        box.left >= 0 && box.top >= 0 && box.right < view.width && box.bottom < view.height;
    // Only filled ones: three short lines are as quick for an outline alone.
    if (fill != nullptr && count == 3 && allInside && box.right - box.left < kSmallSide &&
        box.bottom - box.top < kSmallSide) {
        drawSmallTriangle(view, used, box, fill, outline);
        return;
    }
    const std::int32_t narrowest = sizeof(T) == 1 ? 0 : kMaskedPixelsFrom - 1;
    if (count == 3 && allInside && box.right - box.left < kMaskSide &&
        box.right - box.left >= narrowest && box.bottom - box.top < kMaskSide &&
        view.width >= kMaskSide) {
        drawMaskedTriangle(view, used[0], used[1], used[2], box, fill, outline);
        return;
    }
    if constexpr (std::is_same_v<T, std::uint8_t>) {
        if (count == 3 && allInside && box.right - box.left < kWideSide &&
            box.bottom - box.top < kWideSide && view.width >= kWideSide) {
            drawWideTriangle(view, used, box, fill, outline);
            return;
        }
    }
    if (fill != nullptr) {
        if (count == 3 && allInside) {  // fillPolygonIn's clipping is not needed
            if (box.top < box.bottom) {
                fillTriangle(view, used[0], used[1], used[2], box.top, box.bottom - 1, *fill);
            }
        } else {
            fillPolygonIn(view, corners, *fill);
        }
    }
    if (allInside) {
        for (std::size_t i = 0; i < count; ++i) {  // the common case, checked once
            lineInside(view, used[i], used[i + 1 < count ? i + 1 : 0], outline);
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        lineIn(view, used[i], used[i + 1 < count ? i + 1 : 0], outline);
    }
}

/// Any polygon drawn alone into the scratch marks, its marked pixels then
/// taken where still free and the marks cleared again.
void markedPolygonBehind(const PlaneView& view, WrittenPixels& written, const PlaneView& marks,
                         std::span<const Point> corners, const CornerBox& box,
                         const std::uint8_t* fill, std::uint8_t outline) {
    // The polygon draws nothing outside its corners' box.
    const std::int32_t x0 = std::max(box.left, 0);
    const std::int32_t y0 = std::max(box.top, 0);
    const std::int32_t x1 = std::min(box.right, view.width - 1);
    const std::int32_t y1 = std::min(box.bottom, view.height - 1);
    if (written.boxWritten(x0, y0, x1, y1)) {
        return;
    }
    constexpr std::uint8_t kFillMark = 1;
    constexpr std::uint8_t kOutlineMark = 2;
    // Through the one entry of the plane's polygons, so that their code
    // stays inlined there.
    polygon(marks, corners, fill != nullptr ? &kFillMark : nullptr, kOutlineMark);
    for (std::int32_t y = y0; y <= y1; ++y) {
        std::uint8_t* const mark = marks.row(y);
        std::uint8_t* const pixel = view.row(y);
        std::int32_t x = x0;
        for (; x <= x1; ++x) {
            if (x + 8 <= x1 + 1) {  // eight at a time while there is nothing
                std::uint64_t eight;
                std::memcpy(&eight, mark + x, sizeof eight);
                if (eight == 0) {
                    x += 7;
                    continue;
                }
            }
            if (mark[x] == 0) {
                continue;
            }
            if ((written.bits(x, y) & 1u) == 0) {
                pixel[x] = mark[x] == kOutlineMark ? outline : *fill;
                written.add(x, y, 1u);
            }
            mark[x] = 0;
        }
    }
}

/// kTestBox: whether a row-mask triangle whose box is wholly written is
/// passed over before its rows are worked out (the caller may have tested).
template <bool kTestBox>
void polygonBehindIn(const PlaneView& view, WrittenPixels& written, const PlaneView& marks,
                     std::span<const Point> corners, const std::uint8_t* fill,
                     std::uint8_t outline) {
    const std::optional<UsedCorners> drawn = usedCorners(view, corners);
    if (!drawn) {
        return;
    }
    const auto [used, box] = *drawn;
    const bool triangleInside = used.size() == 3 && box.left >= 0 && box.top >= 0 &&
                                box.right < view.width && box.bottom < view.height &&
                                view.width >= kWideSide;
    if (!triangleInside || box.right - box.left >= kWideSide || box.bottom - box.top >= kWideSide) {
        markedPolygonBehind(view, written, marks, used, box, fill, outline);
        return;
    }
    if (kTestBox && written.narrowBoxWritten(box.left, box.top, box.right, box.bottom)) {
        return;
    }
    const std::uint8_t fillColour = fill != nullptr ? *fill : outline;
    const auto behind = [&](std::uint8_t* row, std::int32_t y, std::int32_t start, unsigned edge,
                            unsigned cover) {
        const std::uint32_t free = cover & ~written.bits(start, y);
        if (free == 0) {
            return;
        }
        written.add(start, y, free);
        edge &= free;
        if ((free & 0xFFFFu) != 0) {
            writeMaskedBytes(row, edge & 0xFFFFu, free & 0xFFFFu, fillColour, outline);
        }
        if ((free >> kMaskSide) != 0) {
            writeMaskedBytes(row + kMaskSide, edge >> kMaskSide, free >> kMaskSide, fillColour,
                             outline);
        }
    };
    if (box.right - box.left < kMaskSide && box.bottom - box.top < kMaskSide) {
        maskedTriangleRows(maskedLines(), view, used[0], used[1], used[2], box.left, kMaskSide,
                           fill != nullptr, behind);
    } else {
        wideTriangleRows(view, used, box, fill != nullptr, behind);
    }
}

template <typename T>
void fillBoxIn(const BasicPixelView<T>& view, std::int32_t left, std::int32_t top,
               std::int32_t right, std::int32_t bottom, T colour) {
    if (view.empty()) {
        return;
    }
    const I64 x0 = std::max<I64>(std::min(left, right), 0);
    const I64 x1 = std::min<I64>(std::max(left, right), view.width);
    const I64 y0 = std::max<I64>(std::min(top, bottom), 0);
    const I64 y1 = std::min<I64>(std::max(top, bottom), view.height);
    for (I64 y = y0; y < y1; ++y) {
        span(view, y, x0, x1, colour);
    }
}

template <typename T>
void rectangleIn(const BasicPixelView<T>& view, std::int32_t left, std::int32_t top,
                 std::int32_t right, std::int32_t bottom, const T* fill, T outline) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    if (view.empty() || left == right || top == bottom) {
        return;
    }
    if (fill != nullptr) {
        fillBoxIn(view, left, top, right, bottom, *fill);
    }
    // right - 1 and bottom - 1 cannot overflow: right > left, bottom > top.
    fillBoxIn(view, left, top, right, top + 1, outline);
    fillBoxIn(view, left, bottom - 1, right, bottom, outline);
    fillBoxIn(view, left, top, left + 1, bottom, outline);
    fillBoxIn(view, right - 1, top, right, bottom, outline);
}

}  // namespace

void line(PixelView view, Point from, Point to, Pixel colour) {
    lineIn(view, from, to, colour);
}
void line(PlaneView view, Point from, Point to, std::uint8_t colour) {
    lineIn(view, from, to, colour);
}

void fillPolygon(PixelView view, std::span<const Point> corners, Pixel colour) {
    fillPolygonIn(view, corners, colour);
}
void fillPolygon(PlaneView view, std::span<const Point> corners, std::uint8_t colour) {
    fillPolygonIn(view, corners, colour);
}

void polygon(PixelView view, std::span<const Point> corners, const Pixel* fill, Pixel outline) {
    polygonIn(view, corners, fill, outline);
}
void polygon(PlaneView view, std::span<const Point> corners, const std::uint8_t* fill,
             std::uint8_t outline) {
    polygonIn(view, corners, fill, outline);
}

void fillBox(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Pixel colour) {
    fillBoxIn(view, left, top, right, bottom, colour);
}
void fillBox(PlaneView view, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, std::uint8_t colour) {
    fillBoxIn(view, left, top, right, bottom, colour);
}

void polygonBehind(PlaneView view, WrittenPixels& written, PlaneView marks,
                   std::span<const Point> corners, const std::uint8_t* fill, std::uint8_t outline) {
    polygonBehindIn<true>(view, written, marks, corners, fill, outline);
}

void visiblePolygonBehind(PlaneView view, WrittenPixels& written, PlaneView marks,
                          std::span<const Point> corners, const std::uint8_t* fill,
                          std::uint8_t outline) {
    polygonBehindIn<false>(view, written, marks, corners, fill, outline);
}

void rectangle(PixelView view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, const Pixel* fill, Pixel outline) {
    rectangleIn(view, left, top, right, bottom, fill, outline);
}
void rectangle(PlaneView view, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, const std::uint8_t* fill, std::uint8_t outline) {
    rectangleIn(view, left, top, right, bottom, fill, outline);
}

namespace {

/// A block transfer clipped to both pictures: source rows [top, bottom) and
/// columns [left, right) land shifted by (shiftX, shiftY) in the target.
struct ClippedBlock {
    I64 left = 0;
    I64 top = 0;
    I64 right = 0;
    I64 bottom = 0;
    I64 shiftX = 0;
    I64 shiftY = 0;

    bool empty() const { return left >= right || top >= bottom; }
};

// Clip the source block to the source, then to the target, moving the other
// block along. Empty when either picture is, or the block covers no pixel.
template <typename S>
ClippedBlock clipBlock(const PixelView& target, std::int32_t x, std::int32_t y, std::int32_t width,
                       std::int32_t height, const BasicPixelView<S>& source, std::int32_t srcX,
                       std::int32_t srcY) {
    ClippedBlock b;
    if (target.empty() || source.empty() || width < 1 || height < 1) {
        return b;
    }
    b.shiftX = I64{x} - srcX;
    b.shiftY = I64{y} - srcY;
    b.left = std::max({I64{srcX}, I64{0}, -b.shiftX});
    b.top = std::max({I64{srcY}, I64{0}, -b.shiftY});
    b.right = std::min({I64{srcX} + width, I64{source.width}, target.width - b.shiftX});
    b.bottom = std::min({I64{srcY} + height, I64{source.height}, target.height - b.shiftY});
    return b;
}

}  // namespace

void transfer(PixelView target, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, PixelView source, std::int32_t srcX, std::int32_t srcY,
              BlockOp op) {
    const ClippedBlock b = clipBlock(target, x, y, width, height, source, srcX, srcY);
    if (b.empty()) {
        return;
    }
    const I64 columns = b.right - b.left;
    // Within one image, walk rows (and, for OR, columns) so that each source
    // pixel is read before the transfer overwrites it.
    const bool upwards = target.pixels == source.pixels && b.shiftY > 0;
    const bool leftwards = target.pixels == source.pixels && b.shiftX > 0;
    for (I64 k = 0; k < b.bottom - b.top; ++k) {
        const I64 row = upwards ? b.bottom - 1 - k : b.top + k;
        const Pixel* from = source.row(static_cast<std::int32_t>(row)) + b.left;
        Pixel* to = target.row(static_cast<std::int32_t>(row + b.shiftY)) + b.left + b.shiftX;
        if (op == BlockOp::Copy) {
            std::memmove(to, from, static_cast<std::size_t>(columns) * sizeof(Pixel));
        } else if (leftwards) {
            for (I64 c = columns - 1; c >= 0; --c) {
                to[c] |= from[c];
            }
        } else {
            orPixels(to, from, columns);
        }
    }
}

void transfer(PixelView target, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, PlaneView source, Channel channel, std::int32_t srcX,
              std::int32_t srcY, BlockOp op) {
    const ClippedBlock b = clipBlock(target, x, y, width, height, source, srcX, srcY);
    if (b.empty()) {
        return;
    }
    const int shift = channelShift(channel);
    const I64 columns = b.right - b.left;
    for (I64 row = b.top; row < b.bottom; ++row) {
        const std::uint8_t* from = source.row(static_cast<std::int32_t>(row)) + b.left;
        Pixel* to = target.row(static_cast<std::int32_t>(row + b.shiftY)) + b.left + b.shiftX;
        if (op == BlockOp::Copy) {
            expandBytes(to, from, columns, shift);
        } else {
            orBytes(to, from, columns, shift);
        }
    }
}

}  // namespace kelpris::raster
