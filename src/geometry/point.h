#pragma once
// A position in window pixels: what a projection gives for a model point and
// what the drawing surface draws at.

#include <cstdint>

namespace kelpris {

/// Integer pixels, origin top left, x to the right, y downwards.
struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(Point, Point) = default;
};

}  // namespace kelpris
