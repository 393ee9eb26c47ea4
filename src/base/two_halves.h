#pragma once
// One pass over many items split between two threads, for the measurements
// that walk a whole model outside a paint (the fit, the status line's
// parallax): each half reduces its own items and the two results are joined.

#include <cstddef>
#include <system_error>
#include <thread>

namespace kelpris {

/// Below this many items a thread costs more than the half it takes.
inline constexpr std::size_t kHalvesFrom = std::size_t{1} << 15;

/// part(first, last) over the items [0, count): from kHalvesFrom items on as
/// two halves at once, the first on a thread of its own, the results joined
/// by join(first half's, second half's). Where no thread can be had, the
/// caller does the whole. `part` must not throw, and its result must not
/// depend on how the items are split (a minimum, a count).
template <typename Part, typename Join>
auto inTwoHalves(std::size_t count, const Part& part, const Join& join) noexcept {
    using Result = decltype(part(std::size_t{}, std::size_t{}));
    if (count < kHalvesFrom) {
        return part(0, count);
    }
    const std::size_t middle = count / 2;
    Result firstHalf{};
    std::thread helper;
    try {
        helper = std::thread([&] { firstHalf = part(0, middle); });
    } catch (const std::system_error&) {
        return part(0, count);
    }
    const Result secondHalf = part(middle, count);
    helper.join();
    return join(firstHalf, secondHalf);
}

}  // namespace kelpris
