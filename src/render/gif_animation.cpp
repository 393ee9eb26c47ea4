#include "render/gif_animation.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <unordered_map>

namespace kelpris {

namespace {

constexpr Pixel kColourBits = 0x00FFFFFFu;
constexpr int kLargestSide = 65535;

FileStatus gifFailure(const std::string& what, int error) {
    const char* reason = GifErrorString(error);
    return FileStatus::failure({}, 0,
                               what + ": " + (reason != nullptr ? reason : "unknown GIF error"));
}

struct MapFree {
    void operator()(ColorMapObject* map) const noexcept { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFree>;

// A colour table for giflib, padded with black to the power of two it needs.
ColourMap colourMap(std::span<const Rgb> palette) {
    const std::size_t used = std::min(palette.size(), kGifPaletteSize);
    std::array<GifColorType, kGifPaletteSize> colours{};
    for (std::size_t i = 0; i < used; ++i) {
        colours[i] = GifColorType{palette[i].r, palette[i].g, palette[i].b};
    }
    const int size = 1 << GifBitSize(static_cast<int>(std::max<std::size_t>(used, 2)));
    return ColourMap(GifMakeMapObject(size, colours.data()));
}

// Calls `f(colour, count)` for each run of pixels of one colour, row after
// row: the pictures are mostly long runs.
template <class F>
void forEachRun(const PixelView& picture, F&& f) {
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.row(y);
        std::int32_t x = 0;
        while (x < picture.width) {
            const Pixel colour = row[x] & kColourBits;
            const std::int32_t start = x;
            while (x < picture.width && (row[x] & kColourBits) == colour) {
                ++x;
            }
            f(colour, static_cast<std::size_t>(x - start));
        }
    }
}

std::uint8_t nearestColour(const std::vector<Rgb>& palette, Pixel pixel) {
    const Rgb c = toRgb(pixel);
    const auto distance = [c](Rgb p) {
        const int r = int{p.r} - c.r;
        const int g = int{p.g} - c.g;
        const int b = int{p.b} - c.b;
        return r * r + g * g + b * b;
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette.size(); ++i) {
        if (distance(palette[i]) < distance(palette[best])) {
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// giflib's output: appends to the animation's bytes. No exception may pass
// through giflib's C frames, so running out of memory becomes its own write
// failure.
int appendBytes(GifFileType* gif, const GifByteType* bytes, int length) noexcept {
    try {
        auto* out = static_cast<std::string*>(gif->UserData);
        out->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        return length;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace

std::optional<IndexedPicture> exactIndexed(const PixelView& picture) {
    IndexedPicture out;
    if (picture.empty()) {
        return out;
    }
    out.indices.resize(static_cast<std::size_t>(picture.width) *
                       static_cast<std::size_t>(picture.height));
    std::unordered_map<Pixel, std::uint8_t> seen;
    Pixel last = 0;
    std::uint8_t lastIndex = 0;
    bool haveLast = false;
    std::size_t i = 0;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.row(y);
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const Pixel p = row[x] & kColourBits;
            if (!haveLast || p != last) {
                const auto found = seen.find(p);
                if (found != seen.end()) {
                    lastIndex = found->second;
                } else if (out.palette.size() == kGifPaletteSize) {
                    return std::nullopt;
                } else {
                    lastIndex = static_cast<std::uint8_t>(out.palette.size());
                    seen.emplace(p, lastIndex);
                    out.palette.push_back(toRgb(p));
                }
                last = p;
                haveLast = true;
            }
            out.indices[i++] = lastIndex;
        }
    }
    return out;
}

IndexedPicture indexedPicture(const PixelView& picture) {
    if (std::optional<IndexedPicture> exact = exactIndexed(picture)) {
        return std::move(*exact);
    }
    std::unordered_map<Pixel, std::size_t> counts;
    forEachRun(picture, [&counts](Pixel p, std::size_t n) { counts[p] += n; });
    // The colours that cover the most pixels stay exact: the drawing's own
    // few colours (background, lines, text) always do; what is left are the
    // rare edge shades of pictures, which take the nearest kept colour.
    std::vector<std::pair<Pixel, std::size_t>> byUse(counts.begin(), counts.end());
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    IndexedPicture out;
    std::unordered_map<Pixel, std::uint8_t> index;
    for (std::size_t i = 0; i < kGifPaletteSize; ++i) {
        index.emplace(byUse[i].first, static_cast<std::uint8_t>(i));
        out.palette.push_back(toRgb(byUse[i].first));
    }
    for (std::size_t i = kGifPaletteSize; i < byUse.size(); ++i) {
        index.emplace(byUse[i].first, nearestColour(out.palette, byUse[i].first));
    }
    out.indices.reserve(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height));
    forEachRun(picture, [&](Pixel p, std::size_t n) {
        out.indices.insert(out.indices.end(), n, index.at(p));
    });
    return out;
}

struct GifAnimation::Encoder {
    std::string bytes;  // giflib appends here through UserData
    GifFileType* gif = nullptr;
    int width = 0;
    int height = 0;
    int frames = 0;

    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder() { close(); }

    int close() noexcept {
        int error = 0;
        if (gif != nullptr && EGifCloseFile(gif, &error) == GIF_ERROR) {
            gif = nullptr;
            return error != 0 ? error : E_GIF_ERR_WRITE_FAILED;
        }
        gif = nullptr;
        return 0;
    }

    // The application extension that makes viewers play the frames forever.
    bool putLoopForever() noexcept {
        static constexpr char kNetscape[] = "NETSCAPE2.0";
        const GifByteType loop[3] = {1, 0, 0};  // sub-block 1, loop count 0: forever
        return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
               EGifPutExtensionBlock(gif, 11, kNetscape) == GIF_OK &&
               EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
               EGifPutExtensionTrailer(gif) == GIF_OK;
    }
};

GifAnimation::GifAnimation(std::unique_ptr<Encoder> encoder) : encoder_(std::move(encoder)) {}
GifAnimation::GifAnimation(GifAnimation&&) noexcept = default;
GifAnimation& GifAnimation::operator=(GifAnimation&&) noexcept = default;
GifAnimation::~GifAnimation() = default;

Result<GifAnimation> GifAnimation::start(int width, int height, std::span<const Rgb> palette) {
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
        return FileStatus::failure({}, 0, "a GIF picture is 1 to 65535 pixels each way");
    }
    auto encoder = std::make_unique<Encoder>();
    int error = 0;
    encoder->gif = EGifOpen(&encoder->bytes, &appendBytes, &error);
    if (encoder->gif == nullptr) {
        return gifFailure("cannot start the GIF", error);
    }
    encoder->width = width;
    encoder->height = height;
    EGifSetGifVersion(encoder->gif, true);  // GIF89a: delays and the loop
    const ColourMap global = palette.empty() ? nullptr : colourMap(palette);
    if ((!palette.empty() && global == nullptr) ||
        EGifPutScreenDesc(encoder->gif, width, height, 8, 0, global.get()) == GIF_ERROR ||
        !encoder->putLoopForever()) {
        return gifFailure("cannot start the GIF", encoder->gif->Error);
    }
    return GifAnimation(std::move(encoder));
}

FileStatus GifAnimation::addFrame(std::span<const std::uint8_t> indices, int delay,
                                  std::span<const Rgb> ownPalette) {
    Encoder& e = *encoder_;
    const std::size_t width = static_cast<std::size_t>(e.width);
    if (e.gif == nullptr || indices.size() != width * static_cast<std::size_t>(e.height)) {
        return FileStatus::failure({}, 0, "a GIF frame must match the animation's size");
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = std::clamp(delay, 0, kLargestSide);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    const ColourMap own = ownPalette.empty() ? nullptr : colourMap(ownPalette);
    if (!ownPalette.empty() && own == nullptr) {
        return gifFailure("cannot add a GIF frame", E_GIF_ERR_NOT_ENOUGH_MEM);
    }
    if (EGifPutExtension(e.gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_ERROR ||
        EGifPutImageDesc(e.gif, 0, 0, e.width, e.height, false, own.get()) == GIF_ERROR) {
        return gifFailure("cannot add a GIF frame", e.gif->Error);
    }
    // giflib takes the lines as non-const but only reads them.
    std::vector<GifPixelType> line(width);
    for (int y = 0; y < e.height; ++y) {
        std::memcpy(line.data(), indices.data() + static_cast<std::size_t>(y) * width, width);
        if (EGifPutLine(e.gif, line.data(), e.width) == GIF_ERROR) {
            return gifFailure("cannot add a GIF frame", e.gif->Error);
        }
    }
    ++e.frames;
    return FileStatus{};
}

int GifAnimation::frames() const noexcept {
    return encoder_->frames;
}

Result<std::string> GifAnimation::finish() {
    Encoder& e = *encoder_;
    if (e.gif == nullptr) {
        return FileStatus::failure({}, 0, "the GIF has already been finished");
    }
    if (const int error = e.close(); error != 0) {
        return gifFailure("cannot finish the GIF", error);
    }
    return std::move(e.bytes);
}

}  // namespace kelpris
