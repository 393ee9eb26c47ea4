#pragma once
// Conversions from floating point to 32-bit integers that are defined for
// every input: truncation toward zero, saturation at the int32 limits, and 0
// for NaN. The drawing code feeds projected coordinates through these, and a
// degenerate projection (an eye on the picture plane, a point behind the eye)
// can produce infinities or NaN.

#include <cmath>
#include <cstdint>
#include <limits>

namespace kelpris {

/// Truncates toward zero; saturates to INT32_MIN/INT32_MAX; NaN gives 0.
constexpr std::int32_t truncToInt32(double v) noexcept {
    if (v != v) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

/// Clamps a 64-bit integer into int32 range.
constexpr std::int32_t saturateToInt32(std::int64_t v) noexcept {
    if (v > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

}  // namespace kelpris
