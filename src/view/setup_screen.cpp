#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "base/number_text.h"
#include "geometry/scene_projection.h"
#include "render/plane_surface.h"
#include "render/raster.h"
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

// The preview's draws (the green eye's faces or edges, then the red eye's)
// cut into parts that either thread may take, each drawn on a plane of its
// own in labels, 0 where the part drew nothing. Every draw overwrites the
// pixels it covers whatever they held, so the planes laid over each other in
// order give the preview drawn in one piece, a label per pixel, which the
// window then takes as its three colour channels. Used where the window
// takes planes and every colour has a label: 1-pixel pens on the black
// background and the memory surface's white brush.
class PreviewInParts {
  public:
    /// Whether the preview can be drawn in parts: then the planes for it
    /// are ready in `buffers` (false too when they cannot be had).
    static bool prepare(const ViewState& state, const DrawingSurface& window,
                        PaintBuffers& buffers);
    /// Reads the preview's projections in `buffers` once drawing.
    PreviewInParts(const ViewState& state, PaintBuffers& buffers)
        : state_(state), buffers_(buffers), parts_(kParts, 1) {}
    /// Draws the parts no thread has taken yet.
    void help() {
        parts_.take([this](std::size_t first, std::size_t last) {
            for (std::size_t part = first; part < last; ++part) {
                drawPart(part);
            }
        });
    }
    /// Once every part is drawn: the preview onto the window in its box.
    void show(DrawingSurface& window);

  private:
    enum Label : std::uint8_t { kBackground, kGreenLine, kWhiteFill, kRedLine, kLabels };
    // About a millisecond each on a million faces: the threads end at most
    // that far apart.
    static constexpr std::size_t kParts = 16;

    void drawPart(std::size_t part);
    /// The labels of a later part over those of `out`, where it drew.
    static void layOver(std::uint8_t* out, const std::uint8_t* later, std::int32_t width);

    const ViewState& state_;
    PaintBuffers& buffers_;  // previewPlanes: the parts, then red, green, blue
    SharedSlices parts_;
};

void PreviewInParts::layOver(std::uint8_t* out, const std::uint8_t* later, std::int32_t width) {
    // Eight labels at a time in a word: this runs on one thread once both
    // have drawn, and a choice per byte costs a mispredicted branch each.
    static_assert(kBackground == 0);
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        std::uint64_t below = 0;
        std::uint64_t above = 0;
        std::memcpy(&below, out + x, sizeof below);
        std::memcpy(&above, later + x, sizeof above);
        // The top bit of each byte that is not 0, then that whole byte.
        const std::uint64_t drawnTop = (((above & kLow7) + kLow7) | above) & ~kLow7;
        const std::uint64_t drawn = (drawnTop >> 7) * 0xFF;
        below = above | (below & ~drawn);
        std::memcpy(out + x, &below, sizeof below);
    }
    for (; x < width; ++x) {
        out[x] = later[x] != kBackground ? later[x] : out[x];
    }
}

bool PreviewInParts::prepare(const ViewState& state, const DrawingSurface& window,
                             PaintBuffers& buffers) {
    const Layout& l = state.layout;
    if (!window.takesPlanes() || state.penGreen.width > 1 || state.penRed.width > 1 ||
        state.brushBlack != Brush::black() || l.previewW < 1 || l.previewH < 1) {
        return false;
    }
    std::vector<PlaneSurface>& planes = buffers.previewPlanes;
    try {
        planes.resize(kParts + 3);
        for (std::size_t i = 0; i < planes.size(); ++i) {
            const Channel channel = i <= kParts       ? Channel::Red
                                    : i == kParts + 1 ? Channel::Green
                                                      : Channel::Blue;
            planes[i].reset(channel, l.previewW, l.previewH);
        }
    } catch (const std::bad_alloc&) {
        planes.clear();
        return false;
    }
    return true;
}

void PreviewInParts::drawPart(std::size_t part) {
    const Scena& scene = *state_.scene;
    const bool faces = scene.isFaceModel();
    const std::size_t perEye = faces ? scene.faces.size() : scene.edges.size();
    // Draws first .. last-1 of both eyes' 2 * perEye, in order.
    const std::size_t first = part * perEye * 2 / kParts;
    const std::size_t last = (part + 1) * perEye * 2 / kParts;
    PlaneSurface& plane = buffers_.previewPlanes[part];
    const PlaneView bytes = plane.plane();
    raster::fillBox(bytes, 0, 0, bytes.width, bytes.height, kBackground);
    plane.selectBrush(Brush::solid({kWhiteFill, 0, 0}));
    const auto draw = [&](std::span<const Point> points, std::size_t from, std::size_t to) {
        if (faces) {
            drawFaces(std::span<const Face>(scene.faces).subspan(from, to - from), points, plane);
        } else {
            drawEdges(std::span<const Edge>(scene.edges).subspan(from, to - from), points, plane);
        }
    };
    if (first < perEye) {
        plane.selectPen(Pen{1, {kGreenLine, 0, 0}});
        draw(buffers_.previewPoints, first, std::min(last, perEye));
    }
    if (last > perEye) {
        plane.selectPen(Pen{1, {kRedLine, 0, 0}});
        draw(buffers_.otherPoints, std::max(first, perEye) - perEye, last - perEye);
    }
}

void PreviewInParts::show(DrawingSurface& window) {
    std::vector<PlaneSurface>& planes = buffers_.previewPlanes;
    const PlaneView labels = planes[0].plane();
    const std::array<Rgb, kLabels> colours{Rgb{0, 0, 0}, state_.penGreen.colour, Rgb{255, 255, 255},
                                           state_.penRed.colour};
    const PlaneView red = planes[kParts].plane();
    const PlaneView green = planes[kParts + 1].plane();
    const PlaneView blue = planes[kParts + 2].plane();
    for (std::int32_t y = 0; y < labels.height; ++y) {
        std::uint8_t* const out = labels.row(y);
        for (std::size_t part = 1; part < kParts; ++part) {
            layOver(out, planes[part].plane().row(y), labels.width);
        }
        for (std::int32_t x = 0; x < labels.width; ++x) {
            const Rgb c = colours[std::min<std::size_t>(out[x], kLabels - 1)];
            red.row(y)[x] = c.r;
            green.row(y)[x] = c.g;
            blue.row(y)[x] = c.b;
        }
    }
    const Layout& l = state_.layout;
    window.bitBlt(l.previewX, l.previewY, l.previewW, l.previewH, planes[kParts], 0, 0,
                  RasterOp::SrcCopy);
    for (const std::size_t i : {kParts + 1, kParts + 2}) {
        window.bitBlt(l.previewX, l.previewY, l.previewW, l.previewH, planes[i], 0, 0,
                      RasterOp::SrcPaint);
    }
}

void drawPicturePlane(const Layout& l, DrawingSurface& window) {
    window.moveTo(l.planeX, l.sideY - 60);
    window.lineTo(l.planeX, l.sideY + 60);
    window.moveTo(l.planeX, l.planY - 80);
    window.lineTo(l.planeX, l.planY + 80);
}

}  // namespace

// The worker projects the plan view while the calling thread projects the
// side view, and both then share the preview's projection. Then the worker
// draws the preview while the calling thread draws the window's views, and
// takes the preview's parts the worker has not reached once they are done.
// Where the preview cannot be drawn in parts it is drawn whole on its own
// memory surface: on the worker, or without one after everything else the
// window shows under the frame pen.
void drawSetupScreen(ViewState& state, DrawingSurface& window, PaintBuffers& buffers,
                     PaintWorker* worker) {
    buildTransforms(state);
    const Layout& l = state.layout;
    const std::size_t vertices = state.scene->vertices.size();
    buffers.points.resize(vertices);
    buffers.otherPoints.resize(vertices);
    buffers.previewPoints.resize(vertices);
    buffers.planPoints.resize(vertices);

    std::optional<PreviewInParts> parts;
    if (PreviewInParts::prepare(state, window, buffers)) {
        parts.emplace(state, buffers);
    }
    std::unique_ptr<DrawingSurface> previewMemory;
    std::optional<KeptPictureSelection> previewPicture;
    if (!parts) {
        previewMemory = window.createCompatibleSurface();
        previewPicture.emplace(window, previewMemory.get(), buffers.previewPicture, l.previewW,
                               l.previewH);
    }
    const bool hasPreview = parts || previewPicture->selected();
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
            if (parts) {
                parts->help();
            } else if (hasPreview) {
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
        if (parts) {
            parts->help();  // what the worker has not yet taken
        }
        preview.join();
    }

    ScopedPen framePen(window, state.penFrame);
    drawPicturePlane(l, window);
    if (parts) {
        parts->show(window);
    } else if (hasPreview) {
        window.bitBlt(l.previewX, l.previewY, l.previewW, l.previewH, *previewMemory, 0, 0,
                      RasterOp::SrcCopy);
    }
    framePreviewBox(l, window);
}

}  // namespace kelpris
