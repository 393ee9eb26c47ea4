// Keys, pointer shapes, glasses colours, depth readout and lit faces.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/scene_projection.h"
#include "recording_surface.h"
#include "render/lit_drawing.h"
#include "scenes.h"
#include "view/depth_readout.h"
#include "view/glasses.h"
#include "view/keys.h"
#include "view/shading.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using testing::faceScene;
using testing::Op;
using testing::RecordingSurface;

ViewState laidOut(std::int32_t w, std::int32_t h) {
    ViewState s;
    computeLayout(s, PlacementRect{0, 0, w + 4, h + 4});
    return s;
}

// --- Keys -------------------------------------------------------------------

TEST(ViewKeyTest, anglesStepWrapAndClampAsTheDragsDo) {
    const double pi = PI;
    struct Case {
        float yaw, pitch;
        ViewKey key;
        bool fine;
        double wantYaw, wantPitch;
    };
    const Case cases[] = {
        {0.0f, PI / 2, ViewKey::Right, false, pi / 36, pi / 2},
        {0.0f, PI / 2, ViewKey::Left, false, 2 * pi - pi / 36, pi / 2},  // wraps below 0
        {0.0f, PI / 2, ViewKey::Left, true, 2 * pi - pi / 180, pi / 2},
        {6.28f, PI / 2, ViewKey::Right, false, 6.28 + pi / 36 - 2 * pi, pi / 2},  // above 2*PI
        {1.0f, PI / 2, ViewKey::Up, false, 1.0, pi / 2 - pi / 36},
        {1.0f, PI / 2, ViewKey::Down, true, 1.0, pi / 2 + pi / 180},
        {1.0f, 0.80f, ViewKey::Up, false, 1.0, pi / 4},        // clamped at the top
        {1.0f, 2.35f, ViewKey::Down, false, 1.0, 3 * pi / 4},  // and at the bottom
    };
    for (const Case& c : cases) {
        ViewState s = laidOut(640, 480);
        s.yaw = c.yaw;
        s.pitch = c.pitch;
        EXPECT_EQ(onViewKey(s, c.key, c.fine), KeyEffect::Redraw);
        EXPECT_NEAR(s.yaw, c.wantYaw, 2e-6) << static_cast<int>(c.key) << " from " << c.yaw;
        EXPECT_NEAR(s.pitch, c.wantPitch, 2e-6) << static_cast<int>(c.key) << " from " << c.pitch;
        EXPECT_GE(s.yaw, 0.0f);
        EXPECT_LE(s.yaw, 2 * PI);
        EXPECT_EQ(s.pitch, clampPitch(s.pitch));  // a value a drag can leave
    }
}

TEST(ViewKeyTest, anglesKeysTurnTheStereoTransform) {
    ViewState s = laidOut(640, 480);
    s.stereoMode = Screen::Stereo;
    const Matrix4 before = s.stereoXf;
    (void)onViewKey(s, ViewKey::Right, false);
    EXPECT_NE(before.m[0][0], s.stereoXf.m[0][0]);
}

TEST(ViewKeyTest, tabSwitchesLikeADoubleClickAndHomeResets) {
    ViewState s = laidOut(640, 480);
    s.drags.arm(DragHandle::Yaw);
    EXPECT_EQ(onViewKey(s, ViewKey::Tab, false), KeyEffect::Redraw);
    EXPECT_EQ(s.stereoMode, Screen::Stereo);
    EXPECT_FALSE(s.dragging());
    (void)onViewKey(s, ViewKey::Tab, true);
    EXPECT_EQ(s.stereoMode, Screen::Setup);

    s.yaw = 2.0f;
    s.pitch = 1.0f;
    s.layout.modelX = 5;
    s.drags.arm(DragHandle::Model);
    EXPECT_EQ(onViewKey(s, ViewKey::Home, false), KeyEffect::LayOut);
    EXPECT_EQ(s.yaw, 0.0f);
    EXPECT_EQ(s.pitch, PI / 2);
    EXPECT_FALSE(s.dragging());
    computeLayout(s, PlacementRect{0, 0, 644, 484});  // what the caller's paint does
    EXPECT_EQ(s.layout.modelX, 190);
}

TEST(SpinTest, advancesTheAzimuthWithTheWrap) {
    ViewState s = laidOut(640, 480);
    s.yaw = 2 * PI - kSpinStep / 2;
    spinStep(s, kSpinStep);
    EXPECT_NEAR(s.yaw, kSpinStep / 2, 1e-6);
}

// --- Turning the model on the stereo screen -----------------------------------

// A turning drag of a key step's pixels (a full turn per width) lands where
// the key does, across the wrap and at both limits; a drag far past a limit
// stops where holding the key stops, never on the other limit.
TEST(DragTurnTest, turnsAsTheKeysDoAndStopsWhereHeldKeysStop) {
    constexpr std::int32_t kWidth = 720;
    constexpr std::int32_t kStep = kWidth / 72;  // 5 degrees, the key step
    struct Case {
        float yaw, pitch;
        std::int32_t dx, dy;
        ViewKey key;
    };
    const Case cases[] = {
        {0.0f, PI / 2, -kStep, 0, ViewKey::Left},   // wraps below 0
        {6.28f, PI / 2, kStep, 0, ViewKey::Right},  // and above 2*PI
        {1.0f, 0.80f, 0, -kStep, ViewKey::Up},      // clamped at the low limit
        {1.0f, 2.35f, 0, kStep, ViewKey::Down},     // and at the high one
    };
    for (const Case& c : cases) {
        ViewState keyed = laidOut(kWidth, 480);
        keyed.yaw = c.yaw;
        keyed.pitch = c.pitch;
        (void)onViewKey(keyed, c.key, false);
        EXPECT_EQ(dragTurn({c.yaw, c.pitch}, c.dx, c.dy, kWidth),
                  (ViewAngles{keyed.yaw, keyed.pitch}))
            << c.yaw << " " << c.pitch << " by " << c.dx << "," << c.dy;
    }
    const auto held = [](float pitch, ViewKey key) {
        ViewState state;
        state.pitch = pitch;
        for (int i = 0; i < 40; ++i) {
            (void)onViewKey(state, key, false);
        }
        return state.pitch;
    };
    const float low = held(PI / 2, ViewKey::Up);
    const float high = held(PI / 2, ViewKey::Down);
    for (const float from : {PI / 2, low, high}) {
        // 135 degrees and more: past the zenith's whole range from anywhere.
        for (const std::int32_t dy : {3 * kWidth / 8, -3 * kWidth / 8, 3 * kWidth, -INT_MAX}) {
            EXPECT_EQ(dragTurn({0.0f, from}, 0, dy, kWidth).pitch,
                      held(from, dy > 0 ? ViewKey::Down : ViewKey::Up))
                << from << " by " << dy;
        }
    }
    EXPECT_EQ(dragTurn({1.0f, 1.0f}, 50, 50, 0), (ViewAngles{1.0f, 1.0f}));
}

// --- Hit test and pointer shapes --------------------------------------------

TEST(HitTestTest, agreesWithThePressOnAGridAndChangesNothing) {
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{300, 200}, std::pair{1000, 701}}) {
        for (std::int32_t y = -12; y <= h + 12; y += 3) {
            for (std::int32_t x = -12; x <= w + 12; x += 3) {
                ViewState s = laidOut(w, h);
                s.yaw = 1.0f;
                const std::optional<DragHandle> hit = hitTest(s, x, y);
                EXPECT_EQ(s.yaw, 1.0f);
                EXPECT_FALSE(s.dragging());
                onLButtonDown(s, x, y);
                if (hit) {
                    EXPECT_EQ(s.drags.count(), 1) << x << "," << y;
                    EXPECT_TRUE(s.drags.armed(*hit)) << x << "," << y;
                } else {
                    EXPECT_FALSE(s.dragging()) << x << "," << y;
                }
            }
        }
    }
}

TEST(HitTestTest, pointerShapesFollowTheHandles) {
    const ViewState s = laidOut(640, 480);
    struct Case {
        std::int32_t x, y;
        PointerShape want;
    };
    const Case cases[] = {
        {160, 200, PointerShape::Move},             // preview box
        {190, 120, PointerShape::Move},             // model ring, side view
        {190, 360, PointerShape::Move},             // model ring, plan view
        {350, 20, PointerShape::ResizeHorizontal},  // picture plane
        {100, 400, PointerShape::Rotate},           // yaw square
        {100, 50, PointerShape::Rotate},            // pitch square
        {600, 240, PointerShape::Arrow},            // nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pointerShapeAt(s, c.x, c.y), c.want) << c.x << "," << c.y;
    }
}

// --- Glasses ----------------------------------------------------------------

std::uint32_t channels(Rgb c) {
    return (c.r != 0 ? 1U : 0U) | (c.g != 0 ? 2U : 0U) | (c.b != 0 ? 4U : 0U);
}

TEST(GlassesTest, eyesNeverShareAChannel) {
    for (GlassesPair pair : kAllGlassesPairs) {
        for (bool swap : {false, true}) {
            for (int balance : {0, 37, kMaxEyeBalance}) {
                const StereoColours c = stereoColours({pair, swap, balance});
                const std::uint32_t left = channels(c.left.line) | channels(c.left.face);
                const std::uint32_t right = channels(c.right.line) | channels(c.right.face);
                EXPECT_EQ(left & right, 0U) << glassesName(pair);
                EXPECT_NE(left, 0U);
                EXPECT_NE(right, 0U);
                EXPECT_GT(luminance(c.left.line), luminance(c.left.face));
                EXPECT_GT(luminance(c.right.line), luminance(c.right.face));
            }
        }
    }
}

TEST(GlassesTest, defaultIsTheOriginalRedGreen) {
    const StereoColours c = stereoColours(GlassesChoice{});
    EXPECT_EQ(c.left, (EyeColours{{215, 0, 0}, {180, 0, 0}}));
    EXPECT_EQ(c.right, (EyeColours{{0, 120, 0}, {0, 100, 0}}));

    ViewState s;
    std::vector<Op> log;
    RecordingSurface surface(log, "window");
    createTools(s, surface);
    EXPECT_EQ(s.penRed, (Pen{1, {215, 0, 0}}));
    EXPECT_EQ(s.penGreen, (Pen{1, {0, 120, 0}}));
    EXPECT_EQ(s.brushRed, Brush::solid({180, 0, 0}));
    EXPECT_EQ(s.brushGreen, Brush::solid({0, 100, 0}));
    EXPECT_EQ(s.penFrame, (Pen{4, {200, 0, 200}}));
}

// Whatever follows from the options changes with them, and only with them.
TEST(GlassesTest, settingOptionsRefreshesTheEyeToolsAndTheSeparation) {
    ViewState s = laidOut(640, 480);
    ViewOptions options;
    options.glasses = {GlassesPair::RedBlue, true, 0};
    options.eyeHalfSep = 15;
    s.setOptions(options);
    const StereoColours colours = stereoColours(options.glasses);
    EXPECT_EQ(s.penRed, (Pen{1, colours.left.line}));
    EXPECT_EQ(s.brushGreen, Brush::solid(colours.right.face));
    EXPECT_EQ(s.layout.eyeHalfSep, 15);
    EXPECT_EQ(s.layout.planeX, 350);  // the rest of the layout stays
    s.setOptions({});
    EXPECT_EQ(s.penRed, (Pen{1, {215, 0, 0}}));
    EXPECT_EQ(s.layout.eyeHalfSep, kDefaultEyeHalfSep);
}

TEST(GlassesTest, swapExchangesTheEyesAndNamesRoundTrip) {
    for (GlassesPair pair : kAllGlassesPairs) {
        const StereoColours plain = stereoColours({pair, false, 0});
        const StereoColours swapped = stereoColours({pair, true, 0});
        EXPECT_EQ(plain.left, swapped.right);
        EXPECT_EQ(plain.right, swapped.left);
        EXPECT_EQ(glassesFromName(glassesName(pair)), pair);
    }
    EXPECT_FALSE(glassesFromName("red"));
    EXPECT_FALSE(glassesFromName(""));
}

TEST(GlassesTest, fullBalanceEqualsTheEyesInEmittedLight) {
    // Compared as encoded values green 120 would pass for the brighter eye
    // and be dimmed to 64, a quarter of red's light: balance must compare and
    // scale decoded light, dimming only the eye that emits more.
    for (GlassesPair pair : kAllGlassesPairs) {
        const StereoColours plain = stereoColours({pair, false, 0});
        const StereoColours full = stereoColours({pair, false, kMaxEyeBalance});
        const bool leftBrighter = luminance(plain.left.line) >= luminance(plain.right.line);
        EXPECT_EQ(leftBrighter ? full.right : full.left, leftBrighter ? plain.right : plain.left)
            << glassesName(pair);
        EXPECT_NEAR(luminance(full.left.line) / luminance(full.right.line), 1.0, 0.02)
            << glassesName(pair);
        EXPECT_EQ(stereoColours({pair, false, 1000}).left, full.left);  // clamped
    }
    EXPECT_EQ(stereoColours({GlassesPair::RedGreen, false, kMaxEyeBalance}).right,
              (EyeColours{{0, 120, 0}, {0, 100, 0}}));
}

// --- Depth readout ----------------------------------------------------------

// Centre on the origin, one vertex 500 behind it and one 1000 in front. At
// clientW 640 the preview projection gives the centre x 80 (right) and 70
// (left), the far vertex 81 and 69, and the near one (depth -40, k = 0.814):
// t2 = trunc(-10 / 0.814) = -12, so 10 - 12 = -2 right and -10 + 12 = 2 left.
Scena depthProbe() {
    Scena s = faceScene({{0, 0, 0}, {0, -500, 0}, {0, 1000, 0}}, {{1, 2, 3}});
    s.centreX = s.centreY = s.centreZ = 0;
    return s;
}

TEST(ParallaxTest, matchesAHandComputedCase) {
    ViewState s = laidOut(640, 480);
    s.scene = std::make_unique<Scena>(depthProbe());
    buildTransforms(s);
    const ParallaxRange r =
        parallaxRange(*s.scene, s.stereoXf, previewParams(s, +1), previewParams(s, -1));
    EXPECT_EQ(r.points, 3);
    EXPECT_EQ(r.behindEye, 0);
    EXPECT_EQ(r.nearest, -4);
    EXPECT_EQ(r.farthest, 12);
}

TEST(ParallaxTest, pointsAtTheEyeAreCountedApart) {
    ViewState s = laidOut(640, 480);
    // 2000 units in front: depth 160 - 400 = -240, beyond the eye at -215.
    Scena scene = faceScene({{0, 0, 0}, {0, 2000, 0}, {1, 0, 0}}, {});
    scene.centreX = scene.centreY = scene.centreZ = 0;
    s.scene = std::make_shared<const Scena>(std::move(scene));
    buildTransforms(s);
    const ParallaxRange r =
        parallaxRange(*s.scene, s.stereoXf, previewParams(s, +1), previewParams(s, -1));
    EXPECT_EQ(r.points, 2);
    EXPECT_EQ(r.behindEye, 1);
    EXPECT_EQ(judgeParallax(r, {1920, 531}), Comfort::TooStrong);
    EXPECT_EQ(judgeParallax(ParallaxRange{}, {1920, 531}), Comfort::Comfortable);
}

// The range a paint finds in its own projections counts the same points in
// front of, at and behind the eye as the measure that projects them anew.
TEST(ParallaxTest, projectedPointsGiveTheMeasuredRange) {
    ViewState s = laidOut(640, 480);
    // Depths -240 (behind the eye at -215), -215 (at it), 0, -40 and 100.
    Scena scene =
        faceScene({{0, 0, 0}, {0, 2000, 0}, {0, 1875, 0}, {0, 1000, 0}, {0, -500, 0}}, {});
    scene.centreX = scene.centreY = scene.centreZ = 0;
    s.scene = std::make_shared<const Scena>(std::move(scene));
    buildTransforms(s);
    const StereoParams right = previewParams(s, +1);
    const std::size_t n = s.scene->vertices.size();
    std::vector<Point> rights(n);
    std::vector<Point> lefts(n);
    std::vector<std::int32_t> depths(n);
    projectStereoPair(*s.scene, s.stereoXf, right, {rights, lefts, depths}, 0, n);
    const ParallaxRange kept = parallaxOfPoints(rights, lefts, depths, right);
    const ParallaxRange measured = parallaxRange(*s.scene, s.stereoXf, right, previewParams(s, -1));
    EXPECT_EQ(measured.behindEye, 2);
    EXPECT_EQ(std::tie(kept.points, kept.behindEye, kept.nearest, kept.farthest),
              std::tie(measured.points, measured.behindEye, measured.nearest, measured.farthest));
    // Two threads measure a half each, split anywhere: the same range.
    for (std::size_t split = 0; split <= n; ++split) {
        const ParallaxRange front = parallaxOfPoints(std::span(rights).first(split),
                                                     std::span(lefts).first(split), depths, right);
        const ParallaxRange back =
            parallaxOfPoints(std::span(rights).subspan(split), std::span(lefts).subspan(split),
                             std::span(depths).subspan(split), right);
        const ParallaxRange both = joined(front, back);
        EXPECT_EQ(std::tie(both.points, both.behindEye, both.nearest, both.farthest),
                  std::tie(kept.points, kept.behindEye, kept.nearest, kept.farthest))
            << split;
    }
    // A half with no points leaves the other's range as it is.
    const ParallaxRange far = parallaxOfPoints(std::span(rights).last(1), std::span(lefts).last(1),
                                               std::span(depths).last(1), right);
    ASSERT_GT(far.nearest, 0);
    EXPECT_EQ(joined(ParallaxRange{}, far).nearest, far.nearest);
    EXPECT_EQ(joined(far, ParallaxRange{}).nearest, far.nearest);
}

TEST(ParallaxTest, verdictFollowsTheRules) {
    const ScreenMetrics monitor{1920, 531};  // 0.2766 mm per pixel; 1/30 is 64 px
    const ScreenMetrics unknown{1920, 0};
    struct Case {
        std::int32_t nearest, farthest;
        ScreenMetrics screen;
        Comfort want;
    };
    const Case cases[] = {
        {-4, 12, monitor, Comfort::Comfortable},
        {-64, 64, monitor, Comfort::Comfortable},  // exactly 1/30
        {-65, 10, monitor, Comfort::Strong},       // crossed beyond 1/30
        {0, 65, monitor, Comfort::Strong},         // uncrossed beyond 1/30, 18 mm
        {0, 227, monitor, Comfort::Strong},        // 62.8 mm
        {0, 228, monitor, Comfort::TooStrong},     // 63.1 mm: the eyes diverge
        {0, 228, unknown, Comfort::Strong},        // no size: the pixel rule only
        {-500, -100, monitor, Comfort::Strong},    // all in front, uncrossed rule idle
    };
    for (const Case& c : cases) {
        ParallaxRange r;
        r.points = 2;
        r.nearest = c.nearest;
        r.farthest = c.farthest;
        EXPECT_EQ(judgeParallax(r, c.screen), c.want) << c.nearest << ".." << c.farthest;
    }
}

TEST(ParallaxTest, readoutAndInfoCarryTheFigures) {
    ViewState s = laidOut(640, 480);
    s.scene = std::make_unique<Scena>(depthProbe());
    buildTransforms(s);
    const std::string line = depthReadout(s, "probe.dat", {1920, 531.0});
    EXPECT_NE(line.find("probe.dat | 3 vertices, 1 faces"), std::string::npos) << line;
    EXPECT_NE(line.find("azimuth 0.0\u00b0, zenith 90.0\u00b0"), std::string::npos) << line;
    EXPECT_NE(line.find("parallax -18..+46 px (-5.0..+12.7 mm)"), std::string::npos) << line;
    EXPECT_NE(line.find("comfortable"), std::string::npos) << line;

    const std::string info = sceneInfo(s, "probe.dat", 640, 480);
    EXPECT_NE(info.find("model: faces, 3 vertices, 1 faces\n"), std::string::npos) << info;
    EXPECT_NE(info.find("centre: 0 0 0\n"), std::string::npos) << info;
    EXPECT_NE(info.find("bounding box: 0 -500 0 .. 0 1000 0\n"), std::string::npos) << info;
    EXPECT_NE(info.find("stereo screen 640x480: parallax "), std::string::npos) << info;
}

// Automatic: a scene file keeps the unseen handles on the stereo screen (the
// picture and the readout keep the drawn angles until a setup paint), an
// imported mesh turns with a drag anywhere and is drawn turned at once. The
// setup screen has its handles whatever the choice; a choice made wins.
TEST(StereoMouseTest, automaticTurnsImportedMeshesAndKeepsHandlesForSceneFiles) {
    struct Case {
        ModelSource source;
        StereoMouse choice;
        Screen screen;
        bool turns;
    };
    const Case cases[] = {
        {ModelSource::SceneFile, StereoMouse::Automatic, Screen::Stereo, false},
        {ModelSource::Imported, StereoMouse::Automatic, Screen::Stereo, true},
        {ModelSource::Imported, StereoMouse::Automatic, Screen::Setup, false},
        {ModelSource::Imported, StereoMouse::SetupHandles, Screen::Stereo, false},
        {ModelSource::SceneFile, StereoMouse::TurnModel, Screen::Stereo, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.source) * 10 + static_cast<int>(c.choice));
        ViewState s = laidOut(640, 480);
        s.scene = std::make_shared<const Scena>(depthProbe());
        s.modelSource = c.source;
        ViewOptions options;
        options.stereoMouse = c.choice;
        s.setOptions(options);
        buildTransforms(s);
        s.stereoMode = c.screen;
        const Matrix4 drawn = s.stereoXf;
        int redraws = 0;
        onLButtonDown(s, 190, 300);  // in the yaw handle's square
        onMouseMove(s, 130, 360, [&] { ++redraws; });
        EXPECT_EQ(redraws, 1);
        if (c.turns) {
            EXPECT_EQ((ViewAngles{s.yaw, s.pitch}), dragTurn({}, -60, 60, 640));
        } else {
            EXPECT_EQ(s.yaw, static_cast<float>(PI / 2.0));  // the handle turned it
        }
        EXPECT_EQ(s.stereoXf.m[0][0] == drawn.m[0][0], !c.turns);
        const bool waits = !c.turns && c.screen == Screen::Stereo;
        const std::string readout = depthReadoutDetails(s, {});
        EXPECT_EQ(readout.find("azimuth 0.0\u00b0") != std::string::npos, waits) << readout;
    }
}

// --- Lit faces ----------------------------------------------------------------

TEST(LitFacesTest, lightFollowsTheCosine) {
    // A face in the x/z plane, normal along y, light on the normal: full light.
    Scena scene =
        faceScene({{0, 0, 0}, {90, 0, 0}, {0, 0, 90}}, {{1, 2, 3}});  // centre (30, 0, 30)
    LitFaceStyle style;
    style.lightX = 30;
    style.lightY = 1000;
    style.lightZ = 30;
    EXPECT_NEAR(faceLight(scene, scene.faces[0], style), 1.0, 1e-9);
    style.lightY = -1000;  // from behind: both sides lit alike
    EXPECT_NEAR(faceLight(scene, scene.faces[0], style), 1.0, 1e-9);
    style.lightX = 1030;  // at 45 degrees
    style.lightY = 1000;
    EXPECT_NEAR(faceLight(scene, scene.faces[0], style),
                kAmbientLight + (1 - kAmbientLight) * std::sqrt(0.5), 1e-9);
    style.lightY = 0;  // edge on
    EXPECT_NEAR(faceLight(scene, scene.faces[0], style), kAmbientLight, 1e-9);

    Scena flat = faceScene({{0, 0, 0}, {100, 0, 0}, {200, 0, 0}}, {{1, 2, 3}});
    EXPECT_EQ(faceLight(flat, flat.faces[0], style), kAmbientLight);  // no normal
    EXPECT_EQ(shade({200, 100, 0}, 0.5), (Rgb{100, 50, 0}));
    EXPECT_EQ(shade({200, 100, 0}, std::nan("")), (Rgb{0, 0, 0}));
}

// Each outline choice in each shading on a one-face model: the outline
// against the fill. Outlines as shaded keep the flat look's own pen and brush.
TEST(LitFacesTest, outlineChoicesHoldInBothShadings) {
    enum class Expect { EyePens, Darker, Equal };
    struct Case {
        Shading shading;
        LitOutline outline;
        Expect expect;
    };
    const Case cases[] = {
        {Shading::Flat, LitOutline::AsShaded, Expect::EyePens},
        {Shading::Flat, LitOutline::Darker, Expect::Darker},
        {Shading::Flat, LitOutline::None, Expect::Equal},
        {Shading::Lit, LitOutline::AsShaded, Expect::Darker},
        {Shading::Lit, LitOutline::Darker, Expect::Darker},
        {Shading::Lit, LitOutline::None, Expect::Equal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << shadingName(c.shading) << " outline " << static_cast<int>(c.outline));
        ViewState s = laidOut(640, 480);
        ViewOptions options;
        options.shading = c.shading;
        options.outline = c.outline;
        s.setOptions(options);
        std::vector<Op> log;
        RecordingSurface window(log, "window");
        createTools(s, window);
        s.scene = std::make_unique<Scena>(testing::squareFace());
        buildTransforms(s);
        PaintBuffers buffers;
        EXPECT_FALSE(drawStereoScreen(s, window, buffers, "/nonexistent-dir/report.txt"));
        int polygons = 0;
        for (const Op& op : log) {
            if (op.kind != "polygon") {
                continue;
            }
            ++polygons;
            const bool left = op.surface == "memory";
            const Pen flatPen = left ? s.penRed : s.penGreen;
            const Brush flatBrush = left ? s.brushRed : s.brushGreen;
            if (c.shading == Shading::Flat) {
                EXPECT_EQ(op.brush, flatBrush);
            } else {
                // Square seen face on from the eye: nearly full light.
                const Rgb full = flatPen.colour;
                EXPECT_GE(luminance(op.brush.colour), 0.9 * luminance(full));
                EXPECT_LE(luminance(op.brush.colour), luminance(full));
            }
            switch (c.expect) {
                case Expect::EyePens:
                    EXPECT_EQ(op.pen, flatPen);
                    break;
                case Expect::Darker:
                    EXPECT_EQ(op.pen.colour, shade(op.brush.colour, kOutlineShade));
                    EXPECT_LT(luminance(op.pen.colour), luminance(op.brush.colour));
                    break;
                case Expect::Equal:
                    EXPECT_EQ(op.pen.colour, op.brush.colour);
                    break;
            }
        }
        EXPECT_EQ(polygons, 2);
        EXPECT_EQ(window.pen(), (Pen{1, {0, 0, 0}}));  // put back
        EXPECT_EQ(window.brush(), Brush::white());
    }
}

}  // namespace
}  // namespace kelpris
