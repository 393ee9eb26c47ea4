#pragma once
// The one scaling of model coordinates into the viewer's integer range, shared
// by the scene-file reader and the mesh importer so that the same floats
// always give the same vertices.

#include <span>
#include <vector>

#include "scene/scena.h"

namespace kelpris {

/// Turns coordinates (x, y, z per vertex, single precision, all finite) into
/// vertices whose largest |coordinate| is 1000: with M the largest magnitude
/// (kept in single precision, in the order x, y, z of each vertex), the factor
/// 1000/M is formed in double and stored in single precision, and every
/// coordinate becomes (double)value * (double)factor truncated toward zero.
/// M = 0 gives all zeros; a factor beyond the float range is used in double,
/// so the largest coordinates still land on +-1000. A trailing partial vertex
/// (size not a multiple of 3) is ignored.
std::vector<Vertex> normaliseVertices(std::span<const float> xyz);

}  // namespace kelpris
