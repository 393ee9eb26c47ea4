// Layout, projection arguments, angles, hit tests and drags of the view logic.

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

constexpr double kPi = PI;

ViewState laidOut(std::int32_t w, std::int32_t h) {
    ViewState s;
    computeLayout(s, PlacementRect{0, 0, w + 4, h + 4});
    return s;
}

struct Counter {
    int calls = 0;
    RedrawFn fn() {
        return [this] { ++calls; };
    }
};

TEST(ViewStateTest, startsOnTheSetupScreenLookingHorizontally) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(PI), 0x40490FD8u);
    const ViewState s;
    EXPECT_EQ(s.pitch, 1.570796f);
    EXPECT_EQ(s.yaw, 0.0f);
    EXPECT_EQ(s.stereoMode, Screen::Setup);
    EXPECT_FALSE(s.dragging());
    EXPECT_EQ(s.layout.clientW, 0);
    EXPECT_EQ(s.layout.previewW, 0);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(s.stereoXf.m[r][c], r == c ? 1.0f : 0.0f);
            EXPECT_EQ(s.planXf.m[r][c], r == c ? 1.0f : 0.0f);
        }
    }
}

TEST(LayoutTest, placementRectanglesGiveTheDocumentedPositions) {
    ViewState a;
    computeLayout(a, {0, 0, 644, 484});
    EXPECT_EQ(a.layout.clientW, 640);
    EXPECT_EQ(a.layout.clientH, 480);
    EXPECT_EQ(a.layout.modelX, 190);
    EXPECT_EQ(a.layout.sideY, 120);
    EXPECT_EQ(a.layout.planY, 360);
    EXPECT_EQ(a.layout.midY, 240);
    EXPECT_EQ(a.layout.planeX, 350);
    EXPECT_EQ(a.layout.eyeHalfSep, 10);
    EXPECT_EQ(a.layout.previewW, 150);
    EXPECT_EQ(a.layout.previewH, 103);
    EXPECT_EQ(a.layout.previewX, 150);
    EXPECT_EQ(a.layout.previewY, 189);

    ViewState b;
    computeLayout(b, {20, 30, 1024, 735});  // only the size matters
    EXPECT_EQ(b.layout.clientW, 1000);
    EXPECT_EQ(b.layout.clientH, 701);
    EXPECT_EQ(b.layout.modelX, 296);
    EXPECT_EQ(b.layout.sideY, 175);
    EXPECT_EQ(b.layout.planY, 525);
    EXPECT_EQ(b.layout.midY, 350);
    EXPECT_EQ(b.layout.planeX, 546);
    EXPECT_EQ(b.layout.previewX, 346);
    EXPECT_EQ(b.layout.previewY, 299);

    ViewState c;
    computeLayout(c, {0, 0, 304, 204});
    EXPECT_EQ(c.layout.planeX, 164);
    EXPECT_EQ(c.layout.previewX, -36);  // not clamped
}

TEST(LayoutTest, absurdRectanglesAreClampedOnce) {
    ViewState s;
    computeLayout(s, {INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    EXPECT_EQ(s.layout.clientW, kLayoutLimit);
    EXPECT_EQ(s.layout.modelX, kLayoutLimit * 190 / 640);
    EXPECT_EQ(s.layout.planY, kLayoutLimit * 3 / 4);
    computeLayout(s, {INT_MAX, INT_MAX, INT_MIN, INT_MIN});
    EXPECT_EQ(s.layout.clientW, -kLayoutLimit);
    EXPECT_EQ(s.layout.planeX, -kLayoutLimit * 350 / 640);
    EXPECT_EQ(s.layout.previewX, s.layout.planeX - 200);
    computeLayout(s, {0, 0, 10004, 30004});  // the largest the program's options ask for
    EXPECT_EQ(s.layout.clientW, 10000);
    EXPECT_EQ(s.layout.planeX, 5468);
    computeLayout(s, {0, 0, 0, 0});  // an empty window
    EXPECT_EQ(s.layout.clientW, -4);
    EXPECT_EQ(s.layout.modelX, -1);
}

TEST(LayoutTest, keepsAnglesFlagsAndScreen) {
    ViewState s = laidOut(640, 480);
    s.yaw = 1.25f;
    s.pitch = 1.0f;
    s.stereoMode = Screen::Stereo;
    s.drags.arm(DragHandle::Plane);
    s.layout.planeX = 10;
    s.layout.modelX = 20;
    s.layout.previewX = 30;
    s.layout.previewY = 40;
    computeLayout(s, {0, 0, 644, 484});
    EXPECT_EQ(s.layout.planeX, 350);
    EXPECT_EQ(s.layout.modelX, 190);
    EXPECT_EQ(s.layout.previewX, 150);
    EXPECT_EQ(s.layout.previewY, 189);
    EXPECT_EQ(s.yaw, 1.25f);
    EXPECT_EQ(s.pitch, 1.0f);
    EXPECT_EQ(s.stereoMode, Screen::Stereo);
    EXPECT_TRUE(s.drags.armed(DragHandle::Plane));
}

TEST(ProjectionArgumentsTest, stereoScreenEnlargesThePreviewGeometry) {
    const ViewState a = laidOut(640, 480);
    const StereoParams r = stereoScreenParams(a, +1);
    EXPECT_EQ(static_cast<float>(640 / 150.0), 4.2666669f);
    EXPECT_EQ(r.depthOffset, 682);
    EXPECT_EQ(r.eyeDistance, 917);
    EXPECT_EQ(r.eyeShift, 42);
    EXPECT_EQ(r.scale, 0.85333341f);
    EXPECT_EQ(r.originX, 320);
    EXPECT_EQ(r.originY, 240);
    EXPECT_EQ(r.eyeSign, 1);
    EXPECT_EQ(stereoScreenParams(a, -1).eyeSign, -1);

    const ViewState b = laidOut(1000, 701);
    const StereoParams q = stereoScreenParams(b, -1);
    EXPECT_EQ(q.depthOffset, 1666);
    EXPECT_EQ(q.eyeDistance, 2526);
    EXPECT_EQ(q.eyeShift, 66);
    EXPECT_EQ(q.scale, 1.3333334f);
    EXPECT_EQ(q.originX, 500);
    EXPECT_EQ(q.originY, 350);
}

TEST(ProjectionArgumentsTest, previewUsesSetupPixels) {
    ViewState s = laidOut(640, 480);
    const StereoParams p = previewParams(s, -1);
    EXPECT_EQ(p.depthOffset, 160);
    EXPECT_EQ(p.eyeDistance, 215);
    EXPECT_EQ(p.eyeShift, 10);
    EXPECT_EQ(p.eyeSign, -1);
    EXPECT_EQ(p.scale, 0.2f);
    EXPECT_EQ(p.originX, 75);
    EXPECT_EQ(p.originY, 51);
    // A dragged plane and model change the distances at the next paint.
    s.layout.planeX = 400;
    s.layout.modelX = 100;
    EXPECT_EQ(previewParams(s, 1).depthOffset, 300);
    EXPECT_EQ(stereoScreenParams(s, 1).depthOffset, static_cast<int>(300 * 4.2666669));
}

TEST(ProjectionArgumentsTest, missingLayoutGivesDefinedValues) {
    const ViewState s;  // previewW 0: infinite enlargement, saturated
    const StereoParams p = stereoScreenParams(s, 1);
    EXPECT_EQ(p.eyeShift, 0);  // 0 * inf is NaN, which converts to 0
    EXPECT_EQ(p.originX, 0);
}

TEST(PointAngleTest, measuresCounterClockwiseFromStraightUp) {
    const int cx = 190, cy = 120;
    EXPECT_EQ(pointAngle(cx, cy, cx, cy - 60), 0.0f);                             // above
    EXPECT_EQ(pointAngle(cx, cy, cx - 60, cy), static_cast<float>(kPi / 2));      // left
    EXPECT_EQ(pointAngle(cx, cy, cx, cy + 60), PI);                               // below
    EXPECT_EQ(pointAngle(cx, cy, cx + 60, cy), static_cast<float>(3 * kPi / 2));  // right
    EXPECT_EQ(pointAngle(cx, cy, cx, cy), static_cast<float>(kPi / 2));           // centre

    const float diag = static_cast<float>(std::atan(1.0));
    EXPECT_EQ(pointAngle(cx, cy, cx - 7, cy - 7), diag);  // up-left
    EXPECT_EQ(pointAngle(cx, cy, cx - 7, cy + 7), static_cast<float>(-diag + kPi));
    EXPECT_EQ(pointAngle(cx, cy, cx + 7, cy + 7), static_cast<float>(diag + kPi));
    EXPECT_EQ(pointAngle(cx, cy, cx + 7, cy - 7), static_cast<float>(-diag + 2 * kPi));

    // Every direction lands in its quadrant, and never at 2*PI.
    for (int px = -50; px <= 50; px += 5) {
        for (int py = -50; py <= 50; py += 5) {
            const float a = pointAngle(0, 0, px, py);
            EXPECT_GE(a, 0.0f);
            EXPECT_LT(a, 2 * PI);
            if (px < 0 && py < 0) {
                EXPECT_GT(a, 0.0f);
                EXPECT_LT(a, PI / 2);
            }
            if (px > 0 && py > 0) {
                EXPECT_GT(a, PI);
                EXPECT_LT(a, 3 * PI / 2);
            }
        }
    }
}

TEST(PointAngleTest, extremePositionsAreDefined) {
    EXPECT_EQ(pointAngle(INT_MAX, 0, INT_MIN, 0), static_cast<float>(kPi / 2));
    EXPECT_EQ(pointAngle(INT_MIN, 0, INT_MAX, 0), static_cast<float>(3 * kPi / 2));
    const float a = pointAngle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_GT(a, PI);
}

TEST(AngleLimitTest, wrapAddsThenSubtractsOnce) {
    const double twoPi = 2 * kPi;
    EXPECT_EQ(wrapAngle(-0.5f), static_cast<float>(-0.5 + twoPi));
    EXPECT_EQ(wrapAngle(2 * PI), 2 * PI);  // exactly 2*PI stays
    EXPECT_EQ(wrapAngle(0.0f), 0.0f);
    EXPECT_EQ(wrapAngle(7.0f), static_cast<float>(7.0 - twoPi));
    // Two steps of adding, each rounded to float.
    const float once = static_cast<float>(-7.0 + twoPi);
    EXPECT_EQ(wrapAngle(-7.0f), static_cast<float>(once + twoPi));
}

TEST(AngleLimitTest, wrapEndsAndStaysInRangeForAnyInput) {
    for (const float v : {-1.0e9f, -3.0e38f, 100.0f, 1.0e30f, 12.6f}) {
        const float w = wrapAngle(v);
        EXPECT_GE(w, 0.0f) << v;
        EXPECT_LE(w, 2 * PI) << v;
    }
    EXPECT_EQ(wrapAngle(INFINITY), 0.0f);
    EXPECT_EQ(wrapAngle(-INFINITY), 0.0f);
    EXPECT_EQ(wrapAngle(NAN), 0.0f);
}

TEST(AngleLimitTest, pitchClampsToAQuarterAndThreeQuartersOfPi) {
    EXPECT_EQ(clampPitch(0.0f), static_cast<float>(kPi / 4));
    EXPECT_EQ(clampPitch(6.0f), static_cast<float>(3 * kPi / 4));
    EXPECT_EQ(clampPitch(1.0f), 1.0f);
    EXPECT_EQ(clampPitch(NAN), PI / 2);
}

class MouseTest : public ::testing::Test {
  protected:
    ViewState s = laidOut(640, 480);
    Counter redraws;

    void press(int x, int y) { onLButtonDown(s, x, y); }
    void move(int x, int y) { onMouseMove(s, x, y, redraws.fn()); }
    int armed() const { return s.drags.count(); }
};

TEST_F(MouseTest, previewBoxBoundsAreInclusiveAndWinOverOtherHandles) {
    press(150, 189);
    EXPECT_TRUE(s.drags.armed(DragHandle::Preview));
    EXPECT_EQ(s.dragDX, 0);
    EXPECT_EQ(s.dragDY, 0);
    s = laidOut(640, 480);
    press(300, 292);
    EXPECT_TRUE(s.drags.armed(DragHandle::Preview));
    EXPECT_EQ(s.dragDX, 150);
    EXPECT_EQ(s.dragDY, 103);
    s = laidOut(640, 480);
    press(190, 250);  // inside the box and the yaw square
    EXPECT_TRUE(s.drags.armed(DragHandle::Preview));
    EXPECT_EQ(armed(), 1);
    for (auto [x, y] : {std::pair{301, 292}, {300, 293}, {149, 200}, {200, 188}}) {
        s = laidOut(640, 480);
        press(x, y);
        EXPECT_FALSE(s.drags.armed(DragHandle::Preview)) << x << "," << y;
    }
}

TEST_F(MouseTest, modelHandleReachesNinePixels) {
    press(199, 129);
    EXPECT_TRUE(s.drags.armed(DragHandle::Model));
    s = laidOut(640, 480);
    press(181, 351);  // the plan view's centre
    EXPECT_TRUE(s.drags.armed(DragHandle::Model));
    for (auto [x, y] : {std::pair{200, 129}, {199, 130}, {180, 111}}) {
        s = laidOut(640, 480);
        press(x, y);
        EXPECT_FALSE(s.drags.armed(DragHandle::Model)) << x << "," << y;
        EXPECT_TRUE(s.drags.armed(DragHandle::Pitch))
            << x << "," << y;  // falls through to the pitch square
    }
}

TEST_F(MouseTest, picturePlaneReachesFourPixelsAtAnyHeight) {
    press(354, 10);
    EXPECT_TRUE(s.drags.armed(DragHandle::Plane));
    s = laidOut(640, 480);
    press(346, 470);
    EXPECT_TRUE(s.drags.armed(DragHandle::Plane));
    s = laidOut(640, 480);
    press(355, 10);
    EXPECT_EQ(armed(), 0);
    // Five pixels off a plane dragged near the model goes on to the yaw test.
    s = laidOut(640, 480);
    s.layout.planeX = 250;
    press(255, 300);
    EXPECT_FALSE(s.drags.armed(DragHandle::Plane));
    EXPECT_TRUE(s.drags.armed(DragHandle::Yaw));
}

TEST_F(MouseTest, angleHandlesAreSquaresOnTheirSideOfTheMiddleLine) {
    press(309, 479);  // 119 right and below the plan centre
    EXPECT_TRUE(s.drags.armed(DragHandle::Yaw));
    s = laidOut(640, 480);
    press(71, 1);  // 119 left and above the side centre
    EXPECT_TRUE(s.drags.armed(DragHandle::Pitch));
    for (auto [x, y] : {std::pair{310, 479}, {309, 480}, {70, 1}, {100, 240}}) {
        s = laidOut(640, 480);
        press(x, y);
        EXPECT_EQ(armed(), 0) << x << "," << y;
    }
}

TEST_F(MouseTest, yawFollowsThePointerAboutThePlanCentre) {
    press(190, 300);
    ASSERT_TRUE(s.drags.armed(DragHandle::Yaw));
    EXPECT_EQ(s.pressAngle, 0.0f);
    move(130, 360);
    EXPECT_EQ(s.yaw, static_cast<float>(kPi / 2));
    move(190, 420);
    EXPECT_EQ(s.yaw, PI);
    move(250, 360);
    EXPECT_EQ(s.yaw, static_cast<float>(3 * kPi / 2));
    EXPECT_EQ(redraws.calls, 3);
}

TEST_F(MouseTest, yawPressOffsetKeepsTheCurrentAngle) {
    s.yaw = 1.0f;
    press(250, 360);  // pointer at 3*PI/2: offset 1 - 3PI/2 < 0, wrapped
    const float right = static_cast<float>(3 * kPi / 2);
    EXPECT_EQ(s.pressAngle, static_cast<float>(static_cast<float>(1.0 - right) + 2 * kPi));
    move(250, 360);  // no turn yet: the yaw is unchanged up to rounding
    EXPECT_NEAR(s.yaw, 1.0f, 1e-6);
    move(190, 420);  // a quarter turn clockwise, wrapped below 0
    EXPECT_NEAR(s.yaw, 1.0f - PI / 2 + 2 * PI, 1e-5);
    move(190, 300);  // a half turn from the press
    EXPECT_NEAR(s.yaw, 1.0f + PI / 2, 1e-5);
}

TEST_F(MouseTest, pitchTurnsAgainstThePointerAndIsClamped) {
    press(190, 60);
    ASSERT_TRUE(s.drags.armed(DragHandle::Pitch));
    EXPECT_EQ(s.pressAngle, static_cast<float>(kPi / 2));
    move(130, 120);  // 0 before the clamp
    EXPECT_EQ(s.pitch, static_cast<float>(kPi / 4));
    move(250, 120);  // -PI, wrapped to PI, clamped
    EXPECT_EQ(s.pitch, static_cast<float>(3 * kPi / 4));
    move(160, 60);  // inside the limits
    EXPECT_EQ(s.pitch, static_cast<float>(kPi / 2 - static_cast<float>(std::atan(0.5))));
    // Turned counter-clockwise past the pitch at the press: wraps near 2*PI,
    // so the clamp gives the upper limit, not the lower one.
    move(130, 180);
    EXPECT_EQ(s.pitch, static_cast<float>(3 * kPi / 4));
}

TEST_F(MouseTest, modelDragJumpsToThePointer) {
    press(185, 120);
    ASSERT_TRUE(s.drags.armed(DragHandle::Model));
    move(300, 50);
    EXPECT_EQ(s.layout.modelX, 300);
    EXPECT_EQ(redraws.calls, 1);
}

TEST_F(MouseTest, planeDragStopsEightyPixelsFromTheRightOnly) {
    press(350, 10);
    move(600, 10);
    EXPECT_EQ(s.layout.planeX, 560);
    move(560, 10);
    EXPECT_EQ(s.layout.planeX, 560);
    move(0, 10);
    EXPECT_EQ(s.layout.planeX, 0);
    move(-50, 10);
    EXPECT_EQ(s.layout.planeX, -50);
}

TEST_F(MouseTest, previewDragKeepsTheGrabOffset) {
    press(160, 200);
    move(20, 30);
    EXPECT_EQ(s.layout.previewX, 10);
    EXPECT_EQ(s.layout.previewY, 19);
    move(INT_MIN, INT_MIN);  // clamped instead of overflowing
    EXPECT_EQ(s.layout.previewX, -kLayoutLimit);
}

// Pointer positions anywhere in the int32 range, with every handle armed and
// grabbed again and again, keep the layout within its limit; with the
// sanitizers a single overflowing sum would fail here.
TEST_F(MouseTest, extremePointerPositionsKeepTheLayoutWithinItsLimit) {
    for (int round = 0; round < 8; ++round) {
        for (const auto& [x, y] : {std::pair{INT_MIN, INT_MIN},
                                   {INT_MAX, INT_MAX},
                                   {INT_MAX, INT_MIN},
                                   {INT_MIN, INT_MAX}}) {
            press(x, y);
            press(s.layout.previewX, s.layout.previewY);
            press(s.layout.modelX, s.layout.sideY);
            press(s.layout.planeX, 0);
            move(x, y);
            onLButtonUp(s, x, y);
        }
    }
    const Layout& l = s.layout;
    for (const std::int32_t v : {l.previewX, l.previewY, l.modelX, l.planeX}) {
        EXPECT_LE(std::abs(v), kLayoutLimit);
    }
}

TEST_F(MouseTest, angleModesTurnAboutTheCentreBeforeTheModelMoves) {
    press(190, 120);  // model
    press(190, 300);  // a second press arms the yaw as well
    EXPECT_TRUE(s.drags.armed(DragHandle::Model));
    EXPECT_TRUE(s.drags.armed(DragHandle::Yaw));
    move(130, 360);
    EXPECT_EQ(s.yaw, static_cast<float>(kPi / 2));  // about x = 190, not 130
    EXPECT_EQ(s.layout.modelX, 130);
    EXPECT_EQ(redraws.calls, 1);  // one redraw per move
}

TEST_F(MouseTest, moveWithNothingArmedChangesAndDrawsNothing) {
    const ViewState before = laidOut(640, 480);
    move(200, 200);
    EXPECT_EQ(redraws.calls, 0);
    EXPECT_EQ(s.yaw, before.yaw);
    EXPECT_EQ(s.layout.modelX, before.layout.modelX);
}

TEST_F(MouseTest, releaseAndDoubleClickDisarmEverything) {
    for (const DragHandle h : {DragHandle::Model, DragHandle::Pitch, DragHandle::Yaw,
                               DragHandle::Plane, DragHandle::Preview}) {
        s.drags.arm(h);
    }
    ASSERT_EQ(armed(), 5);
    onLButtonUp(s, 0, 0);
    EXPECT_EQ(armed(), 0);
    EXPECT_EQ(s.stereoMode, Screen::Setup);
    move(10, 10);
    EXPECT_EQ(redraws.calls, 0);

    s.drags.arm(DragHandle::Yaw);
    onLButtonDblClk(s, 0, 0, redraws.fn());
    EXPECT_EQ(armed(), 0);
    EXPECT_EQ(s.stereoMode, Screen::Stereo);
    EXPECT_EQ(redraws.calls, 1);
    onLButtonDblClk(s, 0, 0, redraws.fn());
    EXPECT_EQ(s.stereoMode, Screen::Setup);
    EXPECT_EQ(redraws.calls, 2);
}

TEST_F(MouseTest, nextLayoutPutsDraggedPositionsBackButKeepsAngles) {
    press(350, 10);
    move(500, 10);
    onLButtonUp(s, 500, 10);
    press(190, 300);
    move(130, 360);
    onLButtonUp(s, 130, 360);
    press(190, 60);
    move(160, 60);
    onLButtonUp(s, 160, 60);
    const float yaw = s.yaw;
    const float pitch = s.pitch;
    EXPECT_EQ(s.layout.planeX, 500);
    computeLayout(s, {0, 0, 644, 484});
    EXPECT_EQ(s.layout.planeX, 350);
    EXPECT_EQ(s.yaw, yaw);
    EXPECT_EQ(s.pitch, pitch);
    EXPECT_NE(s.yaw, 0.0f);
}

}  // namespace
}  // namespace kelpris
