// Depth order of the faces and the sort report.
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

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/saturate.h"
#include "scene/scena.h"

namespace kelpris {
namespace {

/// Mean corner depth, truncated toward zero. The corner depths of degenerate
/// projections may sit at the int32 limits, so the sum is formed in 64 bits;
/// for every sum that fits in 32 bits the result is the same.
std::int32_t meanDepth(const Face& f) noexcept {
    std::int64_t sum =
        static_cast<std::int64_t>(f.corner1->depth) + f.corner2->depth + f.corner3->depth;
    if (f.corner4 != nullptr) {
        sum += f.corner4->depth;
        return saturateToInt32(sum / 4);
    }
    return saturateToInt32(sum / 3);
}

struct Keyed {
    std::uint32_t key;    ///< ascending key == descending depth
    std::uint32_t index;  ///< position in the face chain
};

/// Stable LSD radix sort on `key` (11-bit digits), skipping digits on which
/// every key agrees. Stability keeps file order within equal depths. The
/// passes go back and forth between `items` and `scratch` (of the same size);
/// returns the one holding the sorted keys.
std::span<Keyed> radixSortByKey(std::span<Keyed> items, std::span<Keyed> scratch) {
    constexpr int kBits = 11;
    constexpr std::uint32_t kBuckets = 1u << kBits;
    constexpr int kPasses = 3;  // 33 bits cover the 32-bit key
    std::vector<std::uint32_t> counts(kPasses * kBuckets, 0);
    for (const Keyed& it : items) {
        for (int p = 0; p < kPasses; ++p) {
            ++counts[p * kBuckets + ((it.key >> (p * kBits)) & (kBuckets - 1))];
        }
    }
    for (int p = 0; p < kPasses; ++p) {
        std::uint32_t* c = counts.data() + p * kBuckets;
        const std::uint32_t firstDigit = (items.front().key >> (p * kBits)) & (kBuckets - 1);
        if (c[firstDigit] == items.size()) {
            continue;  // every key has this digit: the pass would not move anything
        }
        std::uint32_t offset = 0;
        for (std::uint32_t b = 0; b < kBuckets; ++b) {
            const std::uint32_t n = c[b];
            c[b] = offset;
            offset += n;
        }
        for (const Keyed& it : items) {
            scratch[c[(it.key >> (p * kBits)) & (kBuckets - 1)]++] = it;
        }
        std::swap(items, scratch);
    }
    return items;
}

std::int32_t depthOf(const SortedFace& entry) noexcept {
    return entry.depth;
}
std::int32_t depthOf(std::int32_t depth) noexcept {
    return depth;
}

/// Characters of the decimal form of v, a sign included.
constexpr std::size_t decimalLength(std::int64_t v) noexcept {
    std::size_t n = v < 0 ? 2 : 1;
    // The magnitude in unsigned arithmetic: -v would overflow for the minimum.
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m >= 10) {
        m /= 10;
        ++n;
    }
    return n;
}

/// "<header>" then "tr.stena <pos> :  <depth> \n" per entry, into `out`. The
/// exact length is counted first, so that a buffer kept from an earlier
/// report of about the same size is written over as it is, with no new
/// memory and no clearing.
template <typename Entry>
void formatReportInto(std::span<const Entry> list, std::string& out) {
    static constexpr char kHeader[] =
        "Report vytriedovania stien, obsah struktury TRIEDENE_STENY:\n";
    static constexpr char kPrefix[] = "tr.stena ";
    static constexpr char kMiddle[] = " :  ";
    static constexpr char kEnd[] = " \n";
    constexpr std::size_t kFixed = (sizeof kPrefix - 1) + (sizeof kMiddle - 1) + (sizeof kEnd - 1);
    std::size_t length = sizeof kHeader - 1 + list.size() * kFixed;
    std::size_t digitsAtLeast = 1;
    std::int64_t nextLonger = 10;  // the first position with one more digit
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto position = static_cast<std::int64_t>(i) + 1;
        if (position == nextLonger) {
            ++digitsAtLeast;
            nextLonger *= 10;
        }
        length += digitsAtLeast + decimalLength(depthOf(list[i]));
    }
    out.resize(length);
    char* p = out.data();
    char* const end = out.data() + out.size();
    std::memcpy(p, kHeader, sizeof kHeader - 1);
    p += sizeof kHeader - 1;
    std::int64_t position = 0;
    for (const Entry& entry : list) {
        ++position;
        std::memcpy(p, kPrefix, sizeof kPrefix - 1);
        p += sizeof kPrefix - 1;
        p = std::to_chars(p, end, position).ptr;
        std::memcpy(p, kMiddle, sizeof kMiddle - 1);
        p += sizeof kMiddle - 1;
        p = std::to_chars(p, end, depthOf(entry)).ptr;
        std::memcpy(p, kEnd, sizeof kEnd - 1);
        p += sizeof kEnd - 1;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));  // already exact; kept as a guard
}

/// The depth order of `faces` into `list` (see the top of this file).
void buildOrder(const std::vector<Face>& faces, std::vector<SortedFace>& list) {
    const std::size_t n = faces.size();

    // The keys and the sort's scratch space, every element written before it
    // is read: left uninitialised, as clearing them costs a large model's
    // paint a noticeable time.
    const auto storage = std::make_unique_for_overwrite<Keyed[]>(2 * n);
    std::span<Keyed> items(storage.get(), n);
    // true: the face was inserted directly after the head (second place of
    // its group); false: it took the first place of its group.
    std::vector<bool> second(n, false);
    std::int32_t maxDepth = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t d = meanDepth(faces[i]);
        if (i == 0 || d > maxDepth) {
            maxDepth = d;
        } else if (d == maxDepth && i >= 2) {
            second[i] = true;
        }
        // Flip the sign bit to order signed values as unsigned, then invert
        // so the deepest face gets the smallest key.
        items[i] = {~(static_cast<std::uint32_t>(d) ^ 0x80000000u), static_cast<std::uint32_t>(i)};
    }

    if (n > 1) {
        items = radixSortByKey(items, std::span<Keyed>(storage.get() + n, n));
    }

    // Every entry is written below, so the entries of the last order, kept
    // when the size has not changed, need no clearing.
    list.resize(n);
    std::size_t begin = 0;
    while (begin < n) {
        std::size_t end = begin + 1;
        while (end < n && items[end].key == items[begin].key) {
            ++end;
        }
        // Members arrive in file order. The holder of the first place sits
        // at `begin`; pushed members fill the group from its back.
        const Face* first = nullptr;
        std::size_t back = end;
        for (std::size_t g = begin; g < end; ++g) {
            const Face* f = &faces[items[g].index];
            if (second[items[g].index] && first != nullptr) {
                list[--back].face = f;
            } else {
                if (first != nullptr) {
                    list[--back].face = first;
                }
                first = f;
            }
        }
        list[begin].face = first;
        const auto depth = static_cast<std::int32_t>(~items[begin].key ^ 0x80000000u);
        for (std::size_t g = begin; g < end; ++g) {
            list[g].depth = depth;
        }
        begin = end;
    }
}

}  // namespace

std::string formatSortReport(std::span<const SortedFace> list) {
    std::string out;
    formatReportInto(list, out);
    return out;
}

std::string formatSortReport(std::span<const std::int32_t> depths) {
    std::string out;
    formatReportInto(depths, out);
    return out;
}

void formatSortReportInto(std::span<const std::int32_t> depths, std::string& out) {
    formatReportInto(depths, out);
}

FileStatus writeSortReport(const std::filesystem::path& path, const std::string& text) {
    // A link planted under the report's name is replaced, not followed, so
    // the report can never overwrite another file. The report is rewritten
    // on every stereo paint: syncing it each time would cost every paint a
    // disk flush, and the next paint writes it again anyway.
    return writeFileAtomically(path, text, LinkPolicy::ReplaceLinks, Durability::Unsynced);
}

FileStatus Scena::sortFaces(const std::filesystem::path& reportPath) {
    orderFaces();
    return writeSortReport(reportPath, formatSortReport(TRIEDENE_STENY));
}

void Scena::orderFaces() {
    try {
        buildOrder(faces, TRIEDENE_STENY);
    } catch (...) {
        TRIEDENE_STENY.clear();  // no half-built list
        throw;
    }
}

}  // namespace kelpris
