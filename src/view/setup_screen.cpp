#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "base/number_text.h"
#include "geometry/scene_projection.h"
#include "render/scene_drawing.h"
#include "view/paint_worker.h"
#include "view/view_logic.h"

namespace kelpris {

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
        const Point from =
            xf.projectParallel(-200 * a.x, -200 * a.y, -200 * a.z, kSetupScale, originX, originY);
        const Point to =
            xf.projectParallel(200 * a.x, 200 * a.y, 200 * a.z, kSetupScale, originX, originY);
        window.moveTo(from.x, from.y);
        window.lineTo(to.x, to.y);
        window.textOut(to.x, to.y, a.label);
    }
}

// "%f" digits with a point whatever LC_NUMERIC the toolkit has set.
void drawAngleTexts(const ViewState& state, DrawingSurface& window) {
    window.textOut(5, 5, "PITCH(zenit) = " + formatFixed6(state.pitch));
    window.textOut(5, state.layout.midY + 5, "YAU(azimut) = " + formatFixed6(state.yaw));
}

void framePreviewBox(const Layout& l, DrawingSurface& window) {
    const std::int32_t left = l.previewX;
    const std::int32_t top = l.previewY;
    const std::int32_t right = left + l.previewW;
    const std::int32_t bottom = top + l.previewH;
    window.moveTo(left, top);
    window.lineTo(right, top);
    window.lineTo(right, bottom);
    window.lineTo(left, bottom);
    window.lineTo(left, top);
}

void drawBackground(const Layout& l, DrawingSurface& window) {
    // White, outlined by the fresh surface's black 1-pixel pen.
    ScopedBrush white(window, Brush::white());
    window.rectangle(0, 0, l.clientW + 2, l.clientH);
}

// One model view: its vertices projected, and the window position of the
// model centre.
struct ProjectedView {
    std::span<const Point> points;
    Point centre;
};

ProjectedView projectView(const ViewState& state, const Matrix4& transform, std::int32_t originY,
                          std::span<Point> points) {
    const Point centre =
        projectParallel(*state.scene, transform, kSetupScale, state.layout.modelX, originY, points);
    return {points, centre};
}

void drawMiddleLine(const Layout& l, DrawingSurface& window) {
    window.moveTo(0, l.midY);
    window.lineTo(l.clientW, l.midY);
}

void drawBothAxes(const ViewState& state, DrawingSurface& window) {
    const Layout& l = state.layout;
    window.setTextColour(kTextColour);  // stays set: later text is red too
    ScopedPen axisPen(window, kAxisPen);
    drawAxes(window, state.sideXf, l.modelX, l.sideY);
    drawAxes(window, state.planXf, l.modelX, l.planY);
}

// The memory surface the observer pictures are copied from. Its first
// selection keeps the bitmap the surface started with, and that bitmap is
// selected back when the guard goes.
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
void drawObservers(const ViewState& state, DrawingSurface& window) {
    const Layout& l = state.layout;
    MemorySurface memory(window);
    if (state.bmpObserverSide) {
        memory.select(state.bmpObserverSide.get());
        window.bitBlt(l.clientW - 140, l.sideY - 50, 140, 140, *memory.get(), 0, 0,
                      RasterOp::SrcCopy);
    }
    if (state.bmpObserverTop) {
        memory.select(state.bmpObserverTop.get());
        window.bitBlt(l.clientW - 90, l.planY - 70, 70, 140, *memory.get(), 0, 0,
                      RasterOp::SrcCopy);
    }
}

// Green eye, then the red eye over it, on one black picture; faces keep the
// memory surface's white brush and file order. `right` and `left` hold both
// eyes' projections.
void drawPreview(const ViewState& state, DrawingSurface& memory, std::span<const Point> right,
                 std::span<const Point> left) {
    const Scena& scene = *state.scene;
    {
        ScopedBrush black(memory, state.brushBlack);
        memory.rectangle(0, 0, state.layout.previewW, state.layout.previewH);
    }
    const auto drawEye = [&](std::span<const Point> points) {
        if (scene.isFaceModel()) {
            drawFaces(scene.faces, points, memory);
        } else {
            drawEdges(scene.edges, points, memory);
        }
    };
    ScopedPen eyePen(memory, state.penGreen);
    drawEye(right);
    eyePen.select(state.penRed);
    drawEye(left);
}

// Both eyes of the preview projected in one pass, a slice of vertices at a
// time by whichever thread is free: the projection is the one part of the
// paint that divides freely between the threads.
class PreviewProjection {
  public:
    PreviewProjection(const ViewState& state, PaintBuffers& buffers, bool wanted)
        : scene_(*state.scene),
          transform_(state.stereoXf),
          params_(previewParams(state, +1)),
          out_{buffers.previewPoints, buffers.otherPoints, {}},
          slices_(wanted ? scene_.vertices.size() : 0, kSlice) {}
    void help() {
        slices_.take([this](std::size_t first, std::size_t last) {
            projectStereoPair(scene_, transform_, params_, out_, first, last);
        });
    }

  private:
    // About a tenth of a millisecond of projection.
    static constexpr std::size_t kSlice = 8192;
    const Scena& scene_;
    const Matrix4& transform_;
    StereoParams params_;
    StereoPairBuffers out_;
    SharedSlices slices_;
};

void drawPicturePlane(const Layout& l, DrawingSurface& window) {
    window.moveTo(l.planeX, l.sideY - 60);
    window.lineTo(l.planeX, l.sideY + 60);
    window.moveTo(l.planeX, l.planY - 80);
    window.lineTo(l.planeX, l.planY + 80);
}

}  // namespace

// The worker projects the plan view while the calling thread projects the
// side view, and both then share the preview's projection; then the preview
// is the second task: on the worker, or after everything else the window
// shows under the frame pen, drawn on its own memory surface.
void drawSetupScreen(ViewState& state, DrawingSurface& window, PaintBuffers& buffers,
                     PaintWorker* worker) {
    buildTransforms(state);
    const Layout& l = state.layout;
    const std::size_t vertices = state.scene->vertices.size();
    buffers.points.resize(vertices);
    buffers.otherPoints.resize(vertices);
    buffers.previewPoints.resize(vertices);
    buffers.planPoints.resize(vertices);

    const std::unique_ptr<DrawingSurface> previewMemory = window.createCompatibleSurface();
    const KeptPictureSelection previewPicture(window, previewMemory.get(), buffers.previewPicture,
                                              l.previewW, l.previewH);
    const bool hasPreview = previewPicture.selected();
    ProjectedView plan;
    ProjectedView side;
    {
        PreviewProjection preview(state, buffers, hasPreview);
        WorkerTask project(worker, [&] {
            plan = projectView(state, state.planXf, l.planY, buffers.planPoints);
            preview.help();
        });
        drawBackground(l, window);
        side = projectView(state, state.sideXf, l.sideY, buffers.points);
        preview.help();
        project.join();
    }
    {
        WorkerTask preview(worker, [&] {
            if (hasPreview) {
                drawPreview(state, *previewMemory, buffers.previewPoints, buffers.otherPoints);
            }
        });
        for (const ProjectedView& view : {plan, side}) {
            drawSetupView(*state.scene, view.points, view.centre, window);
        }
        buffers.centre = side.centre;
        drawMiddleLine(l, window);
        drawBothAxes(state, window);
        drawAngleTexts(state, window);
        drawObservers(state, window);
        preview.join();
    }

    ScopedPen framePen(window, state.penFrame);
    drawPicturePlane(l, window);
    if (hasPreview) {
        window.bitBlt(l.previewX, l.previewY, l.previewW, l.previewH, *previewMemory, 0, 0,
                      RasterOp::SrcCopy);
    }
    framePreviewBox(l, window);
}

}  // namespace kelpris
