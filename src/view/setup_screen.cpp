#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "geometry/scene_projection.h"
#include "render/scene_drawing.h"
#include "scene/number_text.h"
#include "view/int_math.h"
#include "view/paint_worker.h"
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

void drawPreviewEye(ViewState& state, DrawingSurface& memory, std::int32_t eyeSign, DrawMode mode) {
    projectAllStereo(*state.scene, state.stereoXf, previewParams(state, eyeSign));
    draw(*state.scene, memory, mode);
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

void drawBackground(const ViewState& state, DrawingSurface& window) {
    // White, outlined by the fresh surface's black 1-pixel pen.
    ScopedBrush white(window, Brush::white());
    window.rectangle(0, 0, sat(std::int64_t{state.clientW} + 2), state.clientH);
}

void drawModelViews(ViewState& state, DrawingSurface& window) {
    Scena& scene = *state.scene;
    projectAllParallel(scene, state.planXf, kSetupScale, state.modelX, state.planY);
    drawSetupView(scene, window);
    projectAllParallel(scene, state.sideXf, kSetupScale, state.modelX, state.sideY);
    drawSetupView(scene, window);
}

void drawMiddleLine(const ViewState& state, DrawingSurface& window) {
    window.moveTo(0, state.midY);
    window.lineTo(state.clientW, state.midY);
}

void drawBothAxes(const ViewState& state, DrawingSurface& window) {
    window.setTextColour(kTextColour);  // stays set: later text is red too
    ScopedPen axisPen(window, kAxisPen);
    drawAxes(window, state.sideXf, state.modelX, state.sideY);
    drawAxes(window, state.planXf, state.modelX, state.planY);
}

// The memory surface of one setup paint. Its first selection keeps the bitmap
// the surface started with, and that bitmap is selected back when the guard
// goes, before the pictures selected into it are freed.
class MemorySurface {
  public:
    explicit MemorySurface(DrawingSurface& window) : surface_(window.createCompatibleSurface()) {}
    DrawingSurface* get() const { return surface_.get(); }
    void select(Bitmap* bitmap) {
        if (selected_) {
            selected_->select(bitmap);
        } else {
            selected_.emplace(*surface_, bitmap);
        }
    }

  private:
    std::unique_ptr<DrawingSurface> surface_;
    std::optional<ScopedBitmap> selected_;
};

// An empty picture (it could not be loaded) is skipped rather than copying
// whatever the memory surface happens to hold.
void drawObservers(const ViewState& state, DrawingSurface& window, MemorySurface& memory) {
    using I64 = std::int64_t;
    if (state.bmpObserverSide) {
        memory.select(state.bmpObserverSide.get());
        window.bitBlt(sat(I64{state.clientW} - 140), sat(I64{state.sideY} - 50), 140, 140,
                      *memory.get(), 0, 0, RasterOp::SrcCopy);
    }
    if (state.bmpObserverTop) {
        memory.select(state.bmpObserverTop.get());
        window.bitBlt(sat(I64{state.clientW} - 90), sat(I64{state.planY} - 70), 70, 140,
                      *memory.get(), 0, 0, RasterOp::SrcCopy);
    }
}

// Green eye, then the red eye over it, on one black picture; faces keep the
// memory surface's white brush and file order.
void drawPreview(ViewState& state, DrawingSurface& memory) {
    {
        ScopedBrush black(memory, state.brushBlack);
        memory.rectangle(0, 0, state.previewW, state.previewH);
    }
    const DrawMode mode = state.scene->isFaceModel() ? DrawMode::Faces : DrawMode::Edges;
    ScopedPen eyePen(memory, state.penGreen);
    drawPreviewEye(state, memory, +1, mode);
    eyePen.select(state.penRed);
    drawPreviewEye(state, memory, -1, mode);
}

// The preview from its own projection buffer, for the worker thread: the
// same calls on the memory surface as drawPreview.
void drawPreviewFrom(const ViewState& state, DrawingSurface& memory,
                     std::span<const FaceCorners> faces, std::vector<ProjectedVertex>& projected) {
    {
        ScopedBrush black(memory, state.brushBlack);
        memory.rectangle(0, 0, state.previewW, state.previewH);
    }
    const Scena& scene = *state.scene;
    const auto drawEye = [&](std::int32_t eyeSign) {
        projectStereoInto(scene, state.stereoXf, previewParams(state, eyeSign), projected);
        if (scene.isFaceModel()) {
            drawFaces(faces, projected, memory);
        } else {
            drawEdges(scene, projected, memory);
        }
    };
    ScopedPen eyePen(memory, state.penGreen);
    drawEye(+1);
    eyePen.select(state.penRed);
    drawEye(-1);
}

// Both model views from one buffer on the calling thread; returns the side
// view's projected centre, the one the vertices' projection keeps.
ParallelPoint drawModelViewsFrom(const ViewState& state, DrawingSurface& window,
                                 std::span<const FaceCorners> faces,
                                 std::vector<ProjectedVertex>& projected) {
    const Scena& scene = *state.scene;
    ParallelPoint centre =
        projectParallelInto(scene, state.planXf, kSetupScale, state.modelX, state.planY, projected);
    drawSetupView(scene, faces, projected, centre, window);
    centre =
        projectParallelInto(scene, state.sideXf, kSetupScale, state.modelX, state.sideY, projected);
    drawSetupView(scene, faces, projected, centre, window);
    return centre;
}

void drawPicturePlane(const ViewState& state, DrawingSurface& window) {
    using I64 = std::int64_t;
    window.moveTo(state.planeX, sat(I64{state.sideY} - 60));
    window.lineTo(state.planeX, sat(I64{state.sideY} + 60));
    window.moveTo(state.planeX, sat(I64{state.planY} - 80));
    window.lineTo(state.planeX, sat(I64{state.planY} + 80));
}

// The setup screen with the preview drawn on the worker while the calling
// thread draws everything else, text included, on the window. The preview has
// a memory surface of its own; the vertices end with the preview's last
// projection and the centre with the side view's, as in the serial order.
void drawSetupScreenInParallel(ViewState& state, DrawingSurface& window, PaintWorker& worker) {
    Scena& scene = *state.scene;
    std::vector<ProjectedVertex>& views = worker.callerProjection;
    std::vector<ProjectedVertex>& preview = worker.workerProjection;
    views.resize(scene.vertices.size());
    preview.resize(scene.vertices.size());
    std::vector<FaceCorners>& faces = worker.faces;
    collectFaceCorners(scene, scene.isFaceModel() ? DrawMode::Faces : DrawMode::Edges, faces);

    MemorySurface previewMemory(window);
    const KeptPictureSelection previewPicture(window, previewMemory.get(), worker.previewPicture,
                                              state.previewW, state.previewH);
    const bool hasPreview = previewPicture.selected();
    ParallelPoint centre;
    {
        WorkerTask task(worker, [&] {
            if (hasPreview) {
                drawPreviewFrom(state, *previewMemory.get(), faces, preview);
            }
        });
        drawBackground(state, window);
        centre = drawModelViewsFrom(state, window, faces, views);
        drawMiddleLine(state, window);
        drawBothAxes(state, window);
        drawAngleTexts(state, window);
        MemorySurface memory(window);
        drawObservers(state, window, memory);
        task.join();
    }
    storeProjection(scene, hasPreview ? preview : views);
    scene.projCentreX = centre.x;
    scene.projCentreY = centre.y;

    ScopedPen framePen(window, state.penFrame);
    drawPicturePlane(state, window);
    if (hasPreview) {
        window.bitBlt(state.previewX, state.previewY, state.previewW, state.previewH,
                      *previewMemory.get(), 0, 0, RasterOp::SrcCopy);
    }
    framePreviewBox(state, window);
}

}  // namespace

void drawSetupScreen(ViewState& state, DrawingSurface& window, PaintWorker* worker) {
    buildTransforms(state);
    if (worker != nullptr) {
        drawSetupScreenInParallel(state, window, *worker);
        return;
    }
    drawBackground(state, window);
    drawModelViews(state, window);
    drawMiddleLine(state, window);
    drawBothAxes(state, window);
    drawAngleTexts(state, window);

    // Declared before the memory surface, so that the surface has its own
    // bitmap back before the preview picture is freed.
    std::unique_ptr<Bitmap> preview;
    MemorySurface memory(window);
    drawObservers(state, window, memory);
    preview = window.createCompatibleBitmap(state.previewW, state.previewH);
    if (preview) {
        memory.select(preview.get());
        drawPreview(state, *memory.get());
    }

    ScopedPen framePen(window, state.penFrame);
    drawPicturePlane(state, window);
    if (preview) {
        window.bitBlt(state.previewX, state.previewY, state.previewW, state.previewH, *memory.get(),
                      0, 0, RasterOp::SrcCopy);
    }
    framePreviewBox(state, window);
}

}  // namespace kelpris
