#include "view/qt/turntable_export.h"

#include <QImage>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "render/gif_animation.h"
#include "view/qt/kelpr_view.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

// The drawing code's view of a picture's pixels; only read here.
PixelView pixelsOf(const QImage& image) {
    return PixelView{reinterpret_cast<Pixel*>(const_cast<uchar*>(image.constBits())), image.width(),
                     image.height(), image.bytesPerLine() / 4};
}

// How the frames of the screen shown become palette pictures.
class FrameIndexer {
  public:
    explicit FrameIndexer(const ViewState& state) {
        if (state.stereoMode == Screen::Stereo) {
            // The colours the stereo paint draws with, whatever chose them.
            const StereoColours eyes{{state.penRed.colour, state.brushRed.colour},
                                     {state.penGreen.colour, state.brushGreen.colour}};
            stereo_.emplace(eyes, state.penFrame.colour);
        }
    }

    // The palette every frame shares; empty when each brings its own.
    std::span<const Rgb> sharedPalette() const {
        return stereo_ ? std::span<const Rgb>(stereo_->colours()) : std::span<const Rgb>();
    }

    void index(const QImage& picture, IndexedPicture& out) const {
        if (stereo_) {
            out.palette.clear();
            stereo_->quantise(pixelsOf(picture), out.indices);
        } else {
            out = indexedPicture(pixelsOf(picture));
        }
    }

  private:
    std::optional<StereoPalette> stereo_;
};

}  // namespace

std::optional<FileStatus> writeTurntable(CKELPRView& view, const TurntableRequest& request,
                                         const std::filesystem::path& path,
                                         const TurntableProgress& progress) {
    const auto failed = [&path](const std::string& reason) {
        return FileStatus::failure(path.string(), 0, reason);
    };
    const ViewState& state = view.state();
    const FrameIndexer indexer(state);
    const std::vector<float> angles = turntableAngles(state.yaw, request.frames, request.degrees);
    const int delay = turntableFrameDelay(request.frames, request.degrees);
    Result<GifAnimation> gif =
        GifAnimation::start(request.size.width(), request.size.height(), indexer.sharedPalette());
    if (!gif) {
        return failed(gif.status().reason);
    }
    const int total = static_cast<int>(angles.size());
    IndexedPicture frame;
    for (int k = 0; k < total; ++k) {
        const QImage picture =
            view.renderScreenAtYaw(request.size, angles[static_cast<std::size_t>(k)]);
        if (picture.isNull()) {
            return failed("there is not enough memory to draw the frames");
        }
        indexer.index(picture, frame);
        if (const FileStatus added = gif->addFrame(frame.indices, delay, frame.palette); !added) {
            return failed(added.reason);
        }
        if (progress && !progress(k + 1, total)) {
            return std::nullopt;
        }
    }
    Result<std::string> bytes = gif->finish();
    if (!bytes) {
        return failed(bytes.status().reason);
    }
    return writeFileAtomically(path, *bytes);
}

}  // namespace kelpris
