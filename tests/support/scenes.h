#pragma once
// Small scenes built in memory, for tests of projection, drawing and the
// screens.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "render/drawing_surface.h"
#include "scene/scena.h"

namespace kelpris::testing {

struct V3 {
    std::int32_t x, y, z;
};

/// A scene whose vertices have the given window positions; the model
/// coordinates do not matter to drawing.
inline Scena sceneAt(const std::vector<Point>& screen) {
    Scena scene;
    for (const Point p : screen) {
        Vertex v;
        v.screenX = p.x;
        v.screenY = p.y;
        scene.vertices.push_back(v);
    }
    scene.vertexCount = static_cast<std::int32_t>(screen.size());
    return scene;
}

/// Adds an edge between vertices `a` and `b` (0-based). Add every vertex
/// first: the edge points into the vertex list.
inline void addEdge(Scena& scene, int a, int b) {
    scene.edges.push_back({&scene.vertices[a], &scene.vertices[b]});
    scene.edgeCount = static_cast<std::int32_t>(scene.edges.size());
}

/// Adds a face of 3 corners, or 4 when `d` is given (0-based), and makes the
/// scene a face model.
inline void addFace(Scena& scene, int a, int b, int c, int d = -1) {
    Vertex* const fourth = d < 0 ? nullptr : &scene.vertices[d];
    scene.faces.push_back({&scene.vertices[a], &scene.vertices[b], &scene.vertices[c], fourth});
    scene.faceCount = static_cast<std::int32_t>(scene.faces.size());
    scene.faceModel = 1;
}

/// Sets the depth order to the faces numbered in `order` (0-based).
inline void sortAs(Scena& scene, const std::vector<int>& order) {
    scene.TRIEDENE_STENY.clear();
    for (const int i : order) {
        scene.TRIEDENE_STENY.push_back({0, &scene.faces[i]});
    }
}

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
                                        r * spacing - rows * spacing / 2, 0, 0, 0});
        }
    }
    const auto v = [&](int r, int c) {
        return &s.vertices[static_cast<std::size_t>(r * (cols + 1) + c)];
    };
    s.faces.reserve(static_cast<std::size_t>(2 * cols * rows));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            s.faces.push_back({v(r, c), v(r, c + 1), v(r + 1, c + 1), nullptr});
            s.faces.push_back({v(r, c), v(r + 1, c + 1), v(r + 1, c), nullptr});
        }
    }
    s.vertexCount = static_cast<std::int32_t>(s.vertices.size());
    s.faceCount = static_cast<std::int32_t>(s.faces.size());
    s.computeCentre();
    return s;
}

}  // namespace kelpris::testing
