// Number tokens of the scene file: integers and reals exactly as the C
// library would read them, apart from the broken tokens that are refused.

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "scene/scene_reader.h"

namespace kelpris {
namespace {

using scanner::ScanResult;

scanner::Scanned<std::int32_t> scanInt(std::string_view s) {
    return scanner::scanInt(s.data(), s.data() + s.size());
}
scanner::Scanned<float> scanFloat(std::string_view s) {
    return scanner::scanFloat(s.data(), s.data() + s.size());
}

TEST(NumberScanTest, readsIntegersInEveryBaseWithTheirTokenLength) {
    struct Case {
        const char* text;
        std::int32_t value;
        std::size_t length;
    } cases[] = {
        {"42", 42, 2},
        {"-42 ", -42, 3},
        {"+7x", 7, 2},
        {"0", 0, 1},
        {"-0", 0, 2},
        {"017", 15, 3},
        {"0x1F", 31, 4},
        {"0XaBg", 171, 4},
        {"-0x10", -16, 5},
        {"2147483647", 2147483647, 10},
        {"-2147483648", std::numeric_limits<std::int32_t>::min(), 11},
        {"-0x80000000", std::numeric_limits<std::int32_t>::min(), 11},
        {"0000000000000000000012", 10, 22},  // octal, leading zeros do not overflow
        {"12.5", 12, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = scanInt(c.text);
        ASSERT_EQ(r.result, ScanResult::Ok);
        EXPECT_EQ(r.value, c.value);
        EXPECT_EQ(static_cast<std::size_t>(r.next - c.text), c.length);
    }
}

TEST(NumberScanTest, refusesBrokenAndOversizedIntegers) {
    struct Case {
        const char* text;
        ScanResult result;
    } cases[] = {
        {"", ScanResult::None},
        {"-", ScanResult::None},
        {"+ 1", ScanResult::None},
        {"x1", ScanResult::None},
        {".5", ScanResult::None},
        {"0x", ScanResult::Malformed},
        {"0xg", ScanResult::Malformed},
        {"-0X ", ScanResult::Malformed},
        {"08", ScanResult::Malformed},
        {"0179", ScanResult::Malformed},
        {"2147483648", ScanResult::OutOfRange},
        {"-2147483649", ScanResult::OutOfRange},
        {"0x100000000", ScanResult::OutOfRange},  // would wrap to 0
        {"0xFFFFFFFF", ScanResult::OutOfRange},   // would wrap to -1
        {"037777777777", ScanResult::OutOfRange},
        {"99999999999999999999999999", ScanResult::OutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(scanInt(c.text).result, c.result);
    }
}

TEST(NumberScanTest, readsRealTokensLikeScanf) {
    struct Case {
        const char* text;
        float value;
        std::size_t length;
    } cases[] = {
        {"1.", 1.0f, 2},
        {".5", 0.5f, 2},
        {"-.5e1", -5.0f, 5},
        {"+2.5E-1", 0.25f, 7},
        {"007.5", 7.5f, 5},
        {"08", 8.0f, 2},  // no octal in reals
        {"1.5.5", 1.5f, 3},
        {"1-2", 1.0f, 1},
        {"0x1.8p1", 3.0f, 7},
        {"0X.8P1", 1.0f, 6},
        {"0x10", 16.0f, 4},
        {"3.4028235e38", std::numeric_limits<float>::max(), 12},
        {"1e-45", std::numeric_limits<float>::denorm_min(), 5},
        {"1e-50", 0.0f, 5},
        {"-1e-99999999999", -0.0f, 15},
        {"0e999999", 0.0f, 8},
        {"0.000000000000000000000000000000000000000000000000000001e10",
         7 * std::numeric_limits<float>::denorm_min(), 59},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto r = scanFloat(c.text);
        ASSERT_EQ(r.result, ScanResult::Ok);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.value), std::bit_cast<std::uint32_t>(c.value));
        EXPECT_EQ(static_cast<std::size_t>(r.next - c.text), c.length);
    }
}

TEST(NumberScanTest, refusesBrokenAndNonFiniteReals) {
    struct Case {
        const char* text;
        ScanResult result;
    } cases[] = {
        {"", ScanResult::None},
        {".", ScanResult::None},
        {"-", ScanResult::None},
        {"e5", ScanResult::None},
        {"in", ScanResult::None},
        {"1e", ScanResult::Malformed},
        {"1e+", ScanResult::Malformed},
        {"2.5Ex", ScanResult::Malformed},
        {"0x", ScanResult::Malformed},
        {"0x.p1", ScanResult::Malformed},
        {"0x1p", ScanResult::Malformed},
        {"inf", ScanResult::NotFinite},
        {"-Infinity", ScanResult::NotFinite},
        {"nan(123)", ScanResult::NotFinite},
        {"NAN", ScanResult::NotFinite},
        {"3.4028236e38", ScanResult::OutOfRange},  // rounds past the largest float
        {"-1e39", ScanResult::OutOfRange},
        {"1e99999999999", ScanResult::OutOfRange},
        {"0x1p128", ScanResult::OutOfRange},
        {"123456789012345678901234567890123456789012345", ScanResult::OutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(scanFloat(c.text).result, c.result);
    }
}

// Every decimal real must round exactly as strtof does (C locale).
TEST(NumberScanTest, roundsRealsExactlyLikeStrtof) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    std::mt19937 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        if (random() % 4 == 0) {
            text += '-';
        }
        const int digits = 1 + static_cast<int>(random() % 24);
        for (int d = 0; d < digits; ++d) {
            text += static_cast<char>('0' + random() % 10);
        }
        if (random() % 2 == 0) {
            text += '.';
            const int fraction = static_cast<int>(random() % 20);
            for (int d = 0; d < fraction; ++d) {
                text += static_cast<char>('0' + random() % 10);
            }
        }
        if (random() % 2 == 0) {
            text += 'e' + std::to_string(static_cast<int>(random() % 100) - 60);
        }
        SCOPED_TRACE(text);
        const float expected = std::strtof(text.c_str(), nullptr);
        const auto r = scanFloat(text);
        if (std::isinf(expected)) {
            EXPECT_EQ(r.result, ScanResult::OutOfRange);
            continue;
        }
        ASSERT_EQ(r.result, ScanResult::Ok);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(r.value), std::bit_cast<std::uint32_t>(expected));
        ASSERT_EQ(r.next, text.data() + text.size());
    }
}

}  // namespace
}  // namespace kelpris
