#pragma once
// 4x4 single-precision homogeneous transform for row vectors: p' = p * M.
// Every operation appends its factor on the right (M := M * X), so the
// operation appended last acts on the point last. Products and sums are
// carried in double precision and rounded to float exactly where noted;
// projected window coordinates are truncated toward zero with saturation.

#include <cstdint>

#include "geometry/point.h"

namespace kelpris {

/// Arguments of a one-eye perspective projection.
struct StereoParams {
    std::int32_t depthOffset = 0;  ///< model centre to picture plane, pixels
    std::int32_t eyeDistance = 0;  ///< picture plane to the eye, pixels
    std::int32_t eyeShift = 0;     ///< half the eye separation, pixels
    std::int32_t eyeSign = 0;      ///< +1 right eye, -1 left eye, 0 view axis
    float scale = 0.0f;            ///< pixels per model unit
    std::int32_t originX = 0;
    std::int32_t originY = 0;
};

struct StereoPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t depth = 0;
};

class Matrix4 {
  public:
    /// Elements m[row][column], row by row. Translation lives in row 3.
    float m[4][4];

    Matrix4() noexcept { setIdentity(); }

    void setIdentity() noexcept;
    /// M := M * T, T the identity with row 3 = (tx, ty, tz, 1).
    /// Appending (all operations below): R[i][j] is a running sum over
    /// k = 0..3 of M[i][k] * X[k][j], each step in double and rounded to
    /// float; M is replaced only when all of R is computed.
    void translate(std::int32_t tx, std::int32_t ty, std::int32_t tz) noexcept;
    /// M := M * Rz(angle), Rz rows (c, s, 0, 0), (-s, c, 0, 0), (0, 0, 1, 0),
    /// (0, 0, 0, 1): x' = x c - y s, y' = x s + y c. s and c are computed in
    /// double from the float angle and rounded to float before use.
    void rotateZ(float angle) noexcept;
    /// M := M * Rx(angle), Rx rows (1, 0, 0, 0), (0, c, s, 0), (0, -s, c, 0),
    /// (0, 0, 0, 1): y' = y c - z s, z' = y s + z c. Rounding as rotateZ.
    void rotateX(float angle) noexcept;
    /// M := M * diag(1, 1, 0, 1): drops the depth axis.
    void flatten() noexcept;

    /// (x, y, z, w) := (x, y, z, w) * M; each result summed in double and
    /// rounded to float once.
    void apply(float& x, float& y, float& z, float& w) const noexcept;

    /// Parallel projection: apply M to (x, y, z, 1) giving (px, py, ...);
    /// x = trunc(px * scale) + originX, y = trunc(-py * scale) + originY, the
    /// products in double, never rounded to float. Truncation is toward zero;
    /// results outside int32 saturate.
    Point projectParallel(std::int32_t x, std::int32_t y, std::int32_t z, float scale,
                          std::int32_t originX, std::int32_t originY) const noexcept;

    /// Perspective projection for one eye; also yields the integer depth
    /// behind the picture plane. Apply M to (x, y, z, 1); px, py, pz :=
    /// float(p * scale); pz := float(depthOffset + pz); k = pz / eyeDistance
    /// + 1 (double); t1 = trunc(px / k), t2 = trunc((px - eyeShift) / k);
    /// x = t1 + eyeSign * (eyeShift - t1 + t2) + originX,
    /// y = trunc(-py / k) + originY, depth = trunc(pz).
    /// Degenerate divisors (eye distance 0, a point at or behind the eye: k
    /// zero, negative, infinite or NaN) and huge values give saturated
    /// integers (NaN quotients give 0); the integer sums saturate instead of
    /// overflowing and equal plain 32-bit arithmetic whenever that does not
    /// overflow. The depth and y do not depend on the eye.
    StereoPoint projectStereo(std::int32_t x, std::int32_t y, std::int32_t z,
                              const StereoParams& params) const noexcept;

  private:
    void appendRight(const float (&x)[4][4]) noexcept;
};

}  // namespace kelpris
