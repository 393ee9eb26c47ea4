#include "render/lit_drawing.h"

#include <algorithm>
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

FaceColours litColours(double light, const LitFaceStyle& style) noexcept {
    const Rgb fill = shade(style.colour, light);
    return {fill, style.darkerOutline ? shade(fill, kOutlineShade) : fill};
}

/// Face k of part p lit by lights[p][k], or by the ambient light alone
/// past the end of its part's lights.
class LitColouring final : public FaceColouring {
  public:
    LitColouring(std::span<const std::span<const double>> lights, const LitFaceStyle& style)
        : lights_(lights), style_(style) {}
    FaceColours colours(std::size_t part, std::size_t k) const override {
        const bool lit = part < lights_.size() && k < lights_[part].size();
        return litColours(lit ? lights_[part][k] : kAmbientLight, style_);
    }

  private:
    std::span<const std::span<const double>> lights_;
    const LitFaceStyle& style_;
};

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
    drawLitFaces(std::span<const std::span<const Face>>(&faces, 1),
                 std::span<const std::span<const double>>(&lights, 1), points, surface, style);
}

void drawLitFaces(std::span<const std::span<const Face>> parts,
                  std::span<const std::span<const double>> lights, std::span<const Point> points,
                  DrawingSurface& surface, const LitFaceStyle& style) {
    surface.colouredPolygonParts(parts, points, LitColouring{lights, style});
}

}  // namespace kelpris
