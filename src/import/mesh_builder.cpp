#include "import/mesh_builder.h"

#include <bit>
#include <cmath>
#include <utility>

namespace kelpris::mesh {
namespace {

// Bits of a coordinate as a joining key: -0 and +0 are the same point.
std::uint32_t keyBits(float v) noexcept {
    return v == 0.0f ? 0u : std::bit_cast<std::uint32_t>(v);
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
            break;
    }
    return {x, y, z};
}

}  // namespace

std::optional<UpAxis> parseUpAxis(std::string_view text) noexcept {
    if (text == "x" || text == "X") {
        return UpAxis::x;
    }
    if (text == "y" || text == "Y") {
        return UpAxis::y;
    }
    if (text == "z" || text == "Z") {
        return UpAxis::z;
    }
    return std::nullopt;
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

std::size_t MeshBuilder::KeyHash::operator()(const std::array<std::uint32_t, 3>& k) const noexcept {
    std::uint64_t h = k[0];
    h = h * 0x9E3779B97F4A7C15ull ^ k[1];
    h = h * 0x9E3779B97F4A7C15ull ^ k[2];
    return static_cast<std::size_t>(h ^ (h >> 29));
}

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
        local_[3 * i] = turned[0];
        local_[3 * i + 1] = turned[1];
        local_[3 * i + 2] = turned[2];
    }
    slots_.assign(count, 0);
    return true;
}

std::uint32_t MeshBuilder::joined(std::uint32_t local) {
    std::uint32_t& slot = slots_[local];
    if (slot != 0) {
        return slot - 1;
    }
    const float* p = &local_[3 * std::size_t{local}];
    const std::array<std::uint32_t, 3> key{keyBits(p[0]), keyBits(p[1]), keyBits(p[2])};
    const auto next = static_cast<std::uint32_t>(joinedXyz_.size() / 3);
    const auto [it, inserted] = byPosition_.try_emplace(key, next);
    if (inserted) {
        joinedXyz_.insert(joinedXyz_.end(), p, p + 3);
    }
    slot = it->second + 1;
    return it->second;
}

bool MeshBuilder::add(std::span<const std::uint32_t> indices) {
    for (const std::uint32_t index : indices) {
        if (index >= slots_.size()) {
            return fail(BuildError::badIndex, "a face refers to vertex " + std::to_string(index) +
                                                  " of " + std::to_string(slots_.size()));
        }
    }
    if (indices.size() <= 1) {
        ++counts_.pointsIgnored;
        return true;
    }
    if (indices.size() == 2) {
        const std::uint32_t a = joined(indices[0]);
        const std::uint32_t b = joined(indices[1]);
        if (a == b) {
            ++counts_.degenerateDropped;
        } else if (lines_.size() / 2 >= kMaxEdges) {
            return fail(BuildError::tooManyRecords,
                        "more than " + std::to_string(kMaxEdges) + " lines");
        } else {
            lines_.push_back(a);
            lines_.push_back(b);
        }
        return true;
    }
    addPolygon(indices);
    if (faces_.size() / 4 > kMaxFaces) {
        return fail(BuildError::tooManyRecords,
                    "more than " + std::to_string(kMaxFaces) + " faces");
    }
    return true;
}

void MeshBuilder::pushFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    faces_.insert(faces_.end(), {a, b, c, d});
}

void MeshBuilder::addPolygon(std::span<const std::uint32_t> indices) {
    // Corners repeated one after the other (also last-to-first) add nothing
    // to the outline, so they go before the polygon is judged.
    scratch_.clear();
    for (const std::uint32_t index : indices) {
        const std::uint32_t corner = joined(index);
        if (scratch_.empty() || scratch_.back() != corner) {
            scratch_.push_back(corner);
        }
    }
    while (scratch_.size() > 1 && scratch_.back() == scratch_.front()) {
        scratch_.pop_back();
    }
    const std::size_t n = scratch_.size();
    const auto& c = scratch_;
    if (n < 3 || (n == 4 && c[0] == c[2] && c[1] == c[3])) {
        ++counts_.degenerateDropped;
        return;
    }
    if (n == 3) {
        pushFace(c[0], c[1], c[2], kNoCorner);
        return;
    }
    if (n == 4) {
        pushFace(c[0], c[1], c[2], c[3]);
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
    model.faceModel = !faces_.empty();
    if (faces_.empty() && lines_.empty()) {
        fail(BuildError::noGeometry, "no faces or lines");
        return std::nullopt;
    }
    model.counts = counts_;
    if (model.faceModel) {
        model.counts.linesIgnored += static_cast<std::uint32_t>(lines_.size() / 2);
    }
    model.corners = std::move(model.faceModel ? faces_ : lines_);
    // Number the vertices the kept records use in order of first use; points
    // of dropped or ignored records disappear.
    std::vector<std::uint32_t> renumber(joinedXyz_.size() / 3, kNoCorner);
    std::uint32_t next = 0;
    for (std::uint32_t& corner : model.corners) {
        if (corner == kNoCorner) {
            continue;
        }
        std::uint32_t& to = renumber[corner];
        if (to == kNoCorner) {
            to = next++;
            model.xyz.insert(model.xyz.end(), &joinedXyz_[3 * std::size_t{corner}],
                             &joinedXyz_[3 * std::size_t{corner}] + 3);
        }
        corner = to;
    }
    joinedXyz_ = {};
    byPosition_ = {};
    return model;
}

}  // namespace kelpris::mesh
