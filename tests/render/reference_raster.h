#pragma once
// A slow, per-pixel statement of the pixel rules of drawing_surface.h, to
// check the span rasteriser against: every pixel asks on its own whether its
// centre is inside the polygon, or whether it is the pixel a line picks on
// its column (or row).

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "render/raster.h"

namespace kelpris::reference {

using I64 = std::int64_t;
__extension__ typedef __int128 I128;

/// Even-odd, sampling pixel (x, y) at the point (x, y), which is how a line
/// through the corners sees them too: inside when a ray from the point to the
/// right crosses an odd number of edges. An edge from ya to yb (ya < yb)
/// counts on rows ya <= y < yb, and only where it passes strictly right of
/// the point.
inline bool inside(std::span<const Point> corners, I64 x, I64 y) {
    const std::size_t count = std::min<std::size_t>(corners.size(), 4);
    int crossings = 0;
    for (std::size_t i = 0; i < count; ++i) {
        Point a = corners[i];
        Point b = corners[(i + 1) % count];
        if (a.y == b.y) {
            continue;
        }
        if (a.y > b.y) {
            std::swap(a, b);
        }
        if (y < a.y || y >= b.y) {
            continue;
        }
        const I64 dx = I64{b.x} - a.x;
        const I64 dy = I64{b.y} - a.y;
        // xe > x, with xe = ax + (y - ay) dx / dy, multiplied out by dy > 0.
        const I128 side = I128{I64{a.x} - x} * dy + I128{y - I64{a.y}} * dx;
        crossings += side > 0 ? 1 : 0;
    }
    return crossings % 2 == 1;
}

/// The line from a to b covers one pixel per column (per row when it is
/// steeper than 45 degrees): the one nearest the ideal line, the smaller
/// coordinate on a tie. Both ends are included; from a to itself, that pixel.
inline bool onLine(Point a, Point b, I64 x, I64 y) {
    if (a == b) {
        return x == a.x && y == a.y;
    }
    const I64 adx = std::abs(I64{b.x} - a.x);
    const I64 ady = std::abs(I64{b.y} - a.y);
    I64 major = x;
    I64 minor = y;
    I64 m0 = a.x;
    I64 n0 = a.y;
    I64 m1 = b.x;
    I64 n1 = b.y;
    if (adx < ady) {
        std::swap(major, minor);
        std::swap(m0, n0);
        std::swap(m1, n1);
    }
    if (m1 < m0) {
        std::swap(m0, m1);
        std::swap(n0, n1);
    }
    if (major < m0 || major > m1) {
        return false;
    }
    const I64 dm = m1 - m0;
    // 2 dm (minor - ideal), with ideal = n0 + (major - m0) (n1 - n0) / dm.
    const I128 e = I128{2} * (minor - n0) * dm - I128{2} * (major - m0) * (n1 - n0);
    return e >= -dm && e < dm;
}

/// A picture of w x h pixels drawn by the rules above.
class Picture {
  public:
    Picture(int w, int h, Pixel background)
        : w_(w), h_(h), pixels_(std::size_t(w) * h, background) {}

    PixelView view() { return PixelView{pixels_.data(), w_, h_, w_}; }
    const std::vector<Pixel>& pixels() const { return pixels_; }
    Pixel at(int x, int y) const { return pixels_[std::size_t(y) * w_ + x]; }

    void line(Point a, Point b, Pixel colour) {
        each([&](int x, int y) { return onLine(a, b, x, y); }, colour);
    }
    void fill(std::span<const Point> corners, Pixel colour) {
        if (corners.size() >= 3) {
            each([&](int x, int y) { return inside(corners, x, y); }, colour);
        }
    }
    void polygon(std::span<const Point> corners, const Pixel* fill, Pixel outline) {
        if (corners.size() < 3) {
            return;
        }
        if (fill != nullptr) {
            this->fill(corners, *fill);
        }
        const std::size_t count = std::min<std::size_t>(corners.size(), 4);
        for (std::size_t i = 0; i < count; ++i) {
            line(corners[i], corners[(i + 1) % count], outline);
        }
    }
    /// Columns l .. r-1 and rows t .. b-1, the outline along the outermost ones.
    void rectangle(I64 l, I64 t, I64 r, I64 b, const Pixel* fill, Pixel outline) {
        if (r < l) {
            std::swap(l, r);
        }
        if (b < t) {
            std::swap(t, b);
        }
        each(
            [&](int x, int y) {
                const bool in = x >= l && x < r && y >= t && y < b;
                return in && (x == l || x == r - 1 || y == t || y == b - 1);
            },
            outline);
        if (fill != nullptr) {
            each([&](int x, int y) { return x > l && x < r - 1 && y > t && y < b - 1; }, *fill);
        }
    }

  private:
    template <typename Covered>
    void each(Covered covered, Pixel colour) {
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                if (covered(x, y)) {
                    pixels_[std::size_t(y) * w_ + x] = colour;
                }
            }
        }
    }

    int w_;
    int h_;
    std::vector<Pixel> pixels_;
};

}  // namespace kelpris::reference
