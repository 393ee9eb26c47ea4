// The Qt surface against the bare span rasteriser on whole scenes, and the
// Qt surface's mixing of direct pixel writes with its painter on one image.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <span>
#include <vector>

#include "geometry/matrix4.h"
#include "geometry/scene_projection.h"
#include "paths.h"
#include "render/plane_surface.h"
#include "render/qt/qt_surface.h"
#include "render/raster.h"
#include "render/scene_drawing.h"
#include "scene/scena.h"

namespace kelpris {
namespace {

constexpr Rgb kFace{0, 100, 0};
constexpr Rgb kLine{0, 120, 0};
constexpr Rgb kRed{215, 0, 0};

const std::filesystem::path kBunny = testing::kSourceDir / "data" / "samples" / "bunny.dat";

struct ProjectedModel {
    Scena scene;
    std::vector<Point> points;  ///< window position of each vertex
};

/// The bunny projected for the right eye at `scale` pixels per unit onto a
/// w x h window; a large scale throws many faces far off the window.
ProjectedModel projectedBunny(float scale, int w, int h) {
    ProjectedModel out;
    Scena& scene = out.scene;
    if (!scene.load(kBunny).ok) {
        return out;
    }
    Matrix4 transform;
    transform.translate(-scene.centreX, -scene.centreY, -scene.centreZ);
    transform.rotateZ(0.4f);
    transform.rotateX(1.2f);
    StereoParams eye;
    eye.depthOffset = 300;
    eye.eyeDistance = 900;
    eye.eyeShift = 30;
    eye.eyeSign = 1;
    eye.scale = scale;
    eye.originX = w / 2;
    eye.originY = h / 2;
    out.points.resize(scene.vertices.size());
    projectStereo(scene, transform, eye, out.points, {});
    return out;
}

std::array<Point, 4> cornersOf(const Face& face, std::span<const Point> points,
                               std::size_t& count) {
    std::array<Point, 4> corners{};
    count = face.cornerCount();
    for (std::size_t i = 0; i < count; ++i) {
        corners[i] = points[face.corner[i]];
    }
    return corners;
}

/// Pixels where the image and the buffer differ.
int differing(const QImage& image, const std::vector<Pixel>& buffer) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const Pixel*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            count += row[x] == buffer[static_cast<std::size_t>(y) * image.width() + x] ? 0 : 1;
        }
    }
    return count;
}

TEST(SurfaceAgreement, bunnyFacesAndEdgesMatchTheBareRasteriser) {
    constexpr int w = 320;
    constexpr int h = 240;
    for (const float scale : {0.3f, 3.0f}) {
        const auto [scene, points] = projectedBunny(scale, w, h);
        if (scene.faces.empty()) {
            GTEST_SKIP() << "no bunny sample at " << kBunny;
        }
        QtImageSurface surface(w, h);
        surface.selectPen(Pen{1, kLine});
        surface.selectBrush(Brush::solid(kFace));
        drawFaces(scene.faces, points, surface);

        std::vector<Pixel> buffer(static_cast<std::size_t>(w) * h, 0xFFFFFFFF);
        const PixelView view{buffer.data(), w, h, w};
        const Pixel fill = toPixel(kFace);
        for (const Face& face : scene.faces) {
            std::size_t count = 0;
            const auto corners = cornersOf(face, points, count);
            raster::polygon(view, std::span<const Point>(corners.data(), count), &fill,
                            toPixel(kLine));
        }
        EXPECT_EQ(differing(surface.image(), buffer), 0) << "faces at scale " << scale;
        // Not an empty comparison: the model covers a good part of the window.
        const std::vector<Pixel> blank(buffer.size(), 0xFFFFFFFF);
        EXPECT_GT(differing(surface.image(), blank), w * h / 10) << scale;

        // The same faces' edges as separate lines, in red over the picture.
        surface.selectPen(Pen{1, kRed});
        for (const Face& face : scene.faces) {
            std::size_t count = 0;
            const auto corners = cornersOf(face, points, count);
            surface.moveTo(corners[0].x, corners[0].y);
            surface.lineTo(corners[1].x, corners[1].y);
            raster::line(view, corners[0], corners[1], toPixel(kRed));
        }
        EXPECT_EQ(differing(surface.image(), buffer), 0) << "edges at scale " << scale;
    }
}

// drawFaces writes straight into the Qt surface's pixels when its pen allows;
// the picture must be the one that face-by-face polygon calls give, for every
// pen and brush, faces with a corner out of range skipped either way.
TEST(SurfaceAgreement, facesDrawnAtOnceMatchFaceByFacePolygons) {
    constexpr int w = 320;
    constexpr int h = 240;
    struct Tools {
        Pen pen;
        Brush brush;
    };
    const Tools tools[] = {{Pen{1, kLine}, Brush::solid(kFace)},
                           {Pen{1, kRed}, Brush::hollowBrush()},
                           {Pen{3, kRed}, Brush::solid(kFace)}};
    for (const float scale : {0.3f, 3.0f}) {
        const auto [scene, projected] = projectedBunny(scale, w, h);
        if (scene.faces.empty()) {
            GTEST_SKIP() << "no bunny sample at " << kBunny;
        }
        std::vector<Face> faces = scene.faces;
        faces[faces.size() / 2].corner[1] = static_cast<std::uint32_t>(projected.size());
        for (const Tools& t : tools) {
            QtImageSurface atOnce(w, h);
            atOnce.selectPen(t.pen);
            atOnce.selectBrush(t.brush);
            drawFaces(faces, projected, atOnce);
            QtImageSurface oneByOne(w, h);
            oneByOne.selectPen(t.pen);
            oneByOne.selectBrush(t.brush);
            for (const Face& f : faces) {
                const std::size_t count = f.cornerCount();
                std::array<Point, 4> corners{};
                bool known = true;
                for (std::size_t i = 0; i < count; ++i) {
                    known = known && f.corner[i] < projected.size();
                    if (known) {
                        corners[i] = projected[f.corner[i]];
                    }
                }
                if (known) {
                    oneByOne.polygon(std::span<const Point>(corners.data(), count));
                }
            }
            EXPECT_TRUE(atOnce.image() == oneByOne.image())
                << "scale " << scale << " pen " << t.pen.width;
        }
    }
}

// Faces of a few pixels take a table path of their own in both surfaces;
// near the edges of small views (one narrower than that path's block), many
// overlapping, some quads, some with a corner out of range, filled and
// hollow, they must give what raster::polygon gives face by face.
TEST(SurfaceAgreement, tinyFacesNearTheEdgesMatchFaceByFacePolygons) {
    std::mt19937 rng(18);
    for (const auto& [w, h] : {std::pair{23, 17}, std::pair{3, 9}}) {
        std::uniform_int_distribution<std::int32_t> x(-4, w + 3);
        std::uniform_int_distribution<std::int32_t> y(-4, h + 3);
        std::uniform_int_distribution<std::int32_t> offset(0, 4);
        std::vector<Point> points;
        std::vector<Face> faces;
        for (std::uint32_t k = 0; k < 3000; ++k) {
            const Point base{x(rng), y(rng)};
            Face face;
            const std::uint32_t count = k % 7 == 0 ? 4 : 3;
            for (std::uint32_t i = 0; i < count; ++i) {
                face.corner[i] = static_cast<std::uint32_t>(points.size());
                points.push_back({base.x + offset(rng), base.y + offset(rng)});
            }
            faces.push_back(face);
        }
        faces[100].corner[2] = static_cast<std::uint32_t>(points.size());
        for (const bool hollow : {false, true}) {
            const Brush brush = hollow ? Brush::hollowBrush() : Brush::solid(kFace);
            QtImageSurface picture(w, h);
            PlaneSurface plane;
            plane.reset(Channel::Green, w, h);
            for (DrawingSurface* surface :
                 {static_cast<DrawingSurface*>(&picture), static_cast<DrawingSurface*>(&plane)}) {
                surface->selectPen(Pen{1, kLine});
                surface->selectBrush(brush);
                drawFaces(faces, points, *surface);
            }
            std::vector<Pixel> pixels(static_cast<std::size_t>(w) * h, 0xFFFFFFFF);
            std::vector<std::uint8_t> bytes(pixels.size(), 0);
            const Pixel fill = toPixel(kFace);
            for (const Face& face : faces) {
                if (std::any_of(face.corner, face.corner + face.cornerCount(),
                                [&](std::uint32_t c) { return c >= points.size(); })) {
                    continue;
                }
                std::size_t count = 0;
                const auto corners = cornersOf(face, points, count);
                const std::span<const Point> used(corners.data(), count);
                raster::polygon(PixelView{pixels.data(), w, h, w}, used, hollow ? nullptr : &fill,
                                toPixel(kLine));
                raster::polygon(PlaneView{bytes.data(), w, h, w}, used, hollow ? nullptr : &kFace.g,
                                kLine.g);
            }
            EXPECT_EQ(differing(picture.image(), pixels), 0) << w << " hollow " << hollow;
            const PlaneView drawn = plane.plane();
            EXPECT_EQ(std::vector<std::uint8_t>(drawn.pixels, drawn.pixels + bytes.size()), bytes)
                << w << " hollow " << hollow;
        }
    }
}

// Faces in colours of their own (lit faces) go through the same walk with
// each face's colours: tiny faces and ones up to just past the 16-pixel row
// masks a plane's walk draws inline, in order and scattered, one
// with a corner out of range, must give what the default face-by-face loop
// (a brush and pen selected per face) gives on the same kind of surface.
TEST(SurfaceAgreement, facesInTheirOwnColoursMatchFaceByFaceSelection) {
    constexpr int w = 64;
    constexpr int h = 48;
    std::mt19937 rng(18);
    std::uniform_int_distribution<std::int32_t> x(-4, w + 3);
    std::uniform_int_distribution<std::int32_t> y(-4, h + 3);
    std::uniform_int_distribution<int> byte(1, 255);
    std::vector<Point> points;
    std::vector<Face> faces;
    std::vector<FaceColours> colours;
    for (std::uint32_t k = 0; k < 3000; ++k) {
        const Point base{x(rng), y(rng)};
        std::uniform_int_distribution<std::int32_t> offset(0, k % 3 == 0 ? 17 : 3);
        Face face;
        for (std::uint32_t i = 0; i < (k % 7 == 0 ? 4u : 3u); ++i) {
            face.corner[i] = static_cast<std::uint32_t>(points.size());
            points.push_back({base.x + offset(rng), base.y + offset(rng)});
        }
        faces.push_back(face);
        const auto g = static_cast<std::uint8_t>(byte(rng));
        colours.push_back({{0, g, 0}, {0, static_cast<std::uint8_t>(byte(rng)), 0}});
    }
    faces[100].corner[2] = static_cast<std::uint32_t>(points.size());
    std::vector<Face> scattered = faces;
    std::shuffle(scattered.begin(), scattered.end(), rng);
    for (const std::vector<Face>* order : {&faces, &scattered}) {
        QtImageSurface picture(w, h);
        QtImageSurface pictureOneByOne(w, h);
        picture.colouredPolygons(*order, points, colours);
        pictureOneByOne.DrawingSurface::colouredPolygons(*order, points, colours);
        EXPECT_TRUE(picture.image() == pictureOneByOne.image()) << (order == &faces);
        PlaneSurface plane;
        PlaneSurface planeOneByOne;
        plane.reset(Channel::Green, w, h);
        planeOneByOne.reset(Channel::Green, w, h);
        plane.colouredPolygons(*order, points, colours);
        planeOneByOne.DrawingSurface::colouredPolygons(*order, points, colours);
        const PlaneView a = plane.plane();
        const PlaneView b = planeOneByOne.plane();
        EXPECT_TRUE(std::equal(a.pixels, a.pixels + w * h, b.pixels)) << (order == &faces);
    }
}

TEST(SurfaceAgreement, directWritesAndPainterShareTheImageInDrawingOrder) {
    QtImageSurface surface(40, 20);
    const std::array<Point, 3> first{{{2, 2}, {30, 2}, {2, 18}}};
    surface.selectBrush(Brush::solid(kFace));
    surface.polygon(first);           // direct
    surface.selectPen(Pen{5, kRed});  // thick: through the painter
    surface.moveTo(0, 10);
    surface.lineTo(39, 10);
    surface.selectPen(Pen{1, kLine});
    const std::array<Point, 4> second{{{20, 5}, {36, 5}, {36, 15}, {20, 15}}};
    surface.polygon(second);  // direct again, over the thick line
    const QImage& image = surface.image();
    EXPECT_EQ(rgbAt(image, 5, 5), kFace);
    EXPECT_EQ(rgbAt(image, 5, 10), kRed);    // the line covered the first polygon
    EXPECT_EQ(rgbAt(image, 25, 10), kFace);  // the second covered the line
    EXPECT_EQ(rgbAt(image, 38, 10), kRed);
}

TEST(SurfaceAgreement, copiesOfTheImageKeepTheirPixels) {
    // A copy taken while the surface draws is a snapshot; drawing goes on in
    // the surface's own image only.
    QtImageSurface surface(10, 10);
    surface.moveTo(0, 0);
    surface.lineTo(9, 0);
    const QImage snapshot = surface.image();
    surface.moveTo(0, 5);
    surface.lineTo(9, 5);
    EXPECT_EQ(rgbAt(snapshot, 4, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgbAt(surface.image(), 4, 5), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(snapshot, 4, 0), (Rgb{0, 0, 0}));

    // A target sharing its pixels with another image before drawing starts.
    QImage original(10, 10, QImage::Format_RGB32);
    original.fill(Qt::white);
    QImage shared = original;
    {
        QtImageSurface onShared(shared);
        onShared.selectBrush(Brush::black());
        onShared.rectangle(0, 0, 10, 10);
        // A block transfer onto it as well.
        QtImageSurface source(10, 10);
        onShared.bitBlt(0, 0, 5, 5, source, 0, 0, RasterOp::SrcCopy);
    }
    EXPECT_EQ(rgbAt(original, 7, 7), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgbAt(shared, 7, 7), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(shared, 2, 2), (Rgb{255, 255, 255}));
}

TEST(SurfaceAgreement, targetsOfOtherFormatsAreConvertedOrLeftAlone) {
    QImage argb(8, 8, QImage::Format_ARGB32_Premultiplied);
    argb.fill(Qt::white);
    {
        QtImageSurface surface(argb);
        surface.moveTo(0, 3);
        surface.lineTo(7, 3);
    }
    EXPECT_EQ(argb.format(), QImage::Format_RGB32);
    EXPECT_EQ(rgbAt(argb, 4, 3), (Rgb{0, 0, 0}));

    // An image swapped for a 3-byte one behind the surface's back: the direct
    // operations draw nothing rather than write 4-byte pixels into it.
    QtImageSurface surface(8, 8);
    surface.image() = QImage(8, 8, QImage::Format_RGB888);
    surface.image().fill(Qt::white);
    const std::array<Point, 3> triangle{{{0, 0}, {7, 0}, {0, 7}}};
    surface.polygon(triangle);
    surface.rectangle(0, 0, 8, 8);
    surface.moveTo(0, 0);
    surface.lineTo(7, 7);
    QtImageSurface source(8, 8);
    surface.bitBlt(0, 0, 8, 8, source, 0, 0, RasterOp::SrcPaint);
    source.bitBlt(0, 0, 8, 8, surface, 0, 0, RasterOp::SrcCopy);
    EXPECT_EQ(surface.image().pixel(3, 3), qRgb(255, 255, 255));
}

TEST(SurfaceAgreement, thickPenShapesFillByTheRulesAndOutlineThroughThePainter) {
    QtImageSurface surface(30, 30);
    surface.selectPen(Pen{3, kRed});
    surface.selectBrush(Brush::solid(kFace));
    surface.rectangle(4, 4, 12, 12);
    const std::array<Point, 3> triangle{{{15, 15}, {28, 15}, {15, 28}}};
    surface.polygon(triangle);
    const QImage& image = surface.image();
    EXPECT_EQ(rgbAt(image, 8, 8), kFace);
    // The thick outline is centred on the border lines x = 4 and y = 4.
    EXPECT_EQ(rgbAt(image, 3, 8), kRed);
    EXPECT_EQ(rgbAt(image, 5, 8), kRed);
    EXPECT_EQ(rgbAt(image, 8, 12), kRed);
    EXPECT_EQ(rgbAt(image, 8, 14), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgbAt(image, 18, 18), kFace);
    EXPECT_EQ(rgbAt(image, 20, 15), kRed);
    EXPECT_EQ(rgbAt(image, 20, 12), (Rgb{255, 255, 255}));

    // Corners all on one point: as lines from a point to itself, nothing.
    QtImageSurface dot(10, 10);
    dot.selectPen(Pen{3, kRed});
    const std::array<Point, 4> same{{{5, 5}, {5, 5}, {5, 5}, {5, 5}}};
    dot.polygon(same);
    EXPECT_EQ(dot.image().pixel(5, 5), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace kelpris
