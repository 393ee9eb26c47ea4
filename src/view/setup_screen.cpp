#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "scene/number_text.h"
#include "view/int_math.h"
#include "view/view_logic.h"

namespace kelpris {

using detail::sat;

namespace {

constexpr float kSetupScale = 0.2f;
constexpr Pen kAxisPen{2, {255, 0, 0}};
constexpr Rgb kTextColour{255, 0, 0};

// Both axes of one view: -200..+200 model units along x, y, z, label at +200.
void drawAxes(DrawingSurface& window, const Matrix4& xf, std::int32_t originX,
              std::int32_t originY) {
    struct Axis {
        std::int32_t x, y, z;
        const char* label;
    };
    static constexpr std::array<Axis, 3> axes{{{1, 0, 0, "x"}, {0, 1, 0, "y"}, {0, 0, 1, "z"}}};
    for (const Axis& a : axes) {
        const ParallelPoint from =
            xf.projectParallel(-200 * a.x, -200 * a.y, -200 * a.z, kSetupScale, originX, originY);
        const ParallelPoint to =
            xf.projectParallel(200 * a.x, 200 * a.y, 200 * a.z, kSetupScale, originX, originY);
        window.moveTo(from.x, from.y);
        window.lineTo(to.x, to.y);
        window.textOut(to.x, to.y, a.label);
    }
}

// "%f" digits with a point whatever LC_NUMERIC the toolkit has set.
void drawAngleTexts(const ViewState& state, DrawingSurface& window) {
    window.textOut(5, 5, "PITCH(zenit) = " + formatFixed6(state.pitch));
    window.textOut(5, sat(std::int64_t{state.midY} + 5),
                   "YAU(azimut) = " + formatFixed6(state.yaw));
}

void drawPreviewEye(ViewState& state, DrawingSurface& memory, std::int32_t eyeSign, int mode) {
    state.scene->projectAllStereo(state.stereoXf, previewParams(state, eyeSign));
    state.scene->draw(memory, mode);
}

void framePreviewBox(const ViewState& state, DrawingSurface& window) {
    using I64 = std::int64_t;
    const std::int32_t left = state.previewX;
    const std::int32_t top = state.previewY;
    const std::int32_t right = sat(I64{left} + state.previewW);
    const std::int32_t bottom = sat(I64{top} + state.previewH);
    window.moveTo(left, top);
    window.lineTo(right, top);
    window.lineTo(right, bottom);
    window.lineTo(left, bottom);
    window.lineTo(left, top);
}

}  // namespace

void drawSetupScreen(ViewState& state, DrawingSurface& window) {
    using I64 = std::int64_t;
    Scena& scene = *state.scene;
    buildTransforms(state);

    {  // White background with the fresh surface's black 1-pixel outline.
        ScopedBrush white(window, Brush::white());
        window.rectangle(0, 0, sat(I64{state.clientW} + 2), state.clientH);
    }

    scene.projectAllParallel(state.planXf, kSetupScale, state.modelX, state.planY);
    scene.drawSetupView(window);
    scene.projectAllParallel(state.sideXf, kSetupScale, state.modelX, state.sideY);
    scene.drawSetupView(window);

    window.moveTo(0, state.midY);
    window.lineTo(state.clientW, state.midY);

    window.setTextColour(kTextColour);  // stays set: later text is red too
    {
        ScopedPen axisPen(window, kAxisPen);
        drawAxes(window, state.sideXf, state.modelX, state.sideY);
        drawAxes(window, state.planXf, state.modelX, state.planY);
    }
    drawAngleTexts(state, window);

    // Declared in this order so the memory surface gets its own bitmap back
    // before the preview bitmap is freed, and outlives both.
    std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
    std::unique_ptr<Bitmap> preview;
    std::optional<ScopedBitmap> memoryBitmap;
    auto selectIntoMemory = [&](Bitmap* bitmap) {
        if (memoryBitmap) {
            memoryBitmap->select(bitmap);
        } else {
            memoryBitmap.emplace(*memory, bitmap);
        }
    };

    // Observer pictures; an empty one (it could not be loaded) is skipped
    // rather than copying whatever the memory surface happens to hold.
    if (state.bmpObserverSide) {
        selectIntoMemory(state.bmpObserverSide.get());
        window.bitBlt(sat(I64{state.clientW} - 140), sat(I64{state.sideY} - 50), 140, 140, *memory,
                      0, 0, RasterOp::SrcCopy);
    }
    if (state.bmpObserverTop) {
        selectIntoMemory(state.bmpObserverTop.get());
        window.bitBlt(sat(I64{state.clientW} - 90), sat(I64{state.planY} - 70), 70, 140, *memory, 0,
                      0, RasterOp::SrcCopy);
    }

    // Preview: green eye, then the red eye over it on the same black picture.
    preview = window.createCompatibleBitmap(state.previewW, state.previewH);
    if (preview) {
        selectIntoMemory(preview.get());
        {
            ScopedBrush black(*memory, state.brushBlack);
            memory->rectangle(0, 0, state.previewW, state.previewH);
        }
        const int mode = scene.faceModel != 0 ? 1 : 0;
        ScopedPen eyePen(*memory, state.penGreen);
        drawPreviewEye(state, *memory, +1, mode);
        eyePen.select(state.penRed);
        drawPreviewEye(state, *memory, -1, mode);
    }

    ScopedPen framePen(window, state.penFrame);
    window.moveTo(state.planeX, sat(I64{state.sideY} - 60));
    window.lineTo(state.planeX, sat(I64{state.sideY} + 60));
    window.moveTo(state.planeX, sat(I64{state.planY} - 80));
    window.lineTo(state.planeX, sat(I64{state.planY} + 80));

    if (preview) {
        window.bitBlt(state.previewX, state.previewY, state.previewW, state.previewH, *memory, 0, 0,
                      RasterOp::SrcCopy);
    }
    framePreviewBox(state, window);
}

}  // namespace kelpris
