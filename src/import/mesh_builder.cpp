#include "import/mesh_builder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace kelpris::mesh {
namespace {

// Bits of a coordinate as a joining key: -0 and +0 are the same point.
std::uint32_t keyBits(float v) noexcept {
    return v == 0.0f ? 0u : std::bit_cast<std::uint32_t>(v);
}

struct Key {
    std::uint32_t bits[3];
};

Key keyOf(const float* p) noexcept {
    return {{keyBits(p[0]), keyBits(p[1]), keyBits(p[2])}};
}

std::uint64_t positionHash(const Key& k) noexcept {
    std::uint64_t h = (std::uint64_t{k.bits[0]} << 32 | k.bits[1]) * 0x9E3779B97F4A7C15ull;
    h ^= k.bits[2] * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

bool allFinite(std::span<const float> xyz) noexcept {
    return std::all_of(xyz.begin(), xyz.end(), [](float v) { return std::isfinite(v); });
}

// Turns a point whose up axis is `up` so that up becomes +z. Only swaps and
// negations, so no coordinate is rounded. For y up the front (+z in that
// convention) ends up facing +y, towards the observer.
std::array<float, 3> turnToZUp(UpAxis up, float x, float y, float z) noexcept {
    switch (up) {
        case UpAxis::x:
            return {y, z, x};
        case UpAxis::y:
            return {-x, z, y};
        case UpAxis::z:
        case UpAxis::automatic:
            break;
    }
    return {x, y, z};
}

constexpr std::pair<std::string_view, UpAxis> kAxisNames[] = {
    {"x", UpAxis::x}, {"y", UpAxis::y}, {"z", UpAxis::z}, {"auto", UpAxis::automatic}};

}  // namespace

std::string conversionNote(const ConversionCounts& counts) {
    std::string note;
    auto add = [&](std::uint32_t count, const char* one, const char* many, const char* what) {
        if (count != 0) {
            note += (note.empty() ? "" : ", ") + std::to_string(count) + " " +
                    (count == 1 ? one : many) + " " + what;
        }
    };
    add(counts.degenerateDropped, "degenerate face", "degenerate faces", "dropped");
    add(counts.missingDropped, "face", "faces", "dropped for naming a vertex the file lacks");
    add(counts.polygonsSplit, "polygon", "polygons", "split into triangles");
    add(counts.linesIgnored, "line", "lines", "left out beside the faces");
    add(counts.pointsIgnored, "point", "points", "left out");
    return note;
}

std::optional<UpAxis> parseUpAxis(std::string_view text) noexcept {
    for (const auto& [name, axis] : kAxisNames) {
        const bool same = std::equal(name.begin(), name.end(), text.begin(), text.end(),
                                     [](char a, char b) { return a == (b | 0x20); });
        if (same) {
            return axis;
        }
    }
    return std::nullopt;
}

std::string_view upAxisName(UpAxis axis) noexcept {
    for (const auto& [name, value] : kAxisNames) {
        if (value == axis) {
            return name;
        }
    }
    return "z";
}

Affine Affine::then(const Affine& inner) const noexcept {
    Affine out;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = col == 3 ? m[row * 4 + 3] : 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += m[row * 4 + k] * inner.m[k * 4 + col];
            }
            out.m[row * 4 + col] = sum;
        }
    }
    return out;
}

void PositionIndex::reserve(std::size_t vertices) {
    // At most two thirds full: linear probing stays short.
    const std::size_t wanted = std::bit_ceil(std::max<std::size_t>(vertices + vertices / 2, 64));
    if (wanted > slots_.size() && used_ == 0) {
        slots_.assign(wanted, Slot{});
    }
}

void PositionIndex::grow() {
    std::vector<Slot> old = std::exchange(slots_, {});
    slots_.assign(std::max<std::size_t>(old.size() * 2, 64), Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.vertex != 0) {
            std::size_t at = positionHash({{slot.key[0], slot.key[1], slot.key[2]}}) & mask;
            while (slots_[at].vertex != 0) {
                at = (at + 1) & mask;
            }
            slots_[at] = slot;
        }
    }
}

void PositionIndex::prefetch(const float* p) const noexcept {
    if (!slots_.empty()) {
        __builtin_prefetch(&slots_[positionHash(keyOf(p)) & (slots_.size() - 1)]);
    }
}

std::uint32_t PositionIndex::join(const float* p, std::vector<float>& xyz) {
    const Key key = keyOf(p);
    const Slot wanted{{key.bits[0], key.bits[1], key.bits[2]}, 0};
    for (const Slot& slot : recent_) {
        if (slot.vertex != 0 && slot.key[0] == wanted.key[0] && slot.key[1] == wanted.key[1] &&
            slot.key[2] == wanted.key[2]) {
            return slot.vertex - 1u;
        }
    }
    const std::uint32_t vertex = lookUp(wanted, p, xyz);
    recent_[nextRecent_] = {{wanted.key[0], wanted.key[1], wanted.key[2]}, vertex + 1u};
    nextRecent_ = (nextRecent_ + 1) % recent_.size();
    return vertex;
}

std::uint32_t PositionIndex::lookUp(const Slot& wanted, const float* p, std::vector<float>& xyz) {
    if ((used_ + 1) * 4 > slots_.size() * 3) {
        grow();
    }
    const std::size_t mask = slots_.size() - 1;
    const Key key{{wanted.key[0], wanted.key[1], wanted.key[2]}};
    for (std::size_t at = positionHash(key) & mask;; at = (at + 1) & mask) {
        Slot& slot = slots_[at];
        if (slot.vertex == 0) {
            const auto vertex = static_cast<std::uint32_t>(xyz.size() / 3);
            slot = {{key.bits[0], key.bits[1], key.bits[2]}, vertex + 1u};
            xyz.insert(xyz.end(), p, p + 3);
            ++used_;
            return vertex;
        }
        if (slot.key[0] == key.bits[0] && slot.key[1] == key.bits[1] &&
            slot.key[2] == key.bits[2]) {
            return slot.vertex - 1u;
        }
    }
}

MeshBuilder::MeshBuilder(UpAxis sourceUp) noexcept
    : up_(sourceUp == UpAxis::automatic ? UpAxis::z : sourceUp) {}

bool MeshBuilder::fail(BuildError error, std::string message) {
    error_ = error;
    message_ = std::move(message);
    return false;
}

bool MeshBuilder::usePositions(std::span<const float> xyz, const Affine& transform) {
    const std::size_t count = xyz.size() / 3;
    local_.resize(count * 3);
    const bool identity = transform.isIdentity();
    const auto& m = transform.m;
    for (std::size_t i = 0; i < count; ++i) {
        float x = xyz[3 * i];
        float y = xyz[3 * i + 1];
        float z = xyz[3 * i + 2];
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
            return fail(BuildError::notFinite,
                        "vertex " + std::to_string(i + 1) + " has a coordinate that is not finite");
        }
        if (!identity) {
            const double dx = x;
            const double dy = y;
            const double dz = z;
            x = static_cast<float>(m[0] * dx + m[1] * dy + m[2] * dz + m[3]);
            y = static_cast<float>(m[4] * dx + m[5] * dy + m[6] * dz + m[7]);
            z = static_cast<float>(m[8] * dx + m[9] * dy + m[10] * dz + m[11]);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
                return fail(BuildError::notFinite, "vertex " + std::to_string(i + 1) +
                                                       " is not finite after its node transform");
            }
        }
        const auto turned = turnToZUp(up_, x, y, z);
        std::copy(turned.begin(), turned.end(), &local_[3 * i]);
    }
    slots_.assign(count, 0);
    return true;
}

bool MeshBuilder::usePositions(std::vector<float>&& xyz) {
    xyz.resize(xyz.size() / 3 * 3);
    local_ = std::move(xyz);
    for (std::size_t i = 0; i < local_.size(); i += 3) {
        float* p = &local_[i];
        if (!allFinite({p, 3})) {
            local_.clear();
            return fail(BuildError::notFinite, "vertex " + std::to_string(i / 3 + 1) +
                                                   " has a coordinate that is not finite");
        }
        const auto turned = turnToZUp(up_, p[0], p[1], p[2]);
        std::copy(turned.begin(), turned.end(), p);
    }
    slots_.assign(local_.size() / 3, 0);
    return true;
}

std::uint32_t MeshBuilder::joined(std::uint32_t local) {
    std::uint32_t& slot = slots_[local];
    if (slot == 0) {
        slot = joinedAt(&local_[3 * std::size_t{local}]) + 1;
    }
    return slot - 1;
}

bool MeshBuilder::add(std::span<const std::uint32_t> indices) {
    const bool missing = std::any_of(indices.begin(), indices.end(),
                                     [&](std::uint32_t index) { return index >= slots_.size(); });
    if (missing) {
        ++counts_.missingDropped;
        return true;
    }
    scratch_.clear();
    for (const std::uint32_t index : indices) {
        scratch_.push_back(joined(index));
    }
    return addJoined(scratch_);
}

bool MeshBuilder::addEveryPosition() {
    const auto count = static_cast<std::uint32_t>(slots_.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!add(std::span(&i, 1))) {
            return false;
        }
    }
    return true;
}

bool MeshBuilder::addCorners(std::span<const float> xyz) {
    if (!allFinite(xyz)) {
        return fail(BuildError::notFinite, "a coordinate that is not finite");
    }
    std::uint32_t corners[3];
    std::span<std::uint32_t> joinedCorners(corners);
    if (xyz.size() > 9) {
        scratch_.resize(xyz.size() / 3);
        joinedCorners = scratch_;
    }
    joinedCorners = joinedCorners.first(xyz.size() / 3);
    for (std::size_t i = 0; i < joinedCorners.size(); ++i) {
        const auto p = turnToZUp(up_, xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]);
        joinedCorners[i] = joinedAt(p.data());
    }
    return addJoined(joinedCorners);
}

void MeshBuilder::prefetchCorners(const float* nine) const noexcept {
    for (int k = 0; k < 3; ++k) {
        const auto p = turnToZUp(up_, nine[3 * k], nine[3 * k + 1], nine[3 * k + 2]);
        index_.prefetch(p.data());
    }
}

bool MeshBuilder::addJoined(std::span<const std::uint32_t> corners) {
    if (corners.size() <= 1) {
        points_.insert(points_.end(), corners.begin(), corners.end());
        return true;
    }
    if (corners.size() == 2) {
        if (corners[0] == corners[1]) {
            ++counts_.degenerateDropped;
        } else if (lines_.size() / 2 >= kMaxEdges) {
            return fail(BuildError::tooManyRecords,
                        "more than " + std::to_string(kMaxEdges) + " lines");
        } else {
            lines_.insert(lines_.end(), corners.begin(), corners.end());
        }
        return true;
    }
    addPolygon(corners);
    if (faces_.size() / 4 > kMaxFaces) {
        return fail(BuildError::tooManyRecords,
                    "more than " + std::to_string(kMaxFaces) + " faces");
    }
    return true;
}

void MeshBuilder::pushFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    faces_.insert(faces_.end(), {a, b, c, d});
}

void MeshBuilder::addPolygon(std::span<const std::uint32_t> corners) {
    // Corners repeated one after the other (also last-to-first) add nothing
    // to the outline, so they go before the polygon is judged.
    auto& c = outline_;
    c.clear();
    for (const std::uint32_t corner : corners) {
        if (c.empty() || c.back() != corner) {
            c.push_back(corner);
        }
    }
    while (c.size() > 1 && c.back() == c.front()) {
        c.pop_back();
    }
    const std::size_t n = c.size();
    if (n < 3 || (n == 4 && c[0] == c[2] && c[1] == c[3])) {
        ++counts_.degenerateDropped;
        return;
    }
    if (n <= 4) {
        pushFace(c[0], c[1], c[2], n == 4 ? c[3] : kNoCorner);
        return;
    }
    ++counts_.polygonsSplit;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (c[0] == c[i] || c[0] == c[i + 1]) {
            ++counts_.degenerateDropped;
        } else {
            pushFace(c[0], c[i], c[i + 1], kNoCorner);
        }
    }
}

std::optional<MeshModel> MeshBuilder::finish() {
    MeshModel model;
    model.up = up_;
    model.counts = counts_;
    if (!faces_.empty()) {
        model.counts.linesIgnored += static_cast<std::uint32_t>(lines_.size() / 2);
        model.counts.pointsIgnored += static_cast<std::uint32_t>(points_.size());
        model.corners = std::move(faces_);
    } else if (!lines_.empty()) {
        model.faceModel = false;
        model.counts.pointsIgnored += static_cast<std::uint32_t>(points_.size());
        model.corners = std::move(lines_);
    } else if (!points_.empty()) {
        // Each distinct point once, as a line from it to itself.
        model.faceModel = false;
        std::vector<bool> seen(joinedXyz_.size() / 3, false);
        for (const std::uint32_t point : points_) {
            if (!seen[point]) {
                seen[point] = true;
                model.corners.insert(model.corners.end(), {point, point});
            }
        }
        if (model.recordCount() > kMaxEdges) {
            fail(BuildError::tooManyRecords, "more than " + std::to_string(kMaxEdges) + " points");
            return std::nullopt;
        }
    } else {
        const std::string note = conversionNote(counts_);
        fail(BuildError::noGeometry, note.empty() ? "the file holds no faces, lines or points"
                                                  : "no faces, lines or points are left: " + note);
        return std::nullopt;
    }
    index_.release();
    local_ = {};
    slots_ = {};
    points_ = {};
    // Number the vertices the kept records use in order of first use; points
    // of dropped or ignored records disappear.
    std::vector<std::uint32_t> renumber(joinedXyz_.size() / 3, kNoCorner);
    std::uint32_t next = 0;
    bool same = true;
    for (std::uint32_t& corner : model.corners) {
        if (corner == kNoCorner) {
            continue;
        }
        std::uint32_t& to = renumber[corner];
        if (to == kNoCorner) {
            to = next++;
            same = same && to == corner;
        }
        corner = to;
    }
    if (same && next == renumber.size()) {
        model.xyz = std::move(joinedXyz_);  // already in order of first use
    } else {
        model.xyz.resize(std::size_t{next} * 3);
        for (std::size_t old = 0; old < renumber.size(); ++old) {
            if (renumber[old] != kNoCorner) {
                std::copy_n(&joinedXyz_[old * 3], 3, &model.xyz[std::size_t{renumber[old]} * 3]);
            }
        }
    }
    joinedXyz_ = {};
    return model;
}

}  // namespace kelpris::mesh
