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
#include <functional>
#include <memory>
#include <optional>
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

/// The faces of one stretch of the face list with their keys, in file order.
struct Stretch {
    std::span<Keyed> items;  ///< the keys, written from the stretch's own start
    std::uint32_t lowest = ~0u;
    std::uint32_t highest = 0;
};

/// Keys of faces [from, to) into `keys` from position `from` on; faces that
/// cannot be placed are left out.
Stretch keyFaces(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                 std::size_t from, std::size_t to, Keyed* keys) noexcept {
    Stretch s;
    std::size_t count = 0;
    for (std::size_t i = from; i < to; ++i) {
        std::int32_t d = 0;
        if (!meanDepth(faces[i], vertexDepths, d)) {
            continue;
        }
        // Flip the sign bit to order signed values as unsigned, then invert
        // so the deepest face gets the smallest key.
        const std::uint32_t key = ~(static_cast<std::uint32_t>(d) ^ 0x80000000u);
        s.lowest = std::min(s.lowest, key);
        s.highest = std::max(s.highest, key);
        keys[from + count++] = {key, static_cast<std::uint32_t>(i)};
    }
    s.items = std::span<Keyed>(keys + from, count);
    return s;
}

/// For each face of `items`, whether its insertion put it directly after the
/// head (second place of its group: 1) or first in its group (0), given
/// `inserted` faces before it, the deepest of them at `headKey`.
void markSecondPlaces(std::span<const Keyed> items, std::size_t inserted, std::uint32_t headKey,
                      std::uint8_t* second) noexcept {
    for (const Keyed& it : items) {
        // Keys ascend as depths descend: a smaller key is a deeper face.
        if (inserted == 0 || it.key < headKey) {
            headKey = it.key;
            second[it.index] = 0;
        } else {
            second[it.index] = it.key == headKey && inserted >= 2 ? 1 : 0;
        }
        ++inserted;
    }
}

/// Writes the groups of equal keys in `items` (whole groups) into the list
/// from `at` on, each group in its insertion order (see the top of this
/// file), and their depths beside them.
void writeGroups(std::span<const Keyed> items, const std::uint8_t* second, std::size_t at,
                 DepthOrder& order) noexcept {
    std::uint32_t* const list = order.TRIEDENE_STENY.data() + at;
    std::int32_t* const depths = order.depths.data() + at;
    std::size_t begin = 0;
    while (begin < items.size()) {
        std::size_t end = begin + 1;
        while (end < items.size() && items[end].key == items[begin].key) {
            ++end;
        }
        // Members arrive in file order. The holder of the first place sits
        // at `begin`; pushed members fill the group from its back.
        std::uint32_t first = kNoCorner;
        std::size_t back = end;
        for (std::size_t g = begin; g < end; ++g) {
            const std::uint32_t face = items[g].index;
            if (second[face] != 0 && first != kNoCorner) {
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
        std::fill(depths + begin, depths + end, depth);
        begin = end;
    }
}

/// How many faces ahead a gather fetches the faces it will copy.
constexpr std::size_t kLookAhead = 16;

/// From this many faces on, a shared order splits its work in halves: below
/// it, handing work to the other thread costs about what it saves.
constexpr std::size_t kSplitFaces = 65536;
/// Key ranges up to this many bits are sorted in one pass, which two threads
/// share; wider ones are sorted by one thread.
constexpr int kSharedSortBits = 16;

/// Where a list of `n` items splits between the two threads: at `n` (no
/// split) without a second thread or for a short list.
std::size_t splitOf(std::size_t n, const RunBoth* runBoth) noexcept {
    return runBoth != nullptr && n >= kSplitFaces ? n / 2 : n;
}

/// Runs both tasks, through `runBoth` when there is one.
void runBothOf(const RunBoth* runBoth, const std::function<void()>& beside,
               const std::function<void()>& here) {
    if (runBoth != nullptr) {
        (*runBoth)(beside, here);
    } else {
        here();
        beside();
    }
}

/// Stable one-pass counting sort of the front and back stretches (front
/// first) into `out`, keys in [lowest, lowest + 2^bits): each stretch counted
/// and moved by its own task.
void countingSort(const Stretch& front, const Stretch& back, std::uint32_t lowest, int bits,
                  std::span<Keyed> out, const RunBoth* runBoth) {
    const std::size_t buckets = std::size_t{1} << bits;
    std::vector<std::uint32_t> frontAt(buckets, 0);
    std::vector<std::uint32_t> backAt(buckets, 0);
    const auto count = [lowest](const Stretch& s, std::vector<std::uint32_t>& counts) {
        for (const Keyed& it : s.items) {
            ++counts[it.key - lowest];
        }
    };
    runBothOf(
        runBoth, [&] { count(back, backAt); }, [&] { count(front, frontAt); });
    // Each bucket takes the front's members, then the back's: stable.
    std::uint32_t offset = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::uint32_t inFront = frontAt[b];
        const std::uint32_t inBack = backAt[b];
        frontAt[b] = offset;
        backAt[b] = offset + inFront;
        offset += inFront + inBack;
    }
    const auto move = [lowest, out](const Stretch& s, std::vector<std::uint32_t>& at) {
        for (const Keyed& it : s.items) {
            out[at[it.key - lowest]++] = it;
        }
    };
    runBothOf(
        runBoth, [&] { move(back, backAt); }, [&] { move(front, frontAt); });
}

/// The depth order of `faces` into `order` (see the top of this file), the
/// work of a long list split in halves through `runBoth` when there is one.
void buildOrder(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                DepthOrder& order, const RunBoth* runBoth) {
    const std::size_t n = faces.size();
    const std::size_t half = splitOf(n, runBoth);
    if (half == n) {
        runBoth = nullptr;
    }

    // The keys and the sort's scratch space, every element written before it
    // is read: left uninitialised, as clearing them costs a large model's
    // paint a noticeable time. The same for the place marks, written for
    // every face that is placed.
    const auto storage = std::make_unique_for_overwrite<Keyed[]>(2 * n);
    const auto second = std::make_unique_for_overwrite<std::uint8_t[]>(n);
    Stretch front;
    Stretch back;
    runBothOf(
        runBoth, [&] { back = keyFaces(faces, vertexDepths, half, n, storage.get()); },
        [&] { front = keyFaces(faces, vertexDepths, 0, half, storage.get()); });
    const std::size_t inserted = front.items.size() + back.items.size();
    // The back stretch's insertions follow the front's: the head then is the
    // front's deepest face.
    runBothOf(
        runBoth,
        [&] { markSecondPlaces(back.items, front.items.size(), front.lowest, second.get()); },
        [&] { markSecondPlaces(front.items, 0, 0, second.get()); });

    const std::uint32_t lowestKey = std::min(front.lowest, back.lowest);
    const std::uint32_t highestKey = std::max(front.highest, back.highest);
    const int bits = inserted > 1 ? std::bit_width(highestKey - lowestKey) : 0;
    const std::span<Keyed> scratch(storage.get() + n, inserted);
    std::span<Keyed> items;
    if (bits == 0) {
        items = scratch;
        std::copy(back.items.begin(), back.items.end(),
                  std::copy(front.items.begin(), front.items.end(), items.begin()));
    } else if (runBoth != nullptr && bits <= kSharedSortBits) {
        items = scratch;
        countingSort(front, back, lowestKey, bits, items, runBoth);
    } else {
        // The back's keys next to the front's, then one thread's radix sort.
        items = std::span<Keyed>(storage.get(), inserted);
        if (back.items.data() != items.data() + front.items.size()) {
            std::copy(back.items.begin(), back.items.end(), items.begin() + front.items.size());
        }
        items = radixSortByKey(items, scratch, lowestKey, bits);
    }

    // Every entry is written below, so the entries of the last order, kept
    // when the size has not changed, need no clearing.
    order.TRIEDENE_STENY.resize(inserted);
    order.depths.resize(inserted);
    // The halves of the list meet where a group starts, near the middle.
    std::size_t middle = runBoth != nullptr ? inserted / 2 : inserted;
    while (middle > 0 && middle < inserted && items[middle].key == items[middle - 1].key) {
        ++middle;
    }
    runBothOf(
        runBoth, [&] { writeGroups(items.subspan(middle), second.get(), middle, order); },
        [&] { writeGroups(items.first(middle), second.get(), 0, order); });
}

// ---------------------------------------------------------------------------
// Narrow depth ranges (the usual case: a model's vertex depths span a few
// thousand pixels): the order is built in two passes over the faces in file
// order, with one bucket per depth, and the faces are copied to their places
// on the way, so that nothing walks the face list in depth order afterwards.
//
// Within its bucket a group is filled from its back, one slot down for each
// face, in file order, and the lowest slot filled always holds the group's
// current first: a face that takes the first place is written there, and the
// first before it, pushed by it, stays just above, which is where the push
// puts it. A face that goes second is pushed at once: it takes the first's
// slot, and the first moves one slot down.

/// Marks a face that cannot be placed.
constexpr std::uint16_t kUnplaced = 0xFFFF;
/// The widest range of depths sorted by buckets: one bucket per depth.
constexpr std::int64_t kNarrowDepths = kUnplaced;
/// Buckets a list may have beyond one per face: more, and clearing the
/// buckets' counts would cost more than a radix sort of the few faces.
constexpr std::int64_t kSpareBuckets = 4096;

/// The range of depths, when it is narrow.
struct NarrowRange {
    std::int32_t deepest = 0;
    std::uint32_t buckets = 0;  ///< depths deepest, deepest - 1, ...
};

/// The smallest and the largest of `depths` and `seed` (a plain loop: a
/// third of the time std::minmax_element takes).
std::pair<std::int32_t, std::int32_t> extremes(std::span<const std::int32_t> depths,
                                               std::int32_t seed) noexcept {
    std::int32_t lo = seed;
    std::int32_t hi = seed;
    for (const std::int32_t d : depths) {
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    return {lo, hi};
}

/// The range of `depths` when it is narrow for `faces` faces, the halves
/// looked at by two threads through `runBoth` when there is one.
std::optional<NarrowRange> narrowRange(std::span<const std::int32_t> depths, std::size_t faces,
                                       const RunBoth* runBoth) {
    if (depths.empty()) {
        return NarrowRange{};
    }
    const std::size_t half = splitOf(depths.size(), runBoth);
    const std::int32_t seed = depths.front();
    std::pair<std::int32_t, std::int32_t> front;
    std::pair<std::int32_t, std::int32_t> back;
    runBothOf(
        half < depths.size() ? runBoth : nullptr,
        [&] { back = extremes(depths.subspan(half), seed); },
        [&] { front = extremes(depths.first(half), seed); });
    const std::int32_t lo = std::min(front.first, back.first);
    const std::int32_t hi = std::max(front.second, back.second);
    const std::int64_t span = std::int64_t{hi} - lo;
    if (span >= kNarrowDepths || span >= static_cast<std::int64_t>(faces) + kSpareBuckets) {
        return std::nullopt;
    }
    return NarrowRange{hi, static_cast<std::uint32_t>(span + 1)};
}

/// Where the placing of one stretch of the faces writes.
struct Placement {
    std::uint32_t* list;  ///< TRIEDENE_STENY
    Face* faces;          ///< the faces in list order, or null
};

/// The faces of one stretch: their buckets and how many fall in each.
struct BucketedStretch {
    std::size_t from = 0;
    std::size_t to = 0;
    std::uint32_t placed = 0;
    std::uint16_t deepest = kUnplaced;  ///< the smallest bucket used
};

/// Buckets of faces [from, to) into `buckets`, counted into `counts`.
BucketedStretch bucketFaces(std::span<const Face> faces, std::span<const std::int32_t> depths,
                            std::size_t from, std::size_t to, NarrowRange range,
                            std::uint16_t* buckets, std::uint32_t* counts) noexcept {
    BucketedStretch s{from, to, 0, kUnplaced};
    for (std::size_t i = from; i < to; ++i) {
        std::int32_t d = 0;
        if (!meanDepth(faces[i], depths, d)) {
            buckets[i] = kUnplaced;
            continue;
        }
        // A mean of depths in the range lies in it.
        const auto b = static_cast<std::uint16_t>(range.deepest - d);
        buckets[i] = b;
        ++counts[b];
        ++s.placed;
        s.deepest = std::min(s.deepest, b);
    }
    return s;
}

/// How many faces ahead the placing fetches the slots it will write.
constexpr std::size_t kPlaceAhead = 16;

/// What a stretch placed after another must set right once both are done:
/// in bucket `bucket`, `count` equals of the head arrived while the group's
/// first was the earlier stretch's, which the earlier stretch was still
/// writing, so they were written below it instead of above.
struct PendingShift {
    std::uint32_t bucket;
    std::uint32_t count;
};

/// Places the faces of one stretch, in file order, from the free slots
/// `slot` (one per bucket, counting down) on; `own` marks the buckets where
/// this stretch has placed a first-place face. `inserted` faces and the head
/// bucket `head` come from the stretches before it.
void placeStretch(std::span<const Face> faces, const std::uint16_t* buckets,
                  const BucketedStretch& stretch, std::uint32_t inserted, std::uint16_t head,
                  std::uint32_t* slot, std::uint8_t* own, std::uint32_t* shifted,
                  std::vector<PendingShift>& shifts, const Placement& out) {
    // Local copies: the stores through `own` (bytes) may alias anything
    // reached through a pointer, which would reload these for every face.
    std::uint32_t* const list = out.list;
    Face* const copies = out.faces;
    const Face* const from = faces.data();
    const std::size_t to = stretch.to;
    const auto put = [list, copies, from](std::uint32_t at, std::size_t face) {
        list[at] = static_cast<std::uint32_t>(face);
        if (copies != nullptr) {
            copies[at] = from[face];
        }
    };
    for (std::size_t i = stretch.from; i < to; ++i) {
        // The slots a face a little further on will be written to: fetched
        // now, as the stores land all over the list.
        if (i + kPlaceAhead < to) {
            const std::uint16_t ahead = buckets[i + kPlaceAhead];
            if (ahead != kUnplaced && slot[ahead] > 0) {
                __builtin_prefetch(&list[slot[ahead] - 1], 1);
                if (copies != nullptr) {
                    __builtin_prefetch(&copies[slot[ahead] - 1], 1);
                }
            }
        }
        const std::uint16_t b = buckets[i];
        if (b == kUnplaced) {
            continue;
        }
        // As markSecondPlaces: an equal of the head, with two or more faces
        // in the list, goes second in its group.
        bool second = false;
        if (inserted == 0 || b < head) {
            head = b;
        } else {
            second = b == head && inserted >= 2;
        }
        ++inserted;
        const std::uint32_t at = --slot[b];
        if (!second) {
            own[b] = 1;
            put(at, i);
        } else if (own[b] != 0) {
            // The group's first, in the slot above, moves down past this face.
            list[at] = list[at + 1];
            if (copies != nullptr) {
                copies[at] = copies[at + 1];
            }
            put(at + 1, i);
        } else {
            put(at, i);
            if (shifted[b]++ == 0) {
                shifts.push_back({b, 0});
            }
        }
    }
    for (PendingShift& shift : shifts) {
        shift.count = shifted[shift.bucket];
    }
}

/// The earlier stretch's first of each shifted group to its place below the
/// equals that came after it (see PendingShift).
void applyShifts(const std::vector<PendingShift>& shifts, const std::uint32_t* backStart,
                 const Placement& out) {
    for (const PendingShift& shift : shifts) {
        // The earlier stretch's first sits at backStart, the equals below.
        const std::uint32_t top = backStart[shift.bucket];
        const std::uint32_t low = top - shift.count;
        std::rotate(out.list + low, out.list + top, out.list + top + 1);
        if (out.faces != nullptr) {
            std::rotate(out.faces + low, out.faces + top, out.faces + top + 1);
        }
    }
}

/// depths[from, to) of the list: bucket b's slots end at ends[b].
void fillDepths(NarrowRange range, const std::uint32_t* ends, std::size_t from, std::size_t to,
                std::int32_t* depths) noexcept {
    const std::uint32_t* e = std::upper_bound(ends, ends + range.buckets, from);
    for (std::size_t at = from; at < to; ++e) {
        const std::size_t end = std::min<std::size_t>(*e, to);
        std::fill(depths + at, depths + end, static_cast<std::int32_t>(range.deepest - (e - ends)));
        at = end;
    }
}

/// The narrow-range order (see above), the faces copied into `gathered`
/// when it is given.
void buildNarrowOrder(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                      NarrowRange range, DepthOrder& order, std::vector<Face>* gathered,
                      const RunBoth* runBoth) {
    const std::size_t n = faces.size();
    const std::size_t half = splitOf(n, runBoth);
    if (half == n) {
        runBoth = nullptr;
    }
    const std::size_t nb = range.buckets;
    // Per bucket: both stretches' counts, each stretch's next free slot,
    // where the back's slots start, the group's end, the shifted equals;
    // and every face's bucket.
    std::vector<std::uint32_t> table(7 * nb, 0);
    std::uint32_t* const frontCount = table.data();
    std::uint32_t* const backCount = frontCount + nb;
    std::uint32_t* const frontSlot = backCount + nb;
    std::uint32_t* const backSlot = frontSlot + nb;
    std::uint32_t* const backStart = backSlot + nb;
    std::uint32_t* const ends = backStart + nb;
    std::uint32_t* const shifted = ends + nb;
    std::vector<std::uint8_t> own(2 * nb, 0);
    const auto buckets = std::make_unique_for_overwrite<std::uint16_t[]>(n);

    BucketedStretch front;
    BucketedStretch back{half, n, 0, kUnplaced};
    runBothOf(
        runBoth,
        [&] { back = bucketFaces(faces, vertexDepths, half, n, range, buckets.get(), backCount); },
        [&] {
            front = bucketFaces(faces, vertexDepths, 0, half, range, buckets.get(), frontCount);
        });
    // A group's slots run from the front's last face at the group's end,
    // down to the back's first.
    std::uint32_t end = 0;
    for (std::size_t b = 0; b < nb; ++b) {
        end += frontCount[b] + backCount[b];
        frontSlot[b] = ends[b] = end;
        backSlot[b] = backStart[b] = end - frontCount[b];
    }
    const std::size_t inserted = front.placed + back.placed;
    order.TRIEDENE_STENY.resize(inserted);
    order.depths.resize(inserted);
    if (gathered != nullptr) {
        gathered->resize(inserted);
    }
    const Placement out{order.TRIEDENE_STENY.data(),
                        gathered != nullptr ? gathered->data() : nullptr};
    std::vector<PendingShift> none;
    std::vector<PendingShift> shifts;
    const std::size_t middle = inserted / 2;
    runBothOf(
        runBoth,
        [&] {
            placeStretch(faces, buckets.get(), back, front.placed, front.deepest, backSlot,
                         own.data() + nb, shifted, shifts, out);
            fillDepths(range, ends, middle, inserted, order.depths.data());
        },
        [&] {
            placeStretch(faces, buckets.get(), front, 0, 0, frontSlot, own.data(), shifted, none,
                         out);
            fillDepths(range, ends, 0, middle, order.depths.data());
        });
    applyShifts(shifts, backStart, out);
}

}  // namespace

std::size_t gatherFaces(std::span<const Face> faces, std::span<const std::uint32_t> order,
                        std::span<Face> out) noexcept {
    const std::size_t n = std::min(order.size(), out.size());
    std::size_t written = 0;
    for (std::size_t i = 0; i < order.size() && written < n; ++i) {
        // The faces are visited in depth order, all over memory: each is
        // fetched well before it is needed.
        if (i + kLookAhead < order.size() && order[i + kLookAhead] < faces.size()) {
            __builtin_prefetch(&faces[order[i + kLookAhead]]);
        }
        if (order[i] < faces.size()) {
            out[written++] = faces[order[i]];
        }
    }
    return written;
}

void orderFaces(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                DepthOrder& order, const RunBoth* runBoth, std::vector<Face>* gathered) {
    try {
        if (const std::optional<NarrowRange> range =
                narrowRange(vertexDepths, faces.size(), runBoth)) {
            buildNarrowOrder(faces, vertexDepths, *range, order, gathered, runBoth);
            return;
        }
        buildOrder(faces, vertexDepths, order, runBoth);
        if (gathered != nullptr) {
            gathered->resize(order.size());
            const std::span<const std::uint32_t> list = order.TRIEDENE_STENY;
            const std::size_t half = splitOf(list.size(), runBoth);
            const std::span<Face> to(*gathered);
            runBothOf(
                half < list.size() ? runBoth : nullptr,
                [&] { gatherFaces(faces, list.subspan(half), to.subspan(half)); },
                [&] { gatherFaces(faces, list.first(half), to); });
        }
    } catch (...) {
        order.TRIEDENE_STENY.clear();  // no half-built list
        order.depths.clear();
        if (gathered != nullptr) {
            gathered->clear();
        }
        throw;
    }
}

}  // namespace kelpris
