#pragma once
// Per-point projection arithmetic shared by Matrix4's single-point operations
// and the whole-scene loops. The projectors take the matrix and arguments
// once (widened to double, which is exact) so a loop over many points keeps
// them in registers and the per-point code inlines into the loop.
//
// Every step keeps the exact rounding points of the projections: products
// and sums in double, rounded to float only where a stored value is formed.
// Integer results go through the saturating conversions, so degenerate
// divisors and huge coordinates give defined values.

#include <cstdint>

#include "base/saturate.h"
#include "geometry/matrix4.h"

namespace kelpris::detail {

/// originX + offset with the 32-bit sum saturated instead of overflowing.
[[gnu::always_inline]] inline std::int32_t place(std::int32_t offset,
                                                 std::int32_t origin) noexcept {
    return saturateToInt32(static_cast<std::int64_t>(offset) + origin);
}

/// Columns 0..ncols-1 of a Matrix4, each element widened to double.
template <int ncols>
struct Columns {
    double c[ncols][4];

    explicit Columns(const Matrix4& xf) noexcept {
        for (int j = 0; j < ncols; ++j) {
            for (int i = 0; i < 4; ++i) {
                c[j][i] = xf.m[i][j];
            }
        }
    }

    /// Column j of (x, y, z, 1) * M, summed left to right in double and
    /// rounded to float once.
    [[gnu::always_inline]] float transform(int j, float x, float y, float z) const noexcept {
        double s = static_cast<double>(x) * c[j][0];
        s = s + static_cast<double>(y) * c[j][1];
        s = s + static_cast<double>(z) * c[j][2];
        s = s + 1.0 * c[j][3];
        return static_cast<float>(s);
    }
};

class ParallelProjector {
  public:
    ParallelProjector(const Matrix4& xf, float scale, std::int32_t originX,
                      std::int32_t originY) noexcept
        : cols_(xf), scale_(scale), originX_(originX), originY_(originY) {}

    [[gnu::always_inline]] Point operator()(std::int32_t x, std::int32_t y,
                                            std::int32_t z) const noexcept {
        const auto fx = static_cast<float>(x);
        const auto fy = static_cast<float>(y);
        const auto fz = static_cast<float>(z);
        const float px = cols_.transform(0, fx, fy, fz);
        const float py = cols_.transform(1, fx, fy, fz);
        // The scaled values are truncated straight from double, not via float.
        const double sx = static_cast<double>(px) * scale_;
        const double sy = -static_cast<double>(py) * scale_;
        return {place(truncToInt32(sx), originX_), place(truncToInt32(sy), originY_)};
    }

  private:
    Columns<2> cols_;
    double scale_;
    std::int32_t originX_;
    std::int32_t originY_;
};

class StereoProjector {
  public:
    StereoProjector(const Matrix4& xf, const StereoParams& p) noexcept
        : cols_(xf),
          scale_(p.scale),
          depthOffset_(p.depthOffset),
          eyeDistance_(p.eyeDistance),
          eyeShift_(p.eyeShift),
          eyeShiftInt_(p.eyeShift),
          eyeSign_(p.eyeSign),
          originX_(p.originX),
          originY_(p.originY) {}

    /// The part of a point's projection that is the same for both eyes: y,
    /// the depth and the two quotients the eye's x is made of.
    struct Shared {
        std::int32_t t1 = 0;
        std::int32_t t2 = 0;
        std::int32_t y = 0;
        std::int32_t depth = 0;
    };

    [[gnu::always_inline]] Shared shared(std::int32_t x, std::int32_t y,
                                         std::int32_t z) const noexcept {
        const auto fx = static_cast<float>(x);
        const auto fy = static_cast<float>(y);
        const auto fz = static_cast<float>(z);
        float px = cols_.transform(0, fx, fy, fz);
        float py = cols_.transform(1, fx, fy, fz);
        float pz = cols_.transform(2, fx, fy, fz);

        px = static_cast<float>(static_cast<double>(px) * scale_);
        py = static_cast<float>(static_cast<double>(py) * scale_);
        pz = static_cast<float>(static_cast<double>(pz) * scale_);
        pz = static_cast<float>(depthOffset_ + static_cast<double>(pz));

        // Not rounded to float. Zero, negative, infinite or NaN for an eye on
        // the picture plane or a point at or behind the eye; the conversions
        // below saturate those.
        const double k = static_cast<double>(pz) / eyeDistance_ + 1.0;
        Shared out;
        out.t1 = truncToInt32(static_cast<double>(px) / k);
        out.t2 = truncToInt32((static_cast<double>(px) - eyeShift_) / k);
        out.y = place(truncToInt32(-static_cast<double>(py) / k), originY_);
        out.depth = truncToInt32(pz);
        return out;
    }

    /// x for the eye of `eyeSign`: t1 + eyeSign * (eyeShift - t1 + t2) +
    /// originX, each 32-bit step saturated: equal to plain int32 arithmetic
    /// whenever that does not overflow.
    [[gnu::always_inline]] std::int32_t eyeX(const Shared& s, std::int32_t eyeSign) const noexcept {
        const std::int32_t spread =
            saturateToInt32(static_cast<std::int64_t>(eyeShiftInt_) - s.t1 + s.t2);
        const std::int32_t offset = saturateToInt32(static_cast<std::int64_t>(eyeSign) * spread);
        const std::int32_t wx = saturateToInt32(static_cast<std::int64_t>(s.t1) + offset);
        return place(wx, originX_);
    }

    [[gnu::always_inline]] StereoPoint operator()(std::int32_t x, std::int32_t y,
                                                  std::int32_t z) const noexcept {
        const Shared s = shared(x, y, z);
        return {eyeX(s, eyeSign_), s.y, s.depth};
    }

  private:
    Columns<3> cols_;
    double scale_;
    double depthOffset_;
    double eyeDistance_;
    double eyeShift_;
    std::int32_t eyeShiftInt_;
    std::int32_t eyeSign_;
    std::int32_t originX_;
    std::int32_t originY_;
};

}  // namespace kelpris::detail
