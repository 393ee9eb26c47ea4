#pragma once
// The depth order of a face model's faces for one projection: farthest face
// first, faces of equal depth in the order a one-by-one insertion into a
// sorted list gives them (see depth_order.cpp).

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "scene/scena.h"

namespace kelpris {

/// One depth order, kept by its owner from one paint to the next so that
/// ordering the same model again allocates nothing.
struct DepthOrder {
    /// Positions of the faces in the scene's face list, farthest first.
    std::vector<std::uint32_t> TRIEDENE_STENY;
    /// depths[i] is the mean corner depth of face TRIEDENE_STENY[i].
    std::vector<std::int32_t> depths;

    std::size_t size() const noexcept { return TRIEDENE_STENY.size(); }
};

/// Runs `beside` on another thread while the calling thread runs `here`, and
/// returns once both have finished.
using RunBoth =
    std::function<void(const std::function<void()>& beside, const std::function<void()>& here)>;

/// Orders `faces` by the mean depth of their corners (the sum of the corner
/// depths divided by their number, truncated toward zero), where
/// `vertexDepths[i]` is the depth of vertex i: largest mean first, ties
/// ordered exactly as a one-by-one insertion would order them. `order` is
/// written over whole. A face with a corner outside `vertexDepths` is left
/// out. If memory runs out, `order` is left empty and the exception passes
/// on. With `runBoth`, a long list is ordered by two threads, each taking
/// half the work: the same order. With `gathered`, the faces themselves are
/// copied into it in list order too (as gatherFaces would copy them), so
/// that drawing walks them in order through memory.
void orderFaces(std::span<const Face> faces, std::span<const std::int32_t> vertexDepths,
                DepthOrder& order, const RunBoth* runBoth = nullptr,
                std::vector<Face>* gathered = nullptr);

/// Copies the faces `order` names (positions in `faces`) in that order into
/// `out` from its start, skipping positions outside `faces`, until `out` is
/// full; returns how many were copied. Two threads may each gather one part
/// of an order.
std::size_t gatherFaces(std::span<const Face> faces, std::span<const std::uint32_t> order,
                        std::span<Face> out) noexcept;

}  // namespace kelpris
