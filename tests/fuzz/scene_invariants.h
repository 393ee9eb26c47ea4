#pragma once
// Checks shared by the fuzz targets: an invariant that breaks aborts, so
// libFuzzer keeps the input that broke it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "scene/scena.h"

namespace kelpris::fuzz {

inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

/// A scaled model coordinate.
inline bool inRange(std::int32_t v) {
    return v >= -1000 && v <= 1000;
}

/// True when every edge end and face corner is one of the scene's own
/// vertices (a face's fourth corner may be missing).
inline bool recordsReferToVertices(const Scena& s) {
    const auto isVertex = [&s](std::uint32_t index) { return index < s.vertices.size(); };
    for (const Edge& e : s.edges) {
        if (!isVertex(e.end1) || !isVertex(e.end2)) {
            return false;
        }
    }
    for (const Face& f : s.faces) {
        if (!isVertex(f.corner[0]) || !isVertex(f.corner[1]) || !isVertex(f.corner[2]) ||
            (f.corner[3] != kNoCorner && !isVertex(f.corner[3]))) {
            return false;
        }
    }
    return true;
}

}  // namespace kelpris::fuzz
