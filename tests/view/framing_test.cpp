// The stereo screen's framing: the fit against models whose answer is known
// by hand, the wheel zoom about the pointer, and what a later layout keeps
// of them. The widget tests drive the middle-drag pan.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

#include "base/two_halves.h"
#include "scenes.h"
#include "view/depth_readout.h"
#include "view/framing.h"
#include "view/keys.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using testing::edgeScene;
using testing::V3;

// A box of edges, x in [x0, x1], y in [y0, y1], z in [z0, z1]. At the start
// angles y runs along the view (the eye looks toward -y), x across, z up.
Scena box(V3 lo, V3 hi) {
    return edgeScene({{lo.x, lo.y, lo.z},
                      {hi.x, lo.y, lo.z},
                      {hi.x, hi.y, lo.z},
                      {lo.x, hi.y, lo.z},
                      {lo.x, lo.y, hi.z},
                      {hi.x, lo.y, hi.z},
                      {hi.x, hi.y, hi.z},
                      {lo.x, hi.y, hi.z}},
                     {{1, 2}, {2, 3}, {3, 4}, {4, 1}, {5, 6}, {6, 7}, {7, 8}, {8, 5}});
}

ViewState stereoState(Scena scene, std::int32_t w, std::int32_t h, bool fit) {
    ViewState s;
    s.scene = std::make_shared<const Scena>(std::move(scene));
    s.stereoMode = Screen::Stereo;
    buildTransforms(s);
    if (fit) {
        requestFit(s.framing);
    }
    computeLayout(s, PlacementRect{0, 0, w + 4, h + 4});
    return s;
}

struct Picture {
    std::int32_t left = INT32_MAX, right = INT32_MIN, top = INT32_MAX, bottom = INT32_MIN;
};

// Where both eyes draw every vertex, as the stereo screen (or the setup
// screen's preview box) draws them.
Picture picture(const ViewState& s, bool preview = false) {
    Picture p;
    for (const std::int32_t eye : {+1, -1}) {
        const StereoParams params = preview ? previewParams(s, eye) : stereoScreenParams(s, eye);
        for (const Vertex& v : s.scene->vertices) {
            const StereoPoint q = s.stereoXf.projectStereo(v.x, v.y, v.z, params);
            p.left = std::min(p.left, q.x);
            p.right = std::max(p.right, q.x);
            p.top = std::min(p.top, q.y);
            p.bottom = std::max(p.bottom, q.y);
        }
    }
    return p;
}

struct FitCase {
    const char* name;
    V3 lo;
    V3 hi;
    bool comfortBinds;  // else the size does
};

// At 1280x800 a cube is bound by the height, a long thin bar by the width,
// and a bar deep along the view by its parallax (the crossed parallax of its
// front, 2s*pz/(pz+E), is about three times the 1/30 rule at zoom 1).
TEST(FramingTest, fitFillsTheFrameAtAComfortableDepth) {
    const FitCase cases[] = {
        {"cube", {-500, -500, -500}, {500, 500, 500}, false},
        {"long thin", {-1000, -50, -50}, {1000, 50, 50}, false},
        {"deep", {-100, -1000, -100}, {100, 1000, 100}, true},
    };
    constexpr std::int32_t w = 1280;
    constexpr std::int32_t h = 800;
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ViewState s = stereoState(box(c.lo, c.hi), w, h, true);
        const Picture p = picture(s);
        // Inside the frame (which covers 5 pixels from each edge).
        EXPECT_GE(p.left, 6);
        EXPECT_GE(p.top, 6);
        EXPECT_LE(p.right, w - 7);
        EXPECT_LE(p.bottom, h - 7);
        // The preview box shows the same framing in miniature.
        const Picture inBox = picture(s, true);
        EXPECT_GE(inBox.left, 0);
        EXPECT_GE(inBox.top, 0);
        EXPECT_LT(inBox.right, s.layout.previewW);
        EXPECT_LT(inBox.bottom, s.layout.previewH);

        const ParallaxRange range = stereoScreenParallax(s);
        EXPECT_EQ(judgeParallax(range, ScreenMetrics{w, 0.0}), Comfort::Comfortable);
        const double limit = w / 30.0;
        const double parallax = std::max(-range.nearest, range.farthest);
        const double widthShare = (p.right - p.left + 1) / double{w};
        const double heightShare = (p.bottom - p.top + 1) / double{h};
        if (c.comfortBinds) {
            EXPECT_GT(parallax, 0.8 * limit);
            EXPECT_LT(std::max(widthShare, heightShare), 0.9);
        } else {
            EXPECT_GT(std::max(widthShare, heightShare), 0.88);
        }
    }
}

// Four corners at the back (y = -500) and one point in front (y = 500): the
// centre (the mean) is at y = -300, so the depths run from 800 units in front
// of it to 200 behind; the middle is 300 in front, and the plane through it
// leaves the centre 300 * 0.2 = 60 setup pixels behind the plane.
TEST(FramingTest, fitPutsThePlaneThroughTheMiddleOfTheDepth) {
    Scena wedge = edgeScene(
        {{-400, -500, -400}, {400, -500, -400}, {400, -500, 400}, {-400, -500, 400}, {0, 500, 0}},
        {{1, 5}, {2, 5}, {3, 5}, {4, 5}});
    ASSERT_EQ(wedge.centreY, -300);
    ViewState s = stereoState(std::move(wedge), 1280, 800, true);
    EXPECT_EQ(s.framing.modelDepth, 60);
    EXPECT_EQ(s.layout.planeX - s.layout.modelX, 60);
}

// A large model is measured in two halves at once. Two opposite corners of
// a deep box, one in each half with the centre repeated between them, leave
// every extreme (across, up, depth, parallax) to one half alone: the fit and
// the parallax are those of the two corners.
TEST(FramingTest, aLargeModelIsFittedAsItsExtremes) {
    const V3 front{-100, -1000, -100};
    const V3 back{100, 1000, 100};
    for (const bool frontFirst : {true, false}) {
        const Scena corners =
            frontFirst ? edgeScene({front, back}, {{1, 2}}) : edgeScene({back, front}, {{1, 2}});
        Scena large = corners;
        large.vertices.insert(large.vertices.begin() + 1, kHalvesFrom, Vertex{0, 0, 0});
        const ViewState a = stereoState(corners, 1280, 800, true);
        const ViewState b = stereoState(std::move(large), 1280, 800, true);
        EXPECT_EQ(std::tie(a.framing.zoom, a.framing.panX, a.framing.panY, a.framing.modelDepth),
                  std::tie(b.framing.zoom, b.framing.panX, b.framing.panY, b.framing.modelDepth));
        const ParallaxRange small = stereoScreenParallax(a);
        const ParallaxRange whole = stereoScreenParallax(b);
        EXPECT_EQ(std::tie(small.nearest, small.farthest), std::tie(whole.nearest, whole.farthest));
        EXPECT_EQ(whole.points, small.points + static_cast<std::int32_t>(kHalvesFrom));
    }
}

// No vertex to measure, or no room to draw in: zoom 1, no pan, no fault.
TEST(FramingTest, fitOfNothingLeavesZoomOne) {
    for (const std::int32_t w : {640, 1}) {
        const ViewState empty = stereoState(Scena{}, w, w, true);
        EXPECT_EQ(empty.framing.zoom, 1.0);
        EXPECT_EQ(empty.framing.panX, 0.0);
        EXPECT_TRUE(empty.framing.fitted);
    }
    const ViewState tiny = stereoState(box({-500, -500, -500}, {500, 500, 500}), 1, 1, true);
    EXPECT_GE(tiny.framing.zoom, kMinZoom);
}

TEST(FramingTest, wheelZoomKeepsThePointUnderThePointer) {
    ViewState s = stereoState(box({-500, -500, -500}, {500, 500, 500}), 800, 600, true);
    const Vertex corner = s.scene->vertices[6];
    const auto at = [&] {
        return s.stereoXf.projectStereo(corner.x, corner.y, corner.z, stereoScreenParams(s, +1));
    };
    const StereoPoint before = at();
    for (const double notches : {3.0, -7.0, 0.5}) {
        ASSERT_TRUE(zoomAt(s, before.x, before.y, notches));
        const StereoPoint after = at();
        EXPECT_NEAR(after.x, before.x, 2) << notches;
        EXPECT_NEAR(after.y, before.y, 2) << notches;
    }
    EXPECT_TRUE(s.framing.movedByHand);

    // The limits hold, however far the wheel turns, and every number stays
    // defined; NaN and the setup screen change nothing.
    EXPECT_TRUE(zoomAt(s, INT32_MAX, INT32_MIN, 1e9));
    EXPECT_EQ(s.framing.zoom, kMaxZoom);
    EXPECT_FALSE(zoomAt(s, 0, 0, 1.0));
    EXPECT_TRUE(zoomAt(s, 0, 0, -1e300));
    EXPECT_EQ(s.framing.zoom, kMinZoom);
    EXPECT_FALSE(zoomAt(s, 0, 0, std::nan("")));
    s.stereoMode = Screen::Setup;
    EXPECT_FALSE(zoomAt(s, 0, 0, 1.0));
    EXPECT_FALSE(startPan(s, 0, 0));
}

// The layout runs at every platform paint and resets the model's position:
// the fit's depth must survive it, a resize must fit again until the hand
// moves the picture, and Home returns to the fit.
TEST(FramingTest, layoutKeepsTheFitAndRefitsOnResizeUntilMovedByHand) {
    ViewState s = stereoState(box({-100, -1000, -100}, {100, 1000, 100}), 1280, 800, true);
    const std::int32_t depth = s.framing.modelDepth;
    const double wideZoom = s.framing.zoom;
    s.layout.modelX += 40;  // a model drag, as far as the layout knows
    computeLayout(s, PlacementRect{0, 0, 1284, 804});
    EXPECT_EQ(s.layout.planeX - s.layout.modelX, depth);
    EXPECT_EQ(s.framing.zoom, wideZoom);

    computeLayout(s, PlacementRect{0, 0, 644, 484});
    EXPECT_EQ(s.framing.fittedW, 640);
    EXPECT_NE(s.framing.zoom, wideZoom);
    EXPECT_EQ(judgeParallax(stereoScreenParallax(s), ScreenMetrics{640, 0.0}),
              Comfort::Comfortable);

    ASSERT_TRUE(zoomAt(s, 10, 10, 2.0));
    const double zoomed = s.framing.zoom;
    computeLayout(s, PlacementRect{0, 0, 1284, 804});
    EXPECT_EQ(s.framing.zoom, zoomed);
    EXPECT_EQ(s.layout.planeX - s.layout.modelX, s.framing.modelDepth);

    EXPECT_EQ(onViewKey(s, ViewKey::Home, false), KeyEffect::LayOut);
    computeLayout(s, PlacementRect{0, 0, 1284, 804});
    EXPECT_EQ(s.framing.zoom, wideZoom);
    EXPECT_FALSE(s.framing.movedByHand);
}

}  // namespace
}  // namespace kelpris
