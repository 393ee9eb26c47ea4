// What the two screens draw, where, and with which tools, recorded through a
// fake surface.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include "comma_locale.h"
#include "recording_surface.h"
#include "scenes.h"
#include "scratch_dir.h"
#include "view/depth_readout.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using testing::Op;
using testing::RecordingSurface;

constexpr Pen kBlackPen{1, {0, 0, 0}};

class ScreensTest : public ::testing::Test {
  protected:
    std::vector<Op> log;
    RecordingSurface window{log, "window"};
    ViewState s;
    PaintBuffers buffers;
    testing::ScratchDir scratch;
    const std::filesystem::path& dir = scratch.path();

    void SetUp() override {
        computeLayout(s, {0, 0, 644, 484});
        createTools(s, window);
        s.scene = std::make_unique<Scena>(testing::squareEdges());
    }

    Result<SortReport> paint() {
        log.clear();
        return DrawScreen(s, window, buffers, dir / "rep_vytr.txt");
    }
    /// A paint whose report, if any, must be written.
    void draw() {
        const Result<SortReport> report = paint();
        EXPECT_TRUE(report) << report.message();
    }
    std::vector<Op> find(const std::string& surface, const std::string& kind) const {
        std::vector<Op> out;
        std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                     [&](const Op& o) { return o.surface == surface && o.kind == kind; });
        return out;
    }
    static bool has(const std::vector<Op>& ops, const std::string& kind, int a, int b) {
        return std::any_of(ops.begin(), ops.end(),
                           [&](const Op& o) { return o.kind == kind && o.a == a && o.b == b; });
    }
};

TEST_F(ScreensTest, toolsHaveTheViewColours) {
    EXPECT_EQ(s.penRed, (Pen{1, {215, 0, 0}}));
    EXPECT_EQ(s.penGreen, (Pen{1, {0, 120, 0}}));
    EXPECT_EQ(s.penFrame, (Pen{4, {200, 0, 200}}));
    EXPECT_EQ(s.brushRed, Brush::solid({180, 0, 0}));
    EXPECT_EQ(s.brushGreen, Brush::solid({0, 100, 0}));
    EXPECT_EQ(s.brushBlack, Brush::black());
    ASSERT_TRUE(s.bmpObserverSide);
    EXPECT_EQ(s.bmpObserverSide->width(), 140);
    ASSERT_TRUE(s.bmpObserverTop);
    EXPECT_EQ(s.bmpObserverTop->width(), 70);
    releaseTools(s);
    EXPECT_FALSE(s.bmpObserverSide);
    EXPECT_FALSE(s.bmpObserverTop);
}

TEST_F(ScreensTest, setupScreenPlacesEveryElement) {
    EXPECT_EQ(*paint(), SortReport::None);
    ASSERT_FALSE(log.empty());
    // Background first: white with the fresh surface's black outline.
    EXPECT_EQ(log.front().kind, "rect");
    EXPECT_EQ(log.front().c, 642);
    EXPECT_EQ(log.front().d, 480);
    EXPECT_EQ(log.front().brush, Brush::white());
    EXPECT_EQ(log.front().pen, kBlackPen);

    const auto texts = find("window", "text");
    auto text = [&](const std::string& t) {
        return std::find_if(texts.begin(), texts.end(), [&](const Op& o) { return o.text == t; });
    };
    const auto pitch = text("PITCH(zenit) = 1.570796");
    ASSERT_NE(pitch, texts.end());
    EXPECT_EQ(pitch->a, 5);
    EXPECT_EQ(pitch->b, 5);
    const auto yaw = text("YAU(azimut) = 0.000000");
    ASSERT_NE(yaw, texts.end());
    EXPECT_EQ(yaw->a, 5);
    EXPECT_EQ(yaw->b, 245);
    for (const Op& t : texts) {
        EXPECT_EQ(t.textColour, (Rgb{255, 0, 0})) << t.text;
    }

    const auto blits = find("window", "blit");
    ASSERT_EQ(blits.size(), 3u);
    EXPECT_EQ(blits[0].text, "132");
    EXPECT_EQ((std::array{blits[0].a, blits[0].b, blits[0].c, blits[0].d}),
              (std::array{500, 70, 140, 140}));
    EXPECT_EQ(blits[1].text, "133");
    EXPECT_EQ((std::array{blits[1].a, blits[1].b, blits[1].c, blits[1].d}),
              (std::array{550, 290, 70, 140}));
    EXPECT_EQ(blits[2].text, "compatible");
    EXPECT_EQ((std::array{blits[2].a, blits[2].b, blits[2].c, blits[2].d}),
              (std::array{150, 189, 150, 103}));
    for (const Op& b : blits) {
        EXPECT_EQ(b.op, RasterOp::SrcCopy);
    }

    // Middle line in the fresh black pen, picture plane and box outline in the
    // frame pen.
    const auto lines = find("window", "line");
    EXPECT_TRUE(has(lines, "line", 640, 240));
    std::vector<std::pair<int, int>> framePoints;
    for (const Op& o : log) {
        if (o.surface == "window" && o.pen == s.penFrame &&
            (o.kind == "move" || o.kind == "line")) {
            framePoints.emplace_back(o.a, o.b);
        }
    }
    EXPECT_EQ(framePoints, (std::vector<std::pair<int, int>>{{350, 60},
                                                             {350, 180},
                                                             {350, 280},
                                                             {350, 440},
                                                             {150, 189},
                                                             {300, 189},
                                                             {300, 292},
                                                             {150, 292},
                                                             {150, 189}}));

    // Everything selected into the window is put back; the text stays red.
    EXPECT_EQ(window.pen(), kBlackPen);
    EXPECT_EQ(window.brush(), Brush::white());
    EXPECT_EQ(window.textColour(), (Rgb{255, 0, 0}));
}

TEST_F(ScreensTest, setupViewsMarkTheCentreAndDrawAxesThroughTheOrigin) {
    draw();
    const auto rings = find("window", "ellipse");
    ASSERT_EQ(rings.size(), 2u);  // plan view first, then side view
    EXPECT_EQ((std::array{rings[0].a, rings[0].b, rings[0].c, rings[0].d}),
              (std::array{186, 356, 194, 364}));
    EXPECT_EQ((std::array{rings[1].a, rings[1].b, rings[1].c, rings[1].d}),
              (std::array{186, 116, 194, 124}));

    // Axis labels at the +200 ends: at the start angles the side view's x axis
    // and the plan view's z axis point at the viewer and shrink to the centre.
    const auto texts = find("window", "text");
    std::vector<std::tuple<std::string, int, int>> labels;
    for (const Op& t : texts) {
        if (t.text.size() == 1) {
            labels.emplace_back(t.text, t.a, t.b);
        }
    }
    ASSERT_EQ(labels.size(), 6u);
    EXPECT_EQ(labels[0], std::make_tuple(std::string("x"), 190, 120));
    EXPECT_EQ(labels[1], std::make_tuple(std::string("y"), 230, 120));
    EXPECT_EQ(labels[2], std::make_tuple(std::string("z"), 190, 80));
    EXPECT_EQ(labels[3], std::make_tuple(std::string("x"), 190, 320));
    EXPECT_EQ(labels[4], std::make_tuple(std::string("y"), 230, 360));
    EXPECT_EQ(labels[5], std::make_tuple(std::string("z"), 190, 360));
    for (const Op& t : texts) {
        if (t.text.size() == 1) {
            EXPECT_EQ(t.pen, (Pen{2, {255, 0, 0}}));
        }
    }
}

TEST_F(ScreensTest, previewDrawsGreenThenRedOnBlack) {
    draw();
    const auto rects = find("memory", "rect");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ((std::array{rects[0].c, rects[0].d}), (std::array{150, 103}));
    EXPECT_EQ(rects[0].brush, Brush::black());
    const auto lines = find("memory", "line");
    ASSERT_EQ(lines.size(), 8u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i].pen, s.penGreen);
        EXPECT_EQ(lines[i + 4].pen, s.penRed);
    }
    // The square lies behind the picture plane, so the right eye's (green)
    // picture stands to the right of the left eye's (red) one.
    EXPECT_GT(lines[0].a + lines[2].a, lines[4].a + lines[6].a);

    s.scene = std::make_unique<Scena>(testing::squareFace());
    draw();
    const auto polys = find("memory", "polygon");
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[0].pen, s.penGreen);
    EXPECT_EQ(polys[1].pen, s.penRed);
    EXPECT_EQ(polys[0].brush, Brush::white());  // the memory surface's own brush
    EXPECT_EQ(polys[0].c, 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "rep_vytr.txt"));
}

TEST_F(ScreensTest, angleTextsAtTheLimits) {
    s.pitch = clampPitch(0.0f);
    s.yaw = 2 * PI;
    draw();
    auto texts = find("window", "text");
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const Op& o) { return o.text == "PITCH(zenit) = 0.785398"; }));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const Op& o) { return o.text == "YAU(azimut) = 6.283184"; }));
    s.pitch = clampPitch(3.0f);
    s.yaw = -1.0e30f;  // never produced by a drag; printed whole, not cut
    draw();
    texts = find("window", "text");
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const Op& o) { return o.text == "PITCH(zenit) = 2.356194"; }));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const Op& o) {
        return o.text.starts_with("YAU(azimut) = -1000000") && o.text.ends_with(".000000");
    }));
}

TEST_F(ScreensTest, angleTextsKeepThePointUnderACommaLocale) {
    const testing::CommaLocale german;
    if (!german.active()) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale and localedef could not make one";
    }
    draw();
    const auto texts = find("window", "text");
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const Op& o) { return o.text == "PITCH(zenit) = 1.570796"; }));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const Op& o) { return o.text == "YAU(azimut) = 0.000000"; }));
}

TEST_F(ScreensTest, missingObserverPicturesAreSkipped) {
    RecordingSurface bare(log, "window", testing::Record::Drawing, testing::Pictures::Missing);
    releaseTools(s);
    createTools(s, bare);
    EXPECT_FALSE(s.bmpObserverSide);
    log.clear();
    draw();
    const auto blits = find("window", "blit");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].text, "compatible");
}

TEST_F(ScreensTest, stereoScreenOfAnEdgeModel) {
    s.stereoMode = Screen::Stereo;
    EXPECT_EQ(*paint(), SortReport::None);
    EXPECT_FALSE(std::filesystem::exists(dir / "rep_vytr.txt"));

    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().kind, "rect");
    EXPECT_EQ((std::array{log.front().a, log.front().b, log.front().c, log.front().d}),
              (std::array{0, 0, 640, 480}));
    EXPECT_EQ(log.front().brush, Brush::black());
    EXPECT_EQ(log.front().pen, kBlackPen);

    const auto green = find("window", "line");
    const auto red = find("memory", "line");
    ASSERT_EQ(red.size(), 4u);
    for (const Op& o : red) {
        EXPECT_EQ(o.pen, s.penRed);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(green[i].pen, s.penGreen);
    }
    const auto memRects = find("memory", "rect");
    ASSERT_EQ(memRects.size(), 1u);
    EXPECT_EQ((std::array{memRects[0].c, memRects[0].d}), (std::array{640, 480}));
    EXPECT_EQ(memRects[0].brush, Brush::black());

    // The left eye's picture is ORed on over the block its lines can reach:
    // every red line inside it, the block inside the window.
    const auto blits = find("window", "blit");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0].op, RasterOp::SrcPaint);
    const Op& block = blits[0];
    for (const Op& o : find("memory", "move")) {
        EXPECT_TRUE(block.a < o.a && o.a < block.a + block.c && block.b < o.b &&
                    o.b < block.b + block.d)
            << o.a << "," << o.b;
    }
    EXPECT_GE(block.a, 0);
    EXPECT_GE(block.b, 0);
    EXPECT_LE(block.a + block.c, 640);
    EXPECT_LE(block.b + block.d, 480);

    // The frame comes last, after the transfer.
    std::vector<std::pair<int, int>> frame;
    for (auto it = log.rbegin(); it != log.rend() && it->kind != "blit"; ++it) {
        EXPECT_EQ(it->pen, s.penFrame);
        frame.emplace(frame.begin(), it->a, it->b);
    }
    EXPECT_EQ(frame,
              (std::vector<std::pair<int, int>>{{2, 2}, {638, 2}, {638, 478}, {2, 478}, {2, 2}}));
    EXPECT_EQ(window.pen(), kBlackPen);
    EXPECT_EQ(window.brush(), Brush::white());
}

TEST_F(ScreensTest, stereoScreenOfAFaceModelSortsOnceAndReports) {
    s.scene = std::make_unique<Scena>(testing::squareFace());
    s.stereoMode = Screen::Stereo;
    const Result<SortReport> status = paint();
    ASSERT_TRUE(status) << status.message();
    EXPECT_EQ(*status, SortReport::Written);
    EXPECT_TRUE(std::filesystem::exists(dir / "rep_vytr.txt"));
    EXPECT_EQ(buffers.order.size(), 1u);

    const auto green = find("window", "polygon");
    const auto red = find("memory", "polygon");
    ASSERT_EQ(green.size(), 1u);
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(green[0].brush, s.brushGreen);
    EXPECT_EQ(green[0].pen, s.penGreen);
    EXPECT_EQ(red[0].brush, s.brushRed);
    EXPECT_EQ(red[0].pen, s.penRed);

    // A report that cannot be written is a failure the caller hears about;
    // the picture is drawn all the same.
    log.clear();
    const Result<SortReport> failed =
        DrawScreen(s, window, buffers, dir / "no_such_dir" / "rep_vytr.txt");
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.message().find("rep_vytr.txt"), std::string::npos);
    EXPECT_EQ(find("memory", "polygon").size(), 1u);
}

TEST_F(ScreensTest, stereoScreenUsesTheDirectionOfTheLastSetupPaint) {
    auto greenLines = [&] {
        std::vector<std::pair<int, int>> pts;
        for (const Op& o : find("window", "line")) {
            if (o.pen == s.penGreen) {
                pts.emplace_back(o.a, o.b);
            }
        }
        return pts;
    };
    draw();  // setup: builds the stereo transform
    s.stereoMode = Screen::Stereo;
    draw();
    const auto before = greenLines();
    s.yaw = 0.5f;  // changed on the stereo screen: not shown yet
    draw();
    EXPECT_EQ(greenLines(), before);
    s.stereoMode = Screen::Setup;
    draw();
    s.stereoMode = Screen::Stereo;
    draw();
    EXPECT_NE(greenLines(), before);
}

TEST_F(ScreensTest, stereoPaintKeepsItsParallaxForItsOwnStateOnly) {
    s.scene = std::make_shared<const Scena>(testing::heightField(30, 20, 40));
    draw();  // setup: builds the stereo transform
    s.stereoMode = Screen::Stereo;
    draw();
    const ParallaxRange measured = stereoScreenParallax(s);
    const ParallaxRange& kept = buffers.parallax.range;
    EXPECT_GT(measured.farthest, measured.nearest);
    EXPECT_EQ(std::tie(kept.points, kept.behindEye, kept.nearest, kept.farthest),
              std::tie(measured.points, measured.behindEye, measured.nearest, measured.farthest));
    EXPECT_TRUE(buffers.parallax.madeFor(s, stereoScreenParams(s, +1)));

    // Another direction, zoom or model: the kept range is an older picture's.
    const auto keptApplies = [&] { return buffers.parallax.madeFor(s, stereoScreenParams(s, +1)); };
    const Matrix4 shown = s.stereoXf;
    s.stereoXf.m[3][0] += 1.0f;
    EXPECT_FALSE(keptApplies());
    s.stereoXf = shown;
    s.framing.zoom *= 2;
    EXPECT_FALSE(keptApplies());
    // Until the new picture is drawn, an event shows the parallax on screen.
    EXPECT_GT(stereoScreenParallax(s).farthest, kept.farthest);
    EXPECT_EQ(stereoScreenParallax(s, &buffers.parallax, ParallaxShown::LastPicture).farthest,
              kept.farthest);
    s.framing.zoom /= 2;
    EXPECT_TRUE(keptApplies());
    s.scene = std::make_shared<const Scena>(*s.scene);
    EXPECT_FALSE(keptApplies());
}

TEST_F(ScreensTest, noSceneDrawsNothing) {
    s.scene.reset();
    EXPECT_EQ(*paint(), SortReport::None);
    EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace kelpris
