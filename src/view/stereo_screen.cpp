#include <cstdint>
#include <memory>
#include <optional>

#include "geometry/scene_projection.h"
#include "render/scene_drawing.h"
#include "view/int_math.h"
#include "view/shading.h"
#include "view/view_logic.h"

namespace kelpris {

using detail::sat;

namespace {

void fillBlack(const ViewState& state, DrawingSurface& surface) {
    // Outlined by the surface's own black pen.
    ScopedBrush black(surface, state.brushBlack);
    surface.rectangle(0, 0, state.clientW, state.clientH);
}

struct EyeTools {
    std::int32_t sign;  ///< +1 right eye, -1 left eye
    Pen pen;
    Brush brush;
};

// One eye's picture. The right eye, drawn first, orders the faces: the depth
// of a vertex does not depend on the eye, so its order serves both eyes.
std::optional<FileStatus> drawEye(ViewState& state, DrawingSurface& surface, const EyeTools& eye,
                                  const std::filesystem::path& reportPath) {
    Scena& scene = *state.scene;
    const bool faces = scene.isFaceModel();
    std::optional<FileStatus> sortStatus;
    ScopedPen pen(surface, eye.pen);
    ScopedBrush brush(surface, eye.brush);
    projectAllStereo(scene, state.stereoXf, stereoScreenParams(state, eye.sign));
    if (faces && eye.sign > 0) {
        sortStatus = scene.sortFaces(reportPath);
    }
    drawShaded(state, surface, faces ? DrawMode::SortedFaces : DrawMode::Edges, eye.pen.colour);
    return sortStatus;
}

void drawFrame(const ViewState& state, DrawingSurface& window) {
    using I64 = std::int64_t;
    ScopedPen frame(window, state.penFrame);
    const std::int32_t right = sat(I64{state.clientW} - 2);
    const std::int32_t bottom = sat(I64{state.clientH} - 2);
    window.moveTo(2, 2);
    window.lineTo(right, 2);
    window.lineTo(right, bottom);
    window.lineTo(2, bottom);
    window.lineTo(2, 2);
}

}  // namespace

std::optional<FileStatus> drawStereoScreen(ViewState& state, DrawingSurface& window,
                                           const std::filesystem::path& reportPath) {
    fillBlack(state, window);
    // Right eye, green, straight onto the window.
    std::optional<FileStatus> sortStatus =
        drawEye(state, window, {+1, state.penGreen, state.brushGreen}, reportPath);

    // Left eye, red, on its own black picture, then ORed onto the window.
    std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
    std::unique_ptr<Bitmap> picture = window.createCompatibleBitmap(state.clientW, state.clientH);
    if (memory && picture) {
        ScopedBitmap selected(*memory, picture.get());
        fillBlack(state, *memory);
        (void)drawEye(state, *memory, {-1, state.penRed, state.brushRed}, reportPath);
        window.bitBlt(0, 0, state.clientW, state.clientH, *memory, 0, 0, RasterOp::SrcPaint);
    }

    drawFrame(state, window);
    return sortStatus;
}

}  // namespace kelpris
