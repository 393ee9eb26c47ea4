#include "render/lit_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace kelpris {

namespace {

struct Vec3 {
    double x, y, z;
};

Vec3 transformed(const Vertex& v, const Matrix4& xf) noexcept {
    auto x = static_cast<float>(v.x);
    auto y = static_cast<float>(v.y);
    auto z = static_cast<float>(v.z);
    float w = 1.0f;
    xf.apply(x, y, z, w);
    return {x, y, z};
}

Vec3 minus(Vec3 a, Vec3 b) noexcept {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 cross(Vec3 a, Vec3 b) noexcept {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(Vec3 a, Vec3 b) noexcept {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void selectLit(DrawingSurface& surface, double light, const LitFaceStyle& style) {
    const Rgb fill = shade(style.colour, light);
    surface.selectBrush(Brush::solid(fill));
    surface.selectPen(Pen{1, style.darkerOutline ? shade(fill, kOutlineShade) : fill});
}

double cornerLight(const Vertex& v1, const Vertex& v2, const Vertex& v3,
                   const LitFaceStyle& style) noexcept {
    const Vec3 a = transformed(v1, style.transform);
    const Vec3 b = transformed(v2, style.transform);
    const Vec3 c = transformed(v3, style.transform);
    const Vec3 normal = cross(minus(b, a), minus(c, a));
    const Vec3 centre{(a.x + b.x + c.x) / 3.0, (a.y + b.y + c.y) / 3.0, (a.z + b.z + c.z) / 3.0};
    const Vec3 toLight = minus(Vec3{style.lightX, style.lightY, style.lightZ}, centre);
    const double lengths = std::sqrt(dot(normal, normal) * dot(toLight, toLight));
    if (!(lengths > 0.0) || !std::isfinite(lengths)) {
        return kAmbientLight;
    }
    const double cosine = std::min(std::fabs(dot(normal, toLight)) / lengths, 1.0);
    return kAmbientLight + (1.0 - kAmbientLight) * cosine;
}

void drawOne(DrawingSurface& surface, const Face& face, const LitFaceStyle& style) {
    if (face.corner1 == nullptr || face.corner2 == nullptr || face.corner3 == nullptr) {
        return;
    }
    selectLit(surface, faceLight(face, style), style);
    std::array<Point, 4> points{Point{face.corner1->screenX, face.corner1->screenY},
                                Point{face.corner2->screenX, face.corner2->screenY},
                                Point{face.corner3->screenX, face.corner3->screenY}, Point{}};
    std::size_t count = 3;
    if (face.corner4 != nullptr) {
        points[3] = Point{face.corner4->screenX, face.corner4->screenY};
        count = 4;
    }
    surface.polygon(std::span<const Point>(points.data(), count));
}

}  // namespace

Rgb shade(Rgb colour, double factor) noexcept {
    if (!(factor > 0.0)) {
        factor = 0.0;  // also NaN
    }
    factor = std::min(factor, 1.0);
    const auto channel = [factor](std::uint8_t c) {
        return static_cast<std::uint8_t>(std::lround(c * factor));
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

double faceLight(const Face& face, const LitFaceStyle& style) noexcept {
    if (face.corner1 == nullptr || face.corner2 == nullptr || face.corner3 == nullptr) {
        return kAmbientLight;
    }
    return cornerLight(*face.corner1, *face.corner2, *face.corner3, style);
}

void faceLights(const Scena& scene, std::span<const FaceCorners> faces, const LitFaceStyle& style,
                std::vector<double>& out) {
    const std::size_t n = scene.vertices.size();
    out.resize(faces.size());
    for (std::size_t k = 0; k < faces.size(); ++k) {
        const FaceCorners& f = faces[k];
        const bool inside = f.corner[0] < n && f.corner[1] < n && f.corner[2] < n;
        out[k] = inside ? cornerLight(scene.vertices[f.corner[0]], scene.vertices[f.corner[1]],
                                      scene.vertices[f.corner[2]], style)
                        : kAmbientLight;
    }
}

void drawLitFaces(std::span<const FaceCorners> faces, std::span<const ProjectedVertex> projected,
                  std::span<const double> lights, DrawingSurface& surface,
                  const LitFaceStyle& style) {
    ScopedPen pen(surface, Pen{});
    ScopedBrush brush(surface, Brush{});
    const std::size_t n = projected.size();
    std::array<Point, 4> points{};
    for (std::size_t k = 0; k < faces.size(); ++k) {
        const FaceCorners& f = faces[k];
        const std::size_t count = f.corner[3] == kNoCorner ? 3 : 4;
        bool inside = true;
        for (std::size_t i = 0; i < count && inside; ++i) {
            inside = f.corner[i] < n;
            if (inside) {
                points[i] = Point{projected[f.corner[i]].x, projected[f.corner[i]].y};
            }
        }
        if (inside) {
            selectLit(surface, k < lights.size() ? lights[k] : kAmbientLight, style);
            surface.polygon(std::span<const Point>(points.data(), count));
        }
    }
}

void drawLitFaces(const Scena& scene, DrawingSurface& surface, DrawMode mode,
                  const LitFaceStyle& style) {
    // The guards keep the pen and brush the caller selected; each face then
    // selects its own.
    ScopedPen pen(surface, Pen{});
    ScopedBrush brush(surface, Brush{});
    switch (mode) {
        case DrawMode::Edges:
            pen.select(pen.previous());
            brush.select(brush.previous());
            draw(scene, surface, mode);
            break;
        case DrawMode::Faces:
            for (const Face& face : scene.faces) {
                drawOne(surface, face, style);
            }
            break;
        case DrawMode::SortedFaces:
            for (const SortedFace& entry : scene.TRIEDENE_STENY) {
                if (entry.face != nullptr) {
                    drawOne(surface, *entry.face, style);
                }
            }
            break;
    }
}

}  // namespace kelpris
