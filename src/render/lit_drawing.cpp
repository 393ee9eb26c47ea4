#include "render/lit_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "geometry/point_projection.h"
#include "render/face_polygons.h"

namespace kelpris {

namespace {

struct Vec3 {
    double x, y, z;
};

// (x, y, z, 1) through the transform, as Matrix4::apply rounds it.
LightSpacePoint moved(const Vertex& v, const detail::Columns<3>& columns) noexcept {
    const auto x = static_cast<float>(v.x);
    const auto y = static_cast<float>(v.y);
    const auto z = static_cast<float>(v.z);
    return {columns.transform(0, x, y, z), columns.transform(1, x, y, z),
            columns.transform(2, x, y, z)};
}

Vec3 widened(LightSpacePoint p) noexcept {
    return {p.x, p.y, p.z};
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

// Faces are shaded this many at a time, their colours kept on the stack.
constexpr std::size_t kShadedAtOnce = 1024;

FaceColours litColours(double light, const LitFaceStyle& style) noexcept {
    const Rgb fill = shade(style.colour, light);
    return {fill, style.darkerOutline ? shade(fill, kOutlineShade) : fill};
}

double cornerLight(Vec3 a, Vec3 b, Vec3 c, const LitFaceStyle& style) noexcept {
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
    // An eye's colours lie mostly in one channel: the others need no rounding.
    const auto channel = [factor](std::uint8_t c) {
        return c == 0 ? std::uint8_t{0} : static_cast<std::uint8_t>(std::lround(c * factor));
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

void toLightSpace(const Scena& scene, const Matrix4& transform, std::size_t from, std::size_t to,
                  std::span<LightSpacePoint> out) noexcept {
    const detail::Columns<3> columns(transform);
    to = std::min({to, scene.vertices.size(), out.size()});
    for (std::size_t i = from; i < to; ++i) {
        out[i] = moved(scene.vertices[i], columns);
    }
}

double faceLight(const Scena& scene, const Face& face, const LitFaceStyle& style) noexcept {
    const std::size_t n = scene.vertices.size();
    const std::uint32_t* c = face.corner;
    if (c[0] >= n || c[1] >= n || c[2] >= n) {
        return kAmbientLight;
    }
    const detail::Columns<3> columns(style.transform);
    const auto corner = [&](std::size_t i) {
        return widened(moved(scene.vertices[c[i]], columns));
    };
    return cornerLight(corner(0), corner(1), corner(2), style);
}

void faceLights(std::span<const LightSpacePoint> vertices, std::span<const Face> faces,
                const LitFaceStyle& style, std::span<double> out) noexcept {
    const std::size_t n = std::min(faces.size(), out.size());
    const std::size_t m = vertices.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t* c = faces[k].corner;
        out[k] = c[0] < m && c[1] < m && c[2] < m
                     ? cornerLight(widened(vertices[c[0]]), widened(vertices[c[1]]),
                                   widened(vertices[c[2]]), style)
                     : kAmbientLight;
    }
}

void drawLitFaces(std::span<const Face> faces, std::span<const Point> points,
                  std::span<const double> lights, DrawingSurface& surface,
                  const LitFaceStyle& style) {
    std::array<FaceColours, kShadedAtOnce> colours;
    for (std::size_t from = 0; from < faces.size(); from += kShadedAtOnce) {
        const std::size_t count = std::min(kShadedAtOnce, faces.size() - from);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t k = from + i;
            colours[i] = litColours(k < lights.size() ? lights[k] : kAmbientLight, style);
        }
        surface.colouredPolygons(faces.subspan(from, count), points,
                                 std::span<const FaceColours>(colours).first(count));
    }
}

}  // namespace kelpris
