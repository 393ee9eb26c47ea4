// Scene drawing: the calls it makes (on a recording surface) and the pixels
// it produces (on the Qt surface, against PNG baselines in golden/).

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "colours.h"
#include "golden.h"
#include "recording_surface.h"
#include "render/qt/qt_surface.h"
#include "render/scene_drawing.h"
#include "scene/depth_order.h"
#include "scene/scena.h"
#include "scenes.h"

namespace kelpris {
namespace {

using testing::addEdge;
using testing::addFace;
using testing::kGreenFace;
using testing::kGreenLine;
using testing::kRedLine;
using testing::matchesGolden;
using testing::Op;
using testing::Record;
using testing::RecordingSurface;
using testing::sceneOf;

constexpr Pen kBlackPen{1, {0, 0, 0}};
constexpr Pen kYellowPen{5, {255, 255, 0}};

Op move(int x, int y, Pen pen = {}, Brush brush = Brush::white()) {
    return {"window", "move", x, y, 0, 0, {}, {}, pen, brush};
}
Op line(int x, int y, Pen pen = {}, Brush brush = Brush::white()) {
    return {"window", "line", x, y, 0, 0, {}, {}, pen, brush};
}
Op poly(std::vector<Point> points, Pen pen = {}, Brush brush = Brush::white()) {
    const Point first = points.front();
    const auto n = static_cast<std::int32_t>(points.size());
    return {"window", "polygon", first.x, first.y, n, 0, std::move(points), {}, pen, brush};
}
/// A selection, with the pen and brush selected after it.
Op tool(const char* kind, Pen pen, Brush brush) {
    return {"window", kind, 0, 0, 0, 0, {}, {}, pen, brush};
}

/// A triangle (0), a quadrilateral with two equal corners (1) and a square
/// overlapping the triangle (2).
Scena faceScene() {
    Scena scene = sceneOf(11);
    addFace(scene, 0, 1, 2);
    addFace(scene, 3, 4, 5, 6);
    addFace(scene, 7, 8, 9, 10);
    return scene;
}
const std::vector<Point> kFacePoints{{4, 4},   {30, 6},  {8, 28},  {20, 20}, {40, 20}, {40, 20},
                                     {28, 40}, {14, 12}, {36, 12}, {36, 34}, {14, 34}};
const Point kFaceCentre{22, 22};

Scena houseEdges() {
    Scena scene = sceneOf(5);
    for (const auto& [a, b] :
         std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {4, 1}, {0, 2}}) {
        addEdge(scene, a, b);
    }
    return scene;
}
const std::vector<Point> kHousePoints{{8, 20}, {36, 20}, {36, 42}, {8, 42}, {22, 6}};
const Point kHouseCentre{22, 26};

/// The faces `order` names, in that order.
std::vector<Face> gathered(const Scena& scene, const std::vector<std::uint32_t>& order) {
    std::vector<Face> out(order.size());
    out.resize(gatherFaces(scene.faces, order, out));
    return out;
}

TEST(SceneDraw, edgesAreOneMoveAndOneLineEachInListOrder) {
    const Scena scene = houseEdges();
    RecordingSurface surface{Record::DrawingAndTools};
    drawEdges(scene.edges, kHousePoints, surface);
    const std::vector<Op> want{move(8, 20), line(36, 20), move(36, 20), line(36, 42), move(36, 42),
                               line(8, 42), move(8, 42),  line(8, 20),  move(8, 20),  line(22, 6),
                               move(22, 6), line(36, 20), move(8, 20),  line(36, 42)};
    EXPECT_EQ(surface.log(), want);
}

TEST(SceneDraw, facesInTheOrderGivenKeepFourPointsEvenWithEqualCorners) {
    const Scena scene = faceScene();
    RecordingSurface surface{Record::DrawingAndTools};
    drawFaces(scene.faces, kFacePoints, surface);
    const std::vector<Op> want{poly({{4, 4}, {30, 6}, {8, 28}}),
                               poly({{20, 20}, {40, 20}, {40, 20}, {28, 40}}),
                               poly({{14, 12}, {36, 12}, {36, 34}, {14, 34}})};
    EXPECT_EQ(surface.log(), want);

    RecordingSurface sorted{Record::DrawingAndTools};
    drawFaces(gathered(scene, {2, 0}), kFacePoints, sorted);  // an order may name fewer faces
    EXPECT_EQ(sorted.log(), (std::vector<Op>{want[2], want[0]}));
}

TEST(SceneDraw, recordsWithMissingVerticesAreSkipped) {
    Scena scene = sceneOf(4);  // vertex 3 has no window position
    const std::vector<Point> points{{1, 1}, {5, 5}, {9, 1}};
    addEdge(scene, 0, 3);
    addEdge(scene, 3, 1);
    addEdge(scene, 1, 2);
    addFace(scene, 0, 3, 2);
    addFace(scene, 0, 1, 2);
    addFace(scene, 0, 1, 2, 3);
    scene.faces.push_back(Face{});  // no corners at all
    RecordingSurface surface{Record::DrawingAndTools};
    drawEdges(scene.edges, points, surface);
    drawFaces(scene.faces, points, surface);
    const std::vector<Op> want{move(5, 5), line(9, 1), poly({{1, 1}, {5, 5}, {9, 1}})};
    EXPECT_EQ(surface.log(), want);
}

TEST(SceneSetupView, edgeModelIsOutlinedInBlackThenRingedAndToolsRestored) {
    Scena scene = sceneOf(2);
    addEdge(scene, 0, 1);
    RecordingSurface surface{Record::DrawingAndTools};
    const Pen callerPen{2, {1, 2, 3}};
    const Brush callerBrush = Brush::solid({9, 8, 7});
    surface.selectPen(callerPen);
    surface.selectBrush(callerBrush);
    surface.clearLog();
    drawSetupView(scene, std::vector<Point>{{3, 4}, {10, 12}}, Point{50, -7}, surface);
    const Brush hollow = Brush::hollowBrush();
    const std::vector<Op> want{
        tool("pen", kBlackPen, callerBrush),
        tool("brush", kBlackPen, hollow),
        move(3, 4, kBlackPen, hollow),
        line(10, 12, kBlackPen, hollow),
        tool("pen", kYellowPen, hollow),
        {"window", "ellipse", 46, -11, 54, -3, {}, {}, kYellowPen, hollow},
        tool("brush", kYellowPen, callerBrush),
        tool("pen", callerPen, callerBrush),
    };
    EXPECT_EQ(surface.log(), want);
    EXPECT_EQ(surface.pen(), callerPen);
    EXPECT_EQ(surface.brush(), callerBrush);
}

TEST(SceneSetupView, faceModelShowsFacesInFileOrderAsOutlines) {
    const Scena scene = faceScene();
    RecordingSurface surface{Record::DrawingAndTools};
    drawSetupView(scene, kFacePoints, kFaceCentre, surface);
    std::vector<Op> polygons;
    for (const Op& c : surface.log()) {
        if (c.kind == "polygon") {
            polygons.push_back(c);
        }
    }
    const Brush hollow = Brush::hollowBrush();
    const std::vector<Op> want{poly({{4, 4}, {30, 6}, {8, 28}}, kBlackPen, hollow),
                               poly({{20, 20}, {40, 20}, {40, 20}, {28, 40}}, kBlackPen, hollow),
                               poly({{14, 12}, {36, 12}, {36, 34}, {14, 34}}, kBlackPen, hollow)};
    EXPECT_EQ(polygons, want);
    EXPECT_EQ(surface.pen(), Pen{});
    EXPECT_EQ(surface.brush(), Brush::white());
}

TEST(SceneSetupView, ringBoxSaturatesAtTheInt32Limits) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const Scena scene;
    RecordingSurface surface{Record::DrawingAndTools};
    drawSetupView(scene, {}, Point{kMax, kMin}, surface);
    const auto ellipse = std::find_if(surface.log().begin(), surface.log().end(),
                                      [](const Op& c) { return c.kind == "ellipse"; });
    ASSERT_NE(ellipse, surface.log().end());
    EXPECT_EQ((std::array{ellipse->a, ellipse->b, ellipse->c, ellipse->d}),
              (std::array{kMax - 4, kMin, kMax, kMin + 4}));
}

TEST(ScopedTools, restoreTheReplacedObjectsOnEveryWayOut) {
    RecordingSurface surface{Record::DrawingAndTools};
    const Bitmap* const initial = surface.selectedBitmap();
    ASSERT_NE(initial, nullptr);
    testing::FakeBitmap other{1, 1, "other"};
    const auto earlyReturn = [&](bool leave) {
        ScopedPen pen(surface, kYellowPen);
        ScopedBrush brush(surface, Brush::black());
        ScopedBitmap bitmap(surface, &other);
        pen.select(kBlackPen);  // a second select does not change what is restored
        brush.select(Brush::hollowBrush());
        if (leave) {
            return;
        }
        surface.moveTo(0, 0);
    };
    earlyReturn(true);
    EXPECT_EQ(surface.pen(), Pen{});
    EXPECT_EQ(surface.brush(), Brush::white());
    EXPECT_EQ(surface.selectedBitmap(), initial);
    try {
        ScopedPen pen(surface, kYellowPen);
        ScopedBitmap bitmap(surface, &other);
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(surface.pen(), Pen{});
    EXPECT_EQ(surface.selectedBitmap(), initial);
}

// --- Pixels ------------------------------------------------------------------

/// Compares with tests/render/golden/<name>.png.
void expectMatchesGolden(const QImage& image, const std::string& name) {
    EXPECT_TRUE(matchesGolden(image, "tests/render/golden/" + name + ".png"));
}

/// A black picture as the stereo screen starts one.
void clearBlack(QtImageSurface& surface, int width, int height) {
    ScopedBrush black(surface, Brush::black());
    surface.rectangle(0, 0, width, height);
}

TEST(SceneDrawPixels, laterFaceCoversEarlierOneInEitherOrder) {
    Scena scene = sceneOf(8);
    const std::vector<Point> points{{2, 2}, {12, 2}, {12, 12}, {2, 12},
                                    {8, 6}, {18, 6}, {18, 16}, {8, 16}};
    addFace(scene, 0, 1, 2, 3);
    addFace(scene, 4, 5, 6, 7);
    QtImageSurface fileOrder(20, 20);
    fileOrder.selectBrush(Brush::solid(kGreenFace));
    drawFaces(scene.faces, points, fileOrder);
    // (12, 10) is on the first square's right edge, inside the second one.
    EXPECT_EQ(rgbAt(fileOrder.image(), 12, 10), kGreenFace);
    EXPECT_EQ(rgbAt(fileOrder.image(), 8, 10), (Rgb{0, 0, 0}));

    QtImageSurface sorted(20, 20);
    sorted.selectBrush(Brush::solid(kGreenFace));
    drawFaces(gathered(scene, {1, 0}), points, sorted);
    EXPECT_EQ(rgbAt(sorted.image(), 12, 10), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(sorted.image(), 8, 10), kGreenFace);
}

TEST(SceneDrawPixels, setupRingIsYellowHollowAndLeavesThePenForLaterLines) {
    QtImageSurface surface(48, 48);
    drawSetupView(houseEdges(), kHousePoints, kHouseCentre, surface);
    const QImage& image = surface.image();
    const int cx = kHouseCentre.x;
    const int cy = kHouseCentre.y;
    EXPECT_EQ(rgbAt(image, cx, cy), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgbAt(image, cx + 4, cy), (Rgb{255, 255, 0}));
    EXPECT_EQ(rgbAt(image, cx - 5, cy), (Rgb{255, 255, 0}));
    EXPECT_EQ(rgbAt(image, 8, 36), (Rgb{0, 0, 0}));  // outline of the model
    // The surface's own 1-pixel black pen and white brush are back.
    surface.moveTo(0, 46);
    surface.lineTo(47, 46);
    EXPECT_EQ(rgbAt(image, 30, 46), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbAt(image, 30, 45), (Rgb{255, 255, 255}));
    surface.rectangle(1, 1, 5, 5);
    EXPECT_EQ(rgbAt(image, 3, 3), (Rgb{255, 255, 255}));
}

TEST(SceneDrawGolden, edgesInRedOnBlack) {
    QtImageSurface surface(48, 48);
    clearBlack(surface, 48, 48);
    ScopedPen pen(surface, Pen{1, kRedLine});
    drawEdges(houseEdges().edges, kHousePoints, surface);
    expectMatchesGolden(surface.image(), "draw_mode0_edges");
}

TEST(SceneDrawGolden, facesInFileOrderInGreen) {
    QtImageSurface surface(48, 48);
    clearBlack(surface, 48, 48);
    ScopedPen pen(surface, Pen{1, kGreenLine});
    ScopedBrush brush(surface, Brush::solid(kGreenFace));
    drawFaces(faceScene().faces, kFacePoints, surface);
    expectMatchesGolden(surface.image(), "draw_mode1_faces");
}

TEST(SceneDrawGolden, facesInDepthOrderInRed) {
    QtImageSurface surface(48, 48);
    clearBlack(surface, 48, 48);
    ScopedPen pen(surface, Pen{1, kRedLine});
    ScopedBrush brush(surface, Brush::solid({180, 0, 0}));
    drawFaces(gathered(faceScene(), {2, 1, 0}), kFacePoints, surface);
    expectMatchesGolden(surface.image(), "draw_mode2_sorted");
}

TEST(SceneDrawGolden, setupViewOfAFaceModel) {
    QtImageSurface surface(48, 48);
    drawSetupView(faceScene(), kFacePoints, kFaceCentre, surface);
    expectMatchesGolden(surface.image(), "setup_view");
}

// The depth order gathered in parts, as two threads do it, must be the whole
// gathering cut at the same places: every split point, positions outside the
// face list skipped the same way, and an output too short stopping the part
// early.
TEST(GatherFaces, partsJoinToTheWholeGathering) {
    const Scena scene =
        testing::faceScene({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {5, 5, 5}},
                           {{1, 2, 3}, {1, 3, 4}, {2, 3, 4, 5}, {1, 2, 5}, {3, 4, 5}});
    const std::vector<std::uint32_t> order{4, 3, 2, 1, 0, 2, 5, kNoCorner, 1};
    const std::vector<Face> whole = gathered(scene, order);
    ASSERT_EQ(whole.size(), 7u);
    EXPECT_EQ(whole[0], scene.faces[4]);
    EXPECT_EQ(whole[6], scene.faces[1]);
    const std::span<const std::uint32_t> all(order);
    for (std::size_t split = 0; split <= order.size(); ++split) {
        std::vector<Face> parts(order.size());
        const std::size_t front = gatherFaces(scene.faces, all.first(split), parts);
        const std::size_t back =
            gatherFaces(scene.faces, all.subspan(split), std::span(parts).subspan(front));
        parts.resize(front + back);
        EXPECT_EQ(parts, whole) << "split " << split;
    }
    std::vector<Face> two(2);
    EXPECT_EQ(gatherFaces(scene.faces, order, two), 2u);
    EXPECT_EQ(two[1], whole[1]);
}

}  // namespace
}  // namespace kelpris
