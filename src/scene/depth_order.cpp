// Depth order of the faces.
//
// The order is defined by inserting the faces one by one, in file order, into
// a list kept sorted by depth (largest first), with a particular rule for
// ties. Replaying that insertion literally is quadratic; the same order is
// built here in O(n) passes plus a radix sort:
//
// The list is always sorted by depth, so faces of equal depth form one
// contiguous group, and where a face lands inside its group depends only on
// the list state when it was inserted:
//   - deeper than everything so far (or the list is empty): it becomes the
//     head, the first of a group that had no members;
//   - as deep as the current head, with one entry in the list: in front of
//     that entry, so the first of its group;
//   - as deep as the current head, with two or more entries: directly after
//     the head, so second in its group;
//   - shallower than the head: it walks past deeper entries and stops in
//     front of the first one of its depth or less, so first of its group.
// Within a group, each face therefore either takes the first place or the
// second. Both push one member onto the front of "everything after the first
// place", so a group is: its current first member, then the pushed members
// in reverse order of pushing.

#include "scene/depth_order.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "base/saturate.h"

namespace kelpris {
namespace {

/// Mean corner depth, truncated toward zero, into `mean`; false when a
/// corner has no depth. The corner depths of degenerate projections may sit
/// at the int32 limits, so the sum is formed in 64 bits; for every sum that
/// fits in 32 bits the result is the same.
bool meanDepth(const Face& f, std::span<const std::int32_t> depths, std::int32_t& mean) noexcept {
    const std::uint32_t* c = f.corner;
    const std::size_t n = depths.size();
    if (c[0] >= n || c[1] >= n || c[2] >= n) {
        return false;
    }
    std::int64_t sum = static_cast<std::int64_t>(depths[c[0]]) + depths[c[1]] + depths[c[2]];
    if (c[3] == kNoCorner) {
        mean = saturateToInt32(sum / 3);
        return true;
    }
    if (c[3] >= n) {
        return false;
    }
    sum += depths[c[3]];
    mean = saturateToInt32(sum / 4);
    return true;
}

struct Keyed {
    std::uint32_t key;    ///< ascending key == descending depth
    std::uint32_t index;  ///< position in the face list
};

/// Stable LSD radix sort on `key`, whose values all lie in [lowest, lowest +
/// 2^bits): the keys are sorted relative to `lowest`, so a small range (the
/// depths of one model span a few thousand values) takes one pass and a wide
/// one no more than three. Stability keeps file order within equal depths.
/// The passes go back and forth between `items` and `scratch` (of the same
/// size); returns the one holding the sorted keys.
std::span<Keyed> radixSortByKey(std::span<Keyed> items, std::span<Keyed> scratch,
                                std::uint32_t lowest, int bits) {
    constexpr int kOnePassBits = 16;  // 2^16 counters still sit in the cache
    constexpr int kDigitBits = 11;
    const int passes = bits <= kOnePassBits ? 1 : (bits + kDigitBits - 1) / kDigitBits;
    const int digitBits = (bits + passes - 1) / passes;
    const std::uint32_t buckets = 1u << digitBits;
    const std::uint32_t mask = buckets - 1;
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(passes) * buckets, 0);
    for (const Keyed& it : items) {
        const std::uint32_t key = it.key - lowest;
        for (int p = 0; p < passes; ++p) {
            ++counts[p * buckets + ((key >> (p * digitBits)) & mask)];
        }
    }
    for (int p = 0; p < passes; ++p) {
        std::uint32_t* c = counts.data() + static_cast<std::size_t>(p) * buckets;
        const int shift = p * digitBits;
        if (c[((items.front().key - lowest) >> shift) & mask] == items.size()) {
            continue;  // every key has this digit: the pass would not move anything
        }
        std::uint32_t offset = 0;
        for (std::uint32_t b = 0; b < buckets; ++b) {
            const std::uint32_t n = c[b];
            c[b] = offset;
            offset += n;
        }
        for (const Keyed& it : items) {
            scratch[c[((it.key - lowest) >> shift) & mask]++] = it;
        }
        std::swap(items, scratch);
    }
    return items;
}

/// The depth order of `faces` into `order` (see the top of this file).
void buildOrder(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                DepthOrder& order) {
    const std::size_t n = faces.size();

    // The keys and the sort's scratch space, every element written before it
    // is read: left uninitialised, as clearing them costs a large model's
    // paint a noticeable time.
    const auto storage = std::make_unique_for_overwrite<Keyed[]>(2 * n);
    // true: the face was inserted directly after the head (second place of
    // its group); false: it took the first place of its group.
    std::vector<bool> second(n, false);
    std::size_t inserted = 0;
    std::int32_t maxDepth = 0;
    std::uint32_t lowestKey = ~0u;
    std::uint32_t highestKey = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::int32_t d = 0;
        if (!meanDepth(faces[i], vertexDepths, d)) {
            continue;
        }
        if (inserted == 0 || d > maxDepth) {
            maxDepth = d;
        } else if (d == maxDepth && inserted >= 2) {
            second[i] = true;
        }
        // Flip the sign bit to order signed values as unsigned, then invert
        // so the deepest face gets the smallest key.
        const std::uint32_t key = ~(static_cast<std::uint32_t>(d) ^ 0x80000000u);
        lowestKey = std::min(lowestKey, key);
        highestKey = std::max(highestKey, key);
        storage[inserted++] = {key, static_cast<std::uint32_t>(i)};
    }
    std::span<Keyed> items(storage.get(), inserted);
    if (inserted > 1 && highestKey != lowestKey) {
        items = radixSortByKey(items, std::span<Keyed>(storage.get() + n, inserted), lowestKey,
                               std::bit_width(highestKey - lowestKey));
    }

    // Every entry is written below, so the entries of the last order, kept
    // when the size has not changed, need no clearing.
    order.TRIEDENE_STENY.resize(inserted);
    order.depths.resize(inserted);
    std::uint32_t* const list = order.TRIEDENE_STENY.data();
    std::size_t begin = 0;
    while (begin < inserted) {
        std::size_t end = begin + 1;
        while (end < inserted && items[end].key == items[begin].key) {
            ++end;
        }
        // Members arrive in file order. The holder of the first place sits
        // at `begin`; pushed members fill the group from its back.
        std::uint32_t first = kNoCorner;
        std::size_t back = end;
        for (std::size_t g = begin; g < end; ++g) {
            const std::uint32_t face = items[g].index;
            if (second[face] && first != kNoCorner) {
                list[--back] = face;
            } else {
                if (first != kNoCorner) {
                    list[--back] = first;
                }
                first = face;
            }
        }
        list[begin] = first;
        const auto depth = static_cast<std::int32_t>(~items[begin].key ^ 0x80000000u);
        std::fill(order.depths.begin() + static_cast<std::ptrdiff_t>(begin),
                  order.depths.begin() + static_cast<std::ptrdiff_t>(end), depth);
        begin = end;
    }
}

}  // namespace

void orderFaces(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                DepthOrder& order) {
    try {
        buildOrder(faces, vertexDepths, order);
    } catch (...) {
        order.TRIEDENE_STENY.clear();  // no half-built list
        order.depths.clear();
        throw;
    }
}

}  // namespace kelpris
