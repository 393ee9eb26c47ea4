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

/// True when `v` is one of the scene's own vertices.
inline bool isVertexOf(const Scena& s, const Vertex* v) {
    return v != nullptr && !s.vertices.empty() && v >= s.vertices.data() &&
           v < s.vertices.data() + s.vertices.size();
}

}  // namespace kelpris::fuzz
