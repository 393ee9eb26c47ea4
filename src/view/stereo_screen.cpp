#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "geometry/scene_projection.h"
#include "render/lit_drawing.h"
#include "render/plane_surface.h"
#include "render/scene_drawing.h"
#include "scene/depth_order.h"
#include "view/depth_readout.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"
#include "view/shading.h"
#include "view/view_logic.h"

namespace kelpris {

namespace {

void fillBlack(const ViewState& state, DrawingSurface& surface) {
    // Outlined by the surface's own black pen.
    ScopedBrush black(surface, state.brushBlack);
    surface.rectangle(0, 0, state.layout.clientW, state.layout.clientH);
}

// One eye's pen and brush.
struct EyeTools {
    Pen pen;
    Brush brush;
};

// Faces in drawing order, and each one's brightness when the faces are lit.
struct FacePart {
    std::span<const Face> faces;
    std::span<const double> lights;
};

// All the faces in drawing order, gathered in two parts: front, then back.
struct FaceParts {
    FacePart front;
    FacePart back;
};

// From this many lit faces on, the two threads light half the faces each:
// below it, handing the work over costs about what it saves.
constexpr std::size_t kSplitLitFaces = 2048;

// The order of the faces from the depths just projected, with the faces
// copied into buffers.faces in that order for drawing, and lit when the
// faces are (both eyes share one light, so each face's brightness is found
// once) from the vertices that moveToLight put in the light's space. A long
// list is done by both threads.
FaceParts orderAndGather(const ViewState& state, PaintBuffers& buffers, PaintWorker* worker) {
    const Scena& scene = *state.scene;
    const RunBoth besideWorker = [worker](const std::function<void()>& beside,
                                          const std::function<void()>& here) {
        WorkerTask task(worker, beside);
        here();
        task.join();
    };
    orderFaces(scene.faces, buffers.depths, buffers.order,
               worker != nullptr ? &besideWorker : nullptr, &buffers.faces);
    const std::span<const Face> faces(buffers.faces);
    const std::size_t n = faces.size();
    if (state.shading() != Shading::Lit) {
        buffers.lights.clear();
        return {{faces, {}}, {}};
    }
    buffers.lights.resize(n);
    const std::span<double> lights(buffers.lights);
    const LitFaceStyle style = eyeLight(state, {});
    // Faces [from, to) of the order, lit.
    const auto part = [&](std::size_t from, std::size_t to) -> FacePart {
        faceLights(buffers.lightSpace, faces.subspan(from, to - from), style,
                   lights.subspan(from, to - from));
        return {faces.subspan(from, to - from), lights.subspan(from, to - from)};
    };
    if (n < kSplitLitFaces) {
        return {part(0, n), {}};
    }
    const std::size_t half = n / 2;
    FacePart back;
    WorkerTask backTask(worker, [&] { back = part(half, n); });
    const FacePart front = part(0, half);
    backTask.join();
    return {front, back};
}

// One eye drawn from its projection: the faces in the order given, flat or
// lit, or the edges.
void drawEye(const ViewState& state, DrawingSurface& surface, const EyeTools& eye,
             const FaceParts& faces, std::span<const Point> points) {
    ScopedPen pen(surface, eye.pen);
    ScopedBrush brush(surface, eye.brush);
    const Scena& scene = *state.scene;
    if (!scene.isFaceModel()) {
        drawEdges(scene.edges, points, surface);
    } else if (state.shading() == Shading::Lit) {
        const LitFaceStyle style = eyeLight(state, eye.pen.colour);
        // One call for both parts: a surface may draw them nearest first.
        const std::array parts{faces.front.faces, faces.back.faces};
        const std::array lights{faces.front.lights, faces.back.lights};
        drawLitFaces(parts, lights, points, surface, style);
    } else {
        if (state.options().outline != LitOutline::AsShaded) {
            pen.select(flatOutlinePen(state.options().outline, eye.pen, eye.brush.colour));
        }
        drawFaces(std::array{faces.front.faces, faces.back.faces}, points, surface);
    }
}

void drawFrame(const ViewState& state, DrawingSurface& window) {
    ScopedPen frame(window, state.penFrame);
    const std::int32_t right = state.layout.clientW - 2;
    const std::int32_t bottom = state.layout.clientH - 2;
    window.moveTo(2, 2);
    window.lineTo(right, 2);
    window.lineTo(right, bottom);
    window.lineTo(2, bottom);
    window.lineTo(2, 2);
}

// A block of window pixels.
struct Block {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The bounds of projected points, so far.
struct Bounds {
    bool any = false;
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;

    void add(std::span<const Point> points) {
        for (const Point& p : points) {
            if (!any) {
                *this = {true, p.x, p.x, p.y, p.y};
            }
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    }
    void add(const Bounds& other) {
        if (other.any) {
            add(std::array{Point{other.left, other.top}, Point{other.right, other.bottom}});
        }
    }
};

// What a thread measures of the points it projected: the left eye's bounds
// and the parallax.
struct Measured {
    Bounds leftPoints;
    ParallaxRange parallax;
};

// The window pixels the left eye can change: its lines and faces join
// projected vertices, so they stay within the vertices' bounds widened by the
// pen. Its picture is black everywhere else, and ORing black onto a pixel
// leaves it as it is, so only this block needs ORing onto the window.
Block reachOf(const Bounds& points, std::int32_t penWidth, const Layout& layout) {
    using I64 = std::int64_t;
    if (!points.any) {
        return {};
    }
    const I64 margin = I64{std::max(penWidth, 1)} + 1;
    const I64 x0 = std::max<I64>(I64{points.left} - margin, 0);
    const I64 y0 = std::max<I64>(I64{points.top} - margin, 0);
    const I64 x1 = std::min<I64>(I64{points.right} + margin + 1, layout.clientW);
    const I64 y1 = std::min<I64>(I64{points.bottom} + margin + 1, layout.clientH);
    if (x0 >= x1 || y0 >= y1) {
        return {};
    }
    // Within the window, so within the layout's limit.
    return {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
            static_cast<std::int32_t>(x1 - x0), static_cast<std::int32_t>(y1 - y0)};
}

// ORs the block of `source` onto the same pixels of `target`.
void orBlock(DrawingSurface& target, DrawingSurface& source, const Block& b) {
    if (b.width > 0 && b.height > 0) {
        target.bitBlt(b.x, b.y, b.width, b.height, source, b.x, b.y, RasterOp::SrcPaint);
    }
}

// The eyes' planes into the window: the right eye copied, the left eye ORed
// over its reach. Done a band of rows at a time, so that the band the copy
// has just written is still in the cache when the left eye is ORed onto it;
// the lower half of the bands by the worker. A window that takes planes is a
// picture in memory: once its first drawing has found its pixels, block
// transfers into rows of their own write nothing else, so the two threads
// can each fill their own half.
void mergeEyes(DrawingSurface& window, DrawingSurface& right, DrawingSurface& left,
               const Block& leftReach, const Layout& l, PaintWorker* worker) {
    constexpr std::int32_t kBandRows = 16;
    const auto bands = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t top = from; top < to; top += kBandRows) {
            const std::int32_t rows = std::min(kBandRows, to - top);
            window.bitBlt(0, top, l.clientW, rows, right, 0, top, RasterOp::SrcCopy);
            const std::int32_t bandTop = std::max(top, leftReach.y);
            const std::int32_t bandBottom = std::min(top + rows, leftReach.y + leftReach.height);
            orBlock(window, left, {leftReach.x, bandTop, leftReach.width, bandBottom - bandTop});
        }
    };
    const std::int32_t first = std::min(kBandRows, l.clientH);
    const std::int32_t middle = std::max(first, l.clientH / (2 * kBandRows) * kBandRows);
    bands(0, first);
    WorkerTask lower(worker, [&] { bands(middle, l.clientH); });
    bands(first, middle);
    lower.join();
}

void sizeProjections(const ViewState& state, PaintBuffers& buffers) {
    const std::size_t n = state.scene->vertices.size();
    buffers.points.resize(n);
    buffers.otherPoints.resize(n);
    buffers.depths.resize(n);
    const bool lit = state.scene->isFaceModel() && state.shading() == Shading::Lit;
    buffers.lightSpace.resize(lit ? n : 0);
}

// Vertices [from, to) into the light's space, when the faces are lit (the
// buffer is sized for them then, and empty otherwise).
void moveToLight(const ViewState& state, PaintBuffers& buffers, std::size_t from, std::size_t to) {
    if (!buffers.lightSpace.empty()) {
        toLightSpace(*state.scene, eyeLight(state, {}).transform, from, to, buffers.lightSpace);
    }
}

// The colour channel of each eye's picture when the eyes can be drawn a byte
// per pixel: every colour an eye draws (its line and face colours, and the
// lit and outline shades of them) lies in one channel, its pen is 1 pixel
// wide, and the window can merge planes into its picture.
struct EyeChannels {
    Channel left;
    Channel right;
};

std::optional<EyeChannels> eyeChannels(const ViewState& state, const DrawingSurface& window) {
    if (!window.takesPlanes() || state.penRed.width > 1 || state.penGreen.width > 1) {
        return std::nullopt;
    }
    const std::optional<Channel> left = soleChannel({state.penRed.colour, state.brushRed.colour});
    const std::optional<Channel> right =
        soleChannel({state.penGreen.colour, state.brushGreen.colour});
    if (!left || !right) {
        return std::nullopt;
    }
    return EyeChannels{*left, *right};
}

// Sizes both kept planes for the paint; false when there is no memory for
// them, and the eyes are drawn as whole pictures.
bool preparePlanes(PaintBuffers& buffers, const EyeChannels& channels, const Layout& l) {
    try {
        buffers.leftEyePlane.reset(channels.left, l.clientW, l.clientH);
        buffers.rightEyePlane.reset(channels.right, l.clientW, l.clientH);
        return true;
    } catch (const std::bad_alloc&) {
        buffers.leftEyePlane.reset(channels.left, 0, 0);
        buffers.rightEyePlane.reset(channels.right, 0, 0);
        return false;
    }
}

}  // namespace

// Both eyes are projected together, half the vertices on each thread; the
// left eye is then drawn as the second task, beside the right eye. The depth
// of a vertex does not depend on the eye, so one order serves both.
// Each eye is drawn either as a byte per pixel in its colour channel and
// merged into the window (the right eye copied, the left ORed: the same
// pixels, a quarter of the memory to write), or as whole pictures: the right
// eye on the window, the left on a kept picture ORed onto it.
Result<SortReport> drawStereoScreen(const ViewState& state, DrawingSurface& window,
                                    PaintBuffers& buffers, const std::filesystem::path& reportPath,
                                    const PaintHelpers& helpers) {
    const Scena& scene = *state.scene;
    const Layout& l = state.layout;
    PaintWorker* const worker = helpers.worker;
    sizeProjections(state, buffers);

    const std::optional<EyeChannels> channels = eyeChannels(state, window);
    const bool planes = channels && preparePlanes(buffers, *channels, l);
    std::unique_ptr<DrawingSurface> memory;
    std::optional<KeptPictureSelection> picture;
    if (!planes) {
        memory = window.createCompatibleSurface();
        picture.emplace(window, memory.get(), buffers.leftEyePicture, l.clientW, l.clientH);
    }
    DrawingSurface& right = planes ? buffers.rightEyePlane : window;
    DrawingSurface* const left =
        planes ? &buffers.leftEyePlane : (picture->selected() ? memory.get() : nullptr);
    // Both eyes and the depths in one pass over the vertices (only a point's
    // last step depends on the eye), each thread taking half of them and
    // measuring its half while the points are at hand.
    const std::size_t n = scene.vertices.size();
    const std::size_t half = n / 2;
    const StereoPairBuffers projected{buffers.points, buffers.otherPoints, buffers.depths};
    const StereoParams params = stereoScreenParams(state, +1);
    const auto projectPart = [&](std::size_t from, std::size_t to) {
        projectStereoPair(scene, state.stereoXf, params, projected, from, to);
        moveToLight(state, buffers, from, to);
        const auto part = [from, to]<typename T>(std::span<const T> all) {
            return all.subspan(from, to - from);
        };
        Measured m;
        m.leftPoints.add(part(std::span<const Point>(buffers.otherPoints)));
        m.parallax = parallaxOfPoints(part(std::span<const Point>(buffers.points)),
                                      part(std::span<const Point>(buffers.otherPoints)),
                                      part(std::span<const std::int32_t>(buffers.depths)), params);
        return m;
    };
    Measured back;
    Measured front;
    {
        WorkerTask project(worker, [&] {
            if (left != nullptr) {
                fillBlack(state, *left);
            }
            back = projectPart(half, n);
        });
        fillBlack(state, right);
        front = projectPart(0, half);
        project.join();
    }
    front.leftPoints.add(back.leftPoints);
    buffers.parallax = {state.scene, state.stereoXf, params, joined(front.parallax, back.parallax)};
    const Block leftReach =
        left != nullptr ? reachOf(front.leftPoints, state.penRed.width, l) : Block{};

    const bool faceModel = scene.isFaceModel();
    const FaceParts faces = faceModel ? orderAndGather(state, buffers, worker) : FaceParts{};
    // The thread that finishes its eye first copies out the depths for a
    // background report, while the other is still drawing, into the memory
    // of an earlier report when there is one: fresh memory for a list of
    // millions costs more than the copy.
    const bool reportInBackground = faceModel && helpers.reports != nullptr;
    std::vector<std::int32_t> reportDepths =
        reportInBackground ? helpers.reports->takeSpareDepths() : std::vector<std::int32_t>{};
    std::atomic_flag reportCopied;
    const auto copyReport = [&] {
        if (reportInBackground && !reportCopied.test_and_set()) {
            reportDepths.assign(buffers.order.depths.begin(), buffers.order.depths.end());
        }
    };
    {
        WorkerTask draw(worker, [&] {
            if (left != nullptr) {
                drawEye(state, *left, {state.penRed, state.brushRed}, faces, buffers.otherPoints);
            }
            copyReport();
        });
        drawEye(state, right, {state.penGreen, state.brushGreen}, faces, buffers.points);
        copyReport();
        draw.join();
    }
    if (planes) {
        mergeEyes(window, right, buffers.leftEyePlane, leftReach, l, worker);
    } else if (left != nullptr) {
        orBlock(window, *left, leftReach);
    }
    drawFrame(state, window);

    if (!faceModel) {
        return SortReport::None;
    }
    if (reportInBackground) {
        helpers.reports->submit(reportPath, std::move(reportDepths));
        return SortReport::Submitted;
    }
    if (FileStatus written = writeSortReport(reportPath, buffers.order.depths); !written) {
        return written;
    }
    return SortReport::Written;
}

void drawEyePicture(const ViewState& state, DrawingSurface& surface, PaintBuffers& buffers,
                    std::int32_t eyeSign, const EyeColours& colours) {
    fillBlack(state, surface);
    if (!state.scene) {
        return;
    }
    const Scena& scene = *state.scene;
    sizeProjections(state, buffers);
    projectStereo(scene, state.stereoXf, stereoScreenParams(state, eyeSign), buffers.points,
                  buffers.depths);
    moveToLight(state, buffers, 0, scene.vertices.size());
    const FaceParts faces =
        scene.isFaceModel() ? orderAndGather(state, buffers, nullptr) : FaceParts{};
    drawEye(state, surface, {Pen{1, colours.line}, Brush::solid(colours.face)}, faces,
            buffers.points);
}

}  // namespace kelpris
