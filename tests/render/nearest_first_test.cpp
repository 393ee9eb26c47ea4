// Faces drawn nearest first, each only where no nearer face has written,
// against the same faces drawn farthest first by raster::polygon.

#include "render/nearest_first.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "render/plane_surface.h"
#include "render/raster.h"

namespace kelpris {
namespace {

struct RandomFaces {
    std::vector<Point> points;
    std::vector<Face> faces;
    std::vector<FaceColours> colours;
};

// Mostly triangles of the row-mask sizes inside the view, most of them 12
// pixels or more (so that a plane surface chooses to draw nearest first),
// among them faces within 4 pixels, larger ones, quads, all of those also
// across the edges, and one face with a corner out of range.
RandomFaces randomFaces(std::int32_t w, std::int32_t h, std::mt19937& rng) {
    RandomFaces out;
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint32_t k = 0; k < 2600; ++k) {
        const int kind = static_cast<int>(k % 10);
        const std::int32_t reach = kind < 7 ? 30 : kind == 7 ? 3 : kind == 8 ? 70 : 12;
        const std::int32_t margin = kind < 7 ? 0 : 10;
        std::uniform_int_distribution<std::int32_t> x(-margin, std::max(w - reach, 0) + margin);
        std::uniform_int_distribution<std::int32_t> y(-margin, std::max(h - reach, 0) + margin);
        std::uniform_int_distribution<std::int32_t> offset(0, reach);
        const Point base{x(rng), y(rng)};
        Face face;
        for (std::uint32_t i = 0; i < (kind == 9 ? 4u : 3u); ++i) {
            face.corner[i] = static_cast<std::uint32_t>(out.points.size());
            out.points.push_back({base.x + offset(rng), base.y + offset(rng)});
        }
        out.faces.push_back(face);
        out.colours.push_back({{0, static_cast<std::uint8_t>(byte(rng)), 0},
                               {0, static_cast<std::uint8_t>(byte(rng)), 0}});
    }
    out.faces[345].corner[1] = static_cast<std::uint32_t>(out.points.size());
    return out;
}

std::span<const Face> part(const RandomFaces& m, std::size_t p) {
    const std::size_t half = m.faces.size() / 2;
    return p == 0 ? std::span<const Face>(m.faces).first(half)
                  : std::span<const Face>(m.faces).subspan(half);
}

// The faces in two parts (each more than a block of colours), flat
// (filled and hollow) and each in colours of its own, over a random picture
// on planes whose buffer ends at their last pixel, one narrower than the
// row masks: the walk itself, and a plane surface handed the parts, give
// the plane that drawing the faces farthest first gives, the pixels no face
// covers untouched.
TEST(NearestFirst, givesThePlaneOfDrawingFarthestFirst) {
    std::mt19937 rng(18);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const auto& [w, h] : {std::pair{67, 45}, std::pair{21, 13}}) {
        const RandomFaces m = randomFaces(w, h, rng);
        const auto size = static_cast<std::size_t>(w * h);
        std::vector<std::uint8_t> background(size);
        for (std::uint8_t& b : background) {
            b = static_cast<std::uint8_t>(byte(rng));
        }
        for (const int style : {0, 1, 2}) {  // filled, hollow, own colours
            const auto shadeOf = [&](std::size_t k) {
                const FaceColours c = style == 2 ? m.colours[k] : FaceColours{{0, 9, 0}, {0, 7, 0}};
                return FaceShade<std::uint8_t>{c.fill.g, c.outline.g, style != 1};
            };
            std::vector<std::uint8_t> expected = background;
            for (std::size_t k = 0; k < m.faces.size(); ++k) {
                const Face& f = m.faces[k];
                std::array<Point, 4> corners{};
                bool known = true;
                for (std::size_t i = 0; i < f.cornerCount(); ++i) {
                    known = known && f.corner[i] < m.points.size();
                    corners[i] = known ? m.points[f.corner[i]] : Point{};
                }
                const FaceShade<std::uint8_t> s = shadeOf(k);
                if (known) {
                    raster::polygon(PlaneView{expected.data(), w, h, w},
                                    std::span<const Point>(corners).first(f.cornerCount()),
                                    s.filled ? &s.fill : nullptr, s.outline);
                }
            }
            std::vector<std::uint8_t> walked = background;
            NearestFirstBuffers buffers;
            buffers.reset(w, h);
            for (std::size_t p = 2; p-- > 0;) {
                const std::size_t first = p == 0 ? 0 : part(m, 0).size();
                face_walk::drawNearestFirst<true>(
                    PlaneView{walked.data(), w, h, w}, buffers, part(m, p), m.points,
                    [&](std::size_t k) { return shadeOf(first + k); });
            }
            EXPECT_EQ(walked, expected) << w << " style " << style;

            PlaneSurface plane;
            plane.reset(Channel::Green, w, h);
            std::copy(background.begin(), background.end(), plane.plane().pixels);
            const std::array parts{part(m, 0), part(m, 1)};
            if (style == 2) {
                const std::array lists{
                    std::span<const FaceColours>(m.colours).first(parts[0].size()),
                    std::span<const FaceColours>(m.colours).subspan(parts[0].size())};
                struct Listed final : FaceColouring {
                    std::span<const std::span<const FaceColours>> lists;
                    FaceColours colours(std::size_t p, std::size_t k) const override {
                        return lists[p][k];
                    }
                } colouring;
                colouring.lists = lists;
                plane.colouredPolygonParts(parts, m.points, colouring);
            } else {
                plane.selectPen(Pen{1, {0, 7, 0}});
                plane.selectBrush(style == 1 ? Brush::hollowBrush() : Brush::solid({0, 9, 0}));
                plane.polygonParts(parts, m.points);
            }
            const PlaneView drawn = plane.plane();
            EXPECT_EQ(std::vector<std::uint8_t>(drawn.pixels, drawn.pixels + size), expected)
                << w << " style " << style << " (surface)";
        }
    }
}

}  // namespace
}  // namespace kelpris
