#pragma once
// Integer helpers of the view: the layout and handle arithmetic is 32-bit in
// meaning, but is carried in 64 bits and saturated so that absurd window sizes
// or pointer positions cannot overflow. For real sizes the results are the
// plain 32-bit ones.

#include <cstdint>

#include "base/saturate.h"

namespace kelpris::detail {

constexpr std::int32_t sat(std::int64_t v) noexcept {
    return saturateToInt32(v);
}

/// |a - b| as a 64-bit value, never overflowing.
constexpr std::int64_t absDiff(std::int32_t a, std::int32_t b) noexcept {
    const std::int64_t d = static_cast<std::int64_t>(a) - b;
    return d < 0 ? -d : d;
}

}  // namespace kelpris::detail
