#include <cstdint>
#include <memory>
#include <optional>

#include "view/int_math.h"
#include "view/view_logic.h"

namespace kelpris {

using detail::sat;

std::optional<FileStatus> drawStereoScreen(ViewState& state, DrawingSurface& window,
                                           const std::filesystem::path& reportPath) {
    using I64 = std::int64_t;
    Scena& scene = *state.scene;
    const bool faces = scene.faceModel != 0;
    const int mode = faces ? 2 : 0;
    std::optional<FileStatus> sortStatus;

    {  // Black background, outlined by the fresh surface's black pen.
        ScopedBrush black(window, state.brushBlack);
        window.rectangle(0, 0, state.clientW, state.clientH);
    }

    {  // Right eye, green, straight onto the window. The depth of a vertex does
       // not depend on the eye, so this order serves the left eye as well.
        ScopedPen pen(window, state.penGreen);
        ScopedBrush brush(window, state.brushGreen);
        scene.projectAllStereo(state.stereoXf, stereoScreenParams(state, +1));
        if (faces) {
            sortStatus = scene.sortFaces(reportPath);
        }
        scene.draw(window, mode);
    }

    {  // Left eye, red, on its own black picture, then ORed onto the window.
        std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
        std::unique_ptr<Bitmap> picture =
            window.createCompatibleBitmap(state.clientW, state.clientH);
        if (memory && picture) {
            ScopedBitmap selected(*memory, picture.get());
            {
                ScopedBrush black(*memory, state.brushBlack);
                memory->rectangle(0, 0, state.clientW, state.clientH);
            }
            {
                ScopedPen pen(*memory, state.penRed);
                ScopedBrush brush(*memory, state.brushRed);
                scene.projectAllStereo(state.stereoXf, stereoScreenParams(state, -1));
                scene.draw(*memory, mode);
            }
            window.bitBlt(0, 0, state.clientW, state.clientH, *memory, 0, 0, RasterOp::SrcPaint);
        }
    }

    ScopedPen frame(window, state.penFrame);
    const std::int32_t right = sat(I64{state.clientW} - 2);
    const std::int32_t bottom = sat(I64{state.clientH} - 2);
    window.moveTo(2, 2);
    window.lineTo(right, 2);
    window.lineTo(right, bottom);
    window.lineTo(2, bottom);
    window.lineTo(2, 2);
    return sortStatus;
}

}  // namespace kelpris
