#pragma once
// Animated GIF in memory, encoded by giflib: a looping animation of
// palette pictures, and the palette pictures themselves for pictures that
// have no fixed palette of their own.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/result.h"
#include "render/raster.h"

namespace kelpris {

/// Most colours a GIF palette holds.
inline constexpr std::size_t kGifPaletteSize = 256;

/// A picture as palette indices, row after row.
struct IndexedPicture {
    std::vector<Rgb> palette;  ///< at most kGifPaletteSize colours
    std::vector<std::uint8_t> indices;
};

/// `picture` with a palette of exactly its colours, in the order they first
/// appear; nothing when it has more than kGifPaletteSize colours.
std::optional<IndexedPicture> exactIndexed(const PixelView& picture);

/// exactIndexed where the colours fit; otherwise the kGifPaletteSize colours
/// that cover the most pixels are kept exactly and each other colour takes
/// the nearest of them (no dithering).
IndexedPicture indexedPicture(const PixelView& picture);

/// A GIF animation of equal-sized frames that loops forever, built in memory.
/// The failures it returns name no file (the caller knows where the bytes
/// go); they carry giflib's reason.
class GifAnimation {
  public:
    /// Starts an animation of `width` x `height` pixels (1..65535 each) with
    /// `palette` (at most kGifPaletteSize colours) as the colours every frame
    /// uses unless it brings its own; an empty palette means every frame
    /// brings its own.
    static Result<GifAnimation> start(int width, int height, std::span<const Rgb> palette);

    GifAnimation(GifAnimation&&) noexcept;
    GifAnimation& operator=(GifAnimation&&) noexcept;
    ~GifAnimation();

    /// Adds a frame of width * height palette indices, shown for `delay`
    /// hundredths of a second (clamped to 0..65535). With `ownPalette`
    /// non-empty the indices refer to it instead of the animation's palette.
    /// Every index must lie within the palette it refers to.
    [[nodiscard]] FileStatus addFrame(std::span<const std::uint8_t> indices, int delay,
                                      std::span<const Rgb> ownPalette = {});

    /// Number of frames added so far.
    int frames() const noexcept;

    /// Ends the animation and hands over the whole file's bytes. The
    /// animation cannot be used afterwards.
    [[nodiscard]] Result<std::string> finish();

  private:
    struct Encoder;
    explicit GifAnimation(std::unique_ptr<Encoder> encoder);
    std::unique_ptr<Encoder> encoder_;
};

}  // namespace kelpris
