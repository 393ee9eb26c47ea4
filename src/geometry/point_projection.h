#pragma once
// Per-point projection arithmetic shared by Matrix4's single-point operations
// and the whole-scene loops, kept inline so the loops compile to straight
// code with the matrix held in registers.
//
// Every step keeps the exact rounding points of the projections: products
// and sums in double, rounded to float only where a stored value is formed.
// Integer results go through the saturating conversions, so degenerate
// divisors and huge coordinates give defined values.

#include <cstdint>

#include "geometry/matrix4.h"
#include "scene/saturate.h"

namespace kelpris::detail {

/// One column of (x, y, z, 1) * m, summed left to right in double and
/// rounded to float once.
inline float transformColumn(const float (&m)[4][4], int j, float x, float y, float z) noexcept {
    double s = static_cast<double>(x) * m[0][j];
    s = s + static_cast<double>(y) * m[1][j];
    s = s + static_cast<double>(z) * m[2][j];
    s = s + 1.0 * m[3][j];
    return static_cast<float>(s);
}

/// originX + offset with the 32-bit sum saturated instead of overflowing.
inline std::int32_t place(std::int32_t offset, std::int32_t origin) noexcept {
    return saturateToInt32(static_cast<std::int64_t>(offset) + origin);
}

inline ParallelPoint projectParallel(const float (&m)[4][4], std::int32_t x, std::int32_t y,
                                     std::int32_t z, float scale, std::int32_t originX,
                                     std::int32_t originY) noexcept {
    const auto fx = static_cast<float>(x);
    const auto fy = static_cast<float>(y);
    const auto fz = static_cast<float>(z);
    const float px = transformColumn(m, 0, fx, fy, fz);
    const float py = transformColumn(m, 1, fx, fy, fz);
    // The scaled values are truncated straight from double, not via float.
    const double sx = static_cast<double>(px) * scale;
    const double sy = -static_cast<double>(py) * scale;
    return {place(truncToInt32(sx), originX), place(truncToInt32(sy), originY)};
}

inline StereoPoint projectStereo(const float (&m)[4][4], std::int32_t x, std::int32_t y,
                                 std::int32_t z, const StereoParams& p) noexcept {
    const auto fx = static_cast<float>(x);
    const auto fy = static_cast<float>(y);
    const auto fz = static_cast<float>(z);
    float px = transformColumn(m, 0, fx, fy, fz);
    float py = transformColumn(m, 1, fx, fy, fz);
    float pz = transformColumn(m, 2, fx, fy, fz);

    px = static_cast<float>(static_cast<double>(px) * p.scale);
    py = static_cast<float>(static_cast<double>(py) * p.scale);
    pz = static_cast<float>(static_cast<double>(pz) * p.scale);
    pz = static_cast<float>(static_cast<double>(p.depthOffset) + pz);

    // Not rounded to float. Zero, negative, infinite or NaN for an eye on the
    // picture plane or a point at or behind the eye; the conversions below
    // saturate those.
    const double k = static_cast<double>(pz) / p.eyeDistance + 1.0;
    const std::int32_t t1 = truncToInt32(static_cast<double>(px) / k);
    const std::int32_t t2 =
        truncToInt32((static_cast<double>(px) - static_cast<double>(p.eyeShift)) / k);

    // t1 + eyeSign * (eyeShift - t1 + t2) + originX, each 32-bit step
    // saturated: equal to plain int32 arithmetic whenever that does not
    // overflow.
    const std::int32_t spread = saturateToInt32(static_cast<std::int64_t>(p.eyeShift) - t1 + t2);
    const std::int32_t offset = saturateToInt32(static_cast<std::int64_t>(p.eyeSign) * spread);
    const std::int32_t wx = saturateToInt32(static_cast<std::int64_t>(t1) + offset);

    StereoPoint out;
    out.x = place(wx, p.originX);
    out.y = place(truncToInt32(-static_cast<double>(py) / k), p.originY);
    out.depth = truncToInt32(pz);
    return out;
}

}  // namespace kelpris::detail
