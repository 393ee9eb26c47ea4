#pragma once
// Small hand-built scenes for the view tests.

#include <initializer_list>

#include "scene/scena.h"

namespace kelpris::testing {

struct V3 {
    std::int32_t x, y, z;
};

/// An edge model; `links` are pairs of 1-based vertex numbers.
inline Scena edgeScene(std::initializer_list<V3> pts,
                       std::initializer_list<std::pair<int, int>> links) {
    Scena s;
    for (const V3& p : pts) {
        s.vertices.push_back(Vertex{p.x, p.y, p.z, 0, 0, 0});
    }
    for (auto [a, b] : links) {
        s.edges.push_back(Edge{&s.vertices[a - 1], &s.vertices[b - 1]});
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
        s.vertices.push_back(Vertex{p.x, p.y, p.z, 0, 0, 0});
    }
    for (const auto& f : faces) {
        Face face;
        Vertex** corners[4] = {&face.corner1, &face.corner2, &face.corner3, &face.corner4};
        int i = 0;
        for (int n : f) {
            *corners[i++] = &s.vertices[n - 1];
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

}  // namespace kelpris::testing
