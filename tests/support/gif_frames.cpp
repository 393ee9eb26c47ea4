#include "gif_frames.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>

namespace kelpris::testing {

namespace {

struct GifClose {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

bool isLoopForever(const SavedImage& first) {
    for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
        const ExtensionBlock& app = first.ExtensionBlocks[i];
        const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
        if (app.Function == APPLICATION_EXT_FUNC_CODE && app.ByteCount == 11 &&
            std::memcmp(app.Bytes, "NETSCAPE2.0", 11) == 0 && data.ByteCount == 3) {
            return data.Bytes[0] == 1 && data.Bytes[1] == 0 && data.Bytes[2] == 0;
        }
    }
    return false;
}

}  // namespace

DecodedGif decodeGif(const std::filesystem::path& path) {
    DecodedGif out;
    int error = 0;
    std::unique_ptr<GifFileType, GifClose> gif(DGifOpenFileName(path.c_str(), &error));
    if (!gif || DGifSlurp(gif.get()) == GIF_ERROR) {
        out.error = GifErrorString(gif ? gif->Error : error);
        return out;
    }
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        const GifImageDesc& d = image.ImageDesc;
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        if (map == nullptr || d.Left != 0 || d.Top != 0 || d.Width != gif->SWidth ||
            d.Height != gif->SHeight) {
            out.error = "frame " + std::to_string(k) + " is not a whole picture with colours";
            return out;
        }
        QImage frame(d.Width, d.Height, QImage::Format_RGB32);
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const int index = image.RasterBits[y * d.Width + x];
                const GifColorType c = map->Colors[index < map->ColorCount ? index : 0];
                frame.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
            }
        }
        out.frames.push_back(frame);
        GraphicsControlBlock control{};
        out.delays.push_back(
            DGifSavedExtensionToGCB(gif.get(), k, &control) == GIF_OK ? control.DelayTime : -1);
    }
    out.loopsForever = gif->ImageCount > 0 && isLoopForever(gif->SavedImages[0]);
    return out;
}

}  // namespace kelpris::testing
