#include "view/turntable.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/lit_drawing.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

constexpr Pixel kColourBits = 0x00FFFFFFu;

// 0xFF in every channel where the colour has any light.
constexpr Pixel channelMask(Rgb colour) noexcept {
    return (colour.r != 0 ? 0xFF0000u : 0u) | (colour.g != 0 ? 0x00FF00u : 0u) |
           (colour.b != 0 ? 0x0000FFu : 0u);
}

int squaredDistance(Pixel a, Pixel b) noexcept {
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d =
            static_cast<int>((a >> shift) & 0xFFu) - static_cast<int>((b >> shift) & 0xFFu);
        sum += d * d;
    }
    return sum;
}

}  // namespace

std::vector<float> turntableAngles(float startYaw, int frames, float degrees) {
    const int n = std::clamp(frames, 1, kMaxTurntableFrames);
    // A full turn is the wrap's own 2*PI, so the frame after the last would
    // be the first again.
    const double turn = 2.0 * static_cast<double>(PI) * (static_cast<double>(degrees) / 360.0);
    std::vector<float> angles;
    angles.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double sum = static_cast<double>(startYaw) + turn * k / n;
        angles.push_back(wrapAngle(static_cast<float>(sum)));
    }
    return angles;
}

int turntableFrameDelay(int frames, float degrees) noexcept {
    constexpr double kSpinCentisecondsPerDegree = 2.0;  // 4 cs per 2 degrees
    constexpr double kShortest = 2.0;
    constexpr double kLongest = std::numeric_limits<std::uint16_t>::max();
    const double delay =
        kSpinCentisecondsPerDegree * static_cast<double>(degrees) / std::max(frames, 1);
    if (!(delay >= kShortest)) {
        return static_cast<int>(kShortest);  // also NaN
    }
    return static_cast<int>(std::lround(std::min(delay, kLongest)));
}

StereoPalette::Eye StereoPalette::eyeLevels(const EyeColours& colours) {
    Eye eye;
    eye.mask = channelMask(colours.line) | channelMask(colours.face);
    // Black, the flat face colour, and a ramp of the line colour up to the
    // line colour itself (lit faces and their outlines are shades of it).
    std::vector<Pixel> levels{0u, toPixel(colours.face) & kColourBits};
    constexpr int kRampSteps = kEyeLevels - 2;
    for (int k = 1; k <= kRampSteps; ++k) {
        levels.push_back(toPixel(shade(colours.line, static_cast<double>(k) / kRampSteps)) &
                         kColourBits);
    }
    for (Pixel level : levels) {
        if (std::find(eye.levels.begin(), eye.levels.end(), level) == eye.levels.end()) {
            eye.levels.push_back(level);
        }
    }
    return eye;
}

StereoPalette::StereoPalette(const StereoColours& colours, Rgb frameColour)
    : left_(eyeLevels(colours.left)),
      right_(eyeLevels(colours.right)),
      frame_(toPixel(frameColour) & kColourBits) {
    for (Pixel l : left_.levels) {
        for (Pixel r : right_.levels) {
            colours_.push_back(toRgb(l | r));
        }
    }
    colours_.push_back(frameColour);
}

std::size_t StereoPalette::nearest(const Eye& eye, Pixel pixel) noexcept {
    const Pixel own = pixel & eye.mask;
    std::size_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < eye.levels.size(); ++i) {
        const int d = squaredDistance(own, eye.levels[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

std::uint8_t StereoPalette::indexOf(Pixel pixel) const noexcept {
    if (pixel == frame_) {
        return static_cast<std::uint8_t>(colours_.size() - 1);
    }
    const std::size_t index = nearest(left_, pixel) * right_.levels.size() + nearest(right_, pixel);
    return static_cast<std::uint8_t>(index);
}

void StereoPalette::quantise(const PixelView& picture, std::vector<std::uint8_t>& out) const {
    if (picture.empty()) {
        out.clear();
        return;
    }
    out.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    // Long runs of one colour: look a colour up only when it changes.
    Pixel last = 0;
    std::uint8_t lastIndex = indexOf(last);
    std::size_t i = 0;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.row(y);
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const Pixel p = row[x] & kColourBits;
            if (p != last) {
                last = p;
                lastIndex = indexOf(p);
            }
            out[i++] = lastIndex;
        }
    }
}

}  // namespace kelpris
