#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "comma_locale.h"

namespace kelpris {
namespace {

const std::vector<double>& values() {
    static const std::vector<double> v = {
        0.0,
        -0.0,
        1.5707963705062866,  // PI/2 as the viewer stores it
        3.141592025756836,
        6.283184051513672,
        -1.25,
        0.0000005,  // ties at the sixth decimal
        0.0000015,
        0.0000025,
        -0.0000005,
        0.9999995,
        0.49999999999999994,
        123456789.0,
        1e22,
        -1e22,
        static_cast<double>(FLT_MAX),
        -static_cast<double>(FLT_MAX),
        DBL_MAX,
        -DBL_MAX,
        DBL_MIN,
        std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
    };
    return v;
}

std::string cLocalePrintf(double v) {
    std::vector<char> buffer(400);
    std::snprintf(buffer.data(), buffer.size(), "%f", v);
    return buffer.data();
}

TEST(FormatFixed6, givesTheDigitsOfPrintfInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    for (const double v : values()) {
        EXPECT_EQ(formatFixed6(v), cLocalePrintf(v)) << "value " << v;
    }
}

TEST(FormatFixed6, keepsThePointUnderACommaLocale) {
    std::setlocale(LC_ALL, "C");
    std::vector<std::string> expected;
    for (const double v : values()) {
        expected.push_back(cLocalePrintf(v));
    }

    const testing::CommaLocale german;
    if (!german.active()) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale and localedef could not make one";
    }
    // The locale really is in force: printf itself now writes a comma.
    ASSERT_EQ(cLocalePrintf(1.5), "1,500000");
    for (std::size_t n = 0; n < values().size(); ++n) {
        EXPECT_EQ(formatFixed6(values()[n]), expected[n]) << "value " << expected[n];
    }
}

}  // namespace
}  // namespace kelpris
