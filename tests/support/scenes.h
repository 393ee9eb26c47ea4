#pragma once
// Small scenes built in memory, for tests of projection, drawing and the
// screens.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "scene/scena.h"

namespace kelpris::testing {

struct V3 {
    std::int32_t x, y, z;
};

/// A scene of `count` vertices at the origin, for tests whose window
/// positions come from a projection buffer of their own.
inline Scena sceneOf(std::size_t count) {
    Scena scene;
    scene.vertices.resize(count);
    scene.vertexCount = static_cast<std::int32_t>(count);
    return scene;
}

/// Adds an edge between vertices `a` and `b` (0-based).
inline void addEdge(Scena& scene, int a, int b) {
    scene.edges.push_back({static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)});
    scene.edgeCount = static_cast<std::int32_t>(scene.edges.size());
}

/// Adds a face of 3 corners, or 4 when `d` is given (0-based), and makes the
/// scene a face model.
inline void addFace(Scena& scene, int a, int b, int c, int d = -1) {
    const auto at = [](int i) { return static_cast<std::uint32_t>(i); };
    scene.faces.push_back(Face{{at(a), at(b), at(c), d < 0 ? kNoCorner : at(d)}});
    scene.faceCount = static_cast<std::int32_t>(scene.faces.size());
    scene.faceModel = 1;
}

/// An edge model; `links` are pairs of 1-based vertex numbers.
inline Scena edgeScene(std::initializer_list<V3> pts,
                       std::initializer_list<std::pair<int, int>> links) {
    Scena s;
    for (const V3& p : pts) {
        s.vertices.push_back(Vertex{p.x, p.y, p.z});
    }
    for (auto [a, b] : links) {
        s.edges.push_back(
            Edge{static_cast<std::uint32_t>(a - 1), static_cast<std::uint32_t>(b - 1)});
    }
    s.vertexCount = static_cast<std::int32_t>(s.vertices.size());
    s.edgeCount = static_cast<std::int32_t>(s.edges.size());
    s.computeCentre();
    return s;
}

/// A face model; each face lists 3 or 4 1-based vertex numbers.
inline Scena faceScene(std::initializer_list<V3> pts,
                       std::initializer_list<std::initializer_list<int>> faces) {
    Scena s;
    s.faceModel = 1;
    for (const V3& p : pts) {
        s.vertices.push_back(Vertex{p.x, p.y, p.z});
    }
    for (const auto& f : faces) {
        Face face;
        std::size_t i = 0;
        for (int n : f) {
            face.corner[i++] = static_cast<std::uint32_t>(n - 1);
        }
        s.faces.push_back(face);
    }
    s.vertexCount = static_cast<std::int32_t>(s.vertices.size());
    s.faceCount = static_cast<std::int32_t>(s.faces.size());
    s.computeCentre();
    return s;
}

/// A square of edges in the x/z plane around the origin (seen face on by the
/// stereo transform at the start angles).
inline Scena squareEdges(std::int32_t h = 300) {
    return edgeScene({{-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h}},
                     {{1, 2}, {2, 3}, {3, 4}, {4, 1}});
}

/// One quad in the x/z plane around the origin.
inline Scena squareFace(std::int32_t h = 300) {
    return faceScene({{-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h}}, {{1, 2, 3, 4}});
}

/// A wavy height field of cols x rows quads, each split into two triangles
/// (2 * cols * rows faces), `spacing` model units apart and centred on the
/// origin, with its centre computed: a large face model of known size.
inline Scena heightField(int cols, int rows, int spacing) {
    Scena s;
    s.faceModel = 1;
    s.vertices.reserve(static_cast<std::size_t>((cols + 1) * (rows + 1)));
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= cols; ++c) {
            const double h = 150.0 * std::sin(c * 0.11) * std::cos(r * 0.07);
            s.vertices.push_back(Vertex{c * spacing - cols * spacing / 2,
                                        static_cast<std::int32_t>(h),
                                        r * spacing - rows * spacing / 2});
        }
    }
    const auto v = [&](int r, int c) { return static_cast<std::uint32_t>(r * (cols + 1) + c); };
    s.faces.reserve(static_cast<std::size_t>(2 * cols * rows));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            s.faces.push_back(Face{{v(r, c), v(r, c + 1), v(r + 1, c + 1), kNoCorner}});
            s.faces.push_back(Face{{v(r, c), v(r + 1, c + 1), v(r + 1, c), kNoCorner}});
        }
    }
    s.vertexCount = static_cast<std::int32_t>(s.vertices.size());
    s.faceCount = static_cast<std::int32_t>(s.faces.size());
    s.computeCentre();
    return s;
}

}  // namespace kelpris::testing
