#include "render/lit_drawing.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "render/face_polygons.h"

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

double faceLight(const Scena& scene, const Face& face, const LitFaceStyle& style) noexcept {
    const std::size_t n = scene.vertices.size();
    const std::uint32_t* c = face.corner;
    if (c[0] >= n || c[1] >= n || c[2] >= n) {
        return kAmbientLight;
    }
    return cornerLight(scene.vertices[c[0]], scene.vertices[c[1]], scene.vertices[c[2]], style);
}

void faceLights(const Scena& scene, std::span<const Face> faces, const LitFaceStyle& style,
                std::span<double> out) noexcept {
    const std::size_t n = std::min(faces.size(), out.size());
    for (std::size_t k = 0; k < n; ++k) {
        out[k] = faceLight(scene, faces[k], style);
    }
}

void drawLitFaces(std::span<const Face> faces, std::span<const Point> points,
                  std::span<const double> lights, DrawingSurface& surface,
                  const LitFaceStyle& style) {
    // The guards keep the pen and brush the caller selected; each face then
    // selects its own.
    ScopedPen pen(surface, Pen{});
    ScopedBrush brush(surface, Brush{});
    forEachFacePolygon(faces, points, [&](std::size_t k, std::span<const Point> corners) {
        selectLit(surface, k < lights.size() ? lights[k] : kAmbientLight, style);
        surface.polygon(corners);
    });
}

}  // namespace kelpris
