#pragma once
// Turntable animations: the azimuths of the frames, how long each frame is
// shown, and the fixed palette of the stereo screen's frames. A stereo
// picture holds only the two eyes' colour channels (disjoint for every pair of
// glasses) plus the frame colour, so a palette of left-eye levels times
// right-eye levels plus the frame colour describes every pixel; flat colours
// are exact, lit shades go to the nearest level of their own eye.

#include <cstdint>
#include <vector>

#include "render/raster.h"
#include "view/glasses.h"

namespace kelpris {

/// Most frames one animation may have.
inline constexpr int kMaxTurntableFrames = 1000;
/// A full turn, in degrees: the default and the largest turn.
inline constexpr float kFullTurnDegrees = 360.0f;

/// The azimuths of `frames` frames (at least 1) turning through `degrees`
/// (0 < degrees <= 360) from `startYaw`: frame k is at startYaw + k * step,
/// step = degrees / frames in the view's radians (360 degrees is 2*PI), the
/// sum formed in double, rounded to float and wrapped with wrapAngle. A full
/// turn therefore loops without showing the start twice.
std::vector<float> turntableAngles(float startYaw, int frames, float degrees);

/// How long each frame is shown, in hundredths of a second: the model turns
/// as fast as View > Spin does (2 degrees every 40 ms), but never faster than
/// a frame every 20 ms, the shortest delay viewers honour.
int turntableFrameDelay(int frames, float degrees) noexcept;

/// Levels each eye gets in the stereo palette (black included).
inline constexpr int kEyeLevels = 15;

/// The fixed palette of the stereo screen's frames for one set of eye colours.
class StereoPalette {
  public:
    StereoPalette(const StereoColours& colours, Rgb frameColour);

    /// Entry (left level, right level) is at index left * rightLevels + right;
    /// the frame colour follows them all. At most 256 entries.
    const std::vector<Rgb>& colours() const { return colours_; }

    /// Palette indices of `picture`, row after row, into `out` (resized to
    /// width * height). The frame colour maps to its own entry; any other
    /// pixel is split into the two eyes' channels, each matched to the
    /// nearest level of that eye.
    void quantise(const PixelView& picture, std::vector<std::uint8_t>& out) const;

  private:
    struct Eye {
        Pixel mask = 0;             ///< the eye's channels
        std::vector<Pixel> levels;  ///< black first
    };
    static Eye eyeLevels(const EyeColours& colours);
    static std::size_t nearest(const Eye& eye, Pixel pixel) noexcept;
    std::uint8_t indexOf(Pixel pixel) const noexcept;

    Eye left_;
    Eye right_;
    Pixel frame_ = 0;
    std::vector<Rgb> colours_;
};

}  // namespace kelpris
