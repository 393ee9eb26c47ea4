// Turntable frames: their azimuths and delays, and the stereo palette that
// must keep flat colours exact and the two eyes apart.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "render/lit_drawing.h"
#include "view/turntable.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

TEST(TurntableTest, framesTurnByEqualWrappedStepsFromTheStart) {
    struct Case {
        float start;
        int frames;
        float degrees;
        std::vector<double> want;
    };
    const double pi = PI;
    const Case cases[] = {
        // A whole turn never shows the start twice.
        {0.0f, 4, 360.0f, {0.0, pi / 2, pi, 3 * pi / 2}},
        // Less than a whole turn, across the wrap at 2*PI.
        {6.0f, 3, 90.0f, {6.0, 6.0 + pi / 6 - 2 * pi, 6.0 + pi / 3 - 2 * pi}},
        {1.0f, 1, 45.0f, {1.0}},
    };
    for (const Case& c : cases) {
        const std::vector<float> angles = turntableAngles(c.start, c.frames, c.degrees);
        ASSERT_EQ(angles.size(), c.want.size());
        for (std::size_t k = 0; k < angles.size(); ++k) {
            EXPECT_NEAR(angles[k], c.want[k], 1e-5) << c.start << " frame " << k;
            EXPECT_EQ(angles[k], wrapAngle(angles[k]));  // already as the view keeps it
        }
    }
    // As fast as View > Spin, but no frame shorter than viewers honour.
    EXPECT_EQ(turntableFrameDelay(12, 360.0f), 60);
    EXPECT_EQ(turntableFrameDelay(1000, 360.0f), 2);
}

Pixel channelsOf(Rgb c) {
    return (c.r != 0 ? 0xFF0000u : 0u) | (c.g != 0 ? 0xFF00u : 0u) | (c.b != 0 ? 0xFFu : 0u);
}

Pixel orOf(Rgb a, Rgb b) {
    return toPixel(a) | toPixel(b);
}

TEST(TurntableTest, stereoPaletteKeepsFlatColoursExactAndTheEyesApart) {
    const Rgb frame{200, 0, 200};
    for (const GlassesPair pair : kAllGlassesPairs) {
        for (const GlassesChoice choice :
             {GlassesChoice{pair, false, 0}, GlassesChoice{pair, true, 60}}) {
            const StereoColours eyes = stereoColours(choice);
            const StereoPalette palette(eyes, frame);
            ASSERT_LE(palette.colours().size(), 256u);

            // Flat pictures: every mix of the eyes' colours, and the frame.
            std::vector<Pixel> flat{toPixel(frame)};
            for (Rgb l : {Rgb{}, eyes.left.line, eyes.left.face}) {
                for (Rgb r : {Rgb{}, eyes.right.line, eyes.right.face}) {
                    flat.push_back(orOf(l, r));
                }
            }
            // Lit shades, with each eye's shade beside several of the other's.
            std::vector<Pixel> lit;
            for (double f : {0.15, 0.47, 0.8 * 0.62, 0.93}) {
                const Rgb l = shade(eyes.left.line, f);
                for (double g : {0.0, 0.31, 0.77}) {
                    lit.push_back(orOf(l, shade(eyes.right.line, g)));
                }
            }
            std::vector<Pixel> all = flat;
            all.insert(all.end(), lit.begin(), lit.end());
            std::vector<std::uint8_t> indices;
            palette.quantise(PixelView{all.data(), static_cast<std::int32_t>(all.size()), 1,
                                       static_cast<std::int64_t>(all.size())},
                             indices);
            ASSERT_EQ(indices.size(), all.size());
            const auto got = [&](std::size_t i) {
                return toPixel(palette.colours().at(indices[i]));
            };
            for (std::size_t i = 0; i < flat.size(); ++i) {
                EXPECT_EQ(got(i), all[i]) << glassesName(pair) << " flat " << i;
            }
            const Pixel leftMask = channelsOf(eyes.left.line);
            for (std::size_t i = flat.size(); i < all.size(); ++i) {
                // Close on every channel; one eye's level never depends on the other's.
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int want = static_cast<int>((all[i] >> shift) & 0xFF);
                    const int have = static_cast<int>((got(i) >> shift) & 0xFF);
                    EXPECT_LE(std::abs(want - have), 10) << glassesName(pair) << " lit " << i;
                }
                // (A shade that happens to be the frame colour keeps that entry.)
                const std::size_t first = flat.size() + (i - flat.size()) / 3 * 3;
                if (all[i] != toPixel(frame) && all[first] != toPixel(frame)) {
                    EXPECT_EQ(got(i) & leftMask, got(first) & leftMask) << glassesName(pair);
                }
            }
        }
    }
}

}  // namespace
}  // namespace kelpris
