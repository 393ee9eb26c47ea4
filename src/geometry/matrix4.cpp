#include "geometry/matrix4.h"

#include <cmath>

#include "geometry/point_projection.h"

namespace kelpris {

void Matrix4::setIdentity() noexcept {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = i == j ? 1.0f : 0.0f;
        }
    }
}

void Matrix4::appendRight(const float (&x)[4][4]) noexcept {
    // Computed into a temporary so every entry reads the old M; the running
    // sum is rounded to float after each term.
    float r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum = static_cast<float>(static_cast<double>(m[i][k]) * x[k][j] +
                                         static_cast<double>(sum));
            }
            r[i][j] = sum;
        }
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = r[i][j];
        }
    }
}

void Matrix4::translate(std::int32_t tx, std::int32_t ty, std::int32_t tz) noexcept {
    // int -> float is the only rounding here, and only past 2^24.
    const float t[4][4] = {
        {1.0f, 0.0f, 0.0f, 0.0f},
        {0.0f, 1.0f, 0.0f, 0.0f},
        {0.0f, 0.0f, 1.0f, 0.0f},
        {static_cast<float>(tx), static_cast<float>(ty), static_cast<float>(tz), 1.0f}};
    appendRight(t);
}

// s and c are rounded to float before use. GCC 12.2's vectoriser drops that
// rounding when it packs the two together, so this library is built without
// it (src/geometry/CMakeLists.txt has the reduced case).
void Matrix4::rotateZ(float angle) noexcept {
    const auto s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const auto c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float r[4][4] = {{c, s, 0.0f, 0.0f},
                           {-s, c, 0.0f, 0.0f},
                           {0.0f, 0.0f, 1.0f, 0.0f},
                           {0.0f, 0.0f, 0.0f, 1.0f}};
    appendRight(r);
}

void Matrix4::rotateX(float angle) noexcept {
    const auto s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const auto c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float r[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                           {0.0f, c, s, 0.0f},
                           {0.0f, -s, c, 0.0f},
                           {0.0f, 0.0f, 0.0f, 1.0f}};
    appendRight(r);
}

void Matrix4::flatten() noexcept {
    const float f[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                           {0.0f, 1.0f, 0.0f, 0.0f},
                           {0.0f, 0.0f, 0.0f, 0.0f},
                           {0.0f, 0.0f, 0.0f, 1.0f}};
    appendRight(f);
}

void Matrix4::apply(float& x, float& y, float& z, float& w) const noexcept {
    float out[4];
    for (int j = 0; j < 4; ++j) {
        double s = static_cast<double>(x) * m[0][j];
        s = s + static_cast<double>(y) * m[1][j];
        s = s + static_cast<double>(z) * m[2][j];
        s = s + static_cast<double>(w) * m[3][j];
        out[j] = static_cast<float>(s);
    }
    x = out[0];
    y = out[1];
    z = out[2];
    w = out[3];
}

Point Matrix4::projectParallel(std::int32_t x, std::int32_t y, std::int32_t z, float scale,
                               std::int32_t originX, std::int32_t originY) const noexcept {
    return detail::ParallelProjector(*this, scale, originX, originY)(x, y, z);
}

StereoPoint Matrix4::projectStereo(std::int32_t x, std::int32_t y, std::int32_t z,
                                   const StereoParams& params) const noexcept {
    return detail::StereoProjector(*this, params)(x, y, z);
}

}  // namespace kelpris
