#pragma once
// Numbers as text for the screen and for files, independent of the locale.
// The GUI toolkit sets the C library's locale from the environment, so
// "%f" would print "1,570796" under a German LC_NUMERIC; these always use a
// point.

#include <array>
#include <charconv>
#include <string>
#include <system_error>

namespace kelpris {

/// The text "%f" gives in the C locale: fixed notation, six decimals, a
/// leading '-' for negative values (including -0), and "inf", "-inf", "nan"
/// or "-nan" for the special values.
inline std::string formatFixed6(double value) {
    // The longest result, -DBL_MAX, has 309 integer digits, a sign, a point
    // and six decimals.
    std::array<char, 330> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, 6);
    if (ec != std::errc{}) {
        return {};  // cannot happen: the buffer holds every double
    }
    return std::string(buffer.data(), end);
}

}  // namespace kelpris
