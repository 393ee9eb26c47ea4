#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "geometry/scene_projection.h"
#include "render/scene_drawing.h"
#include "view/int_math.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"
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

// What the report writer needs of the order just built.
std::vector<std::int32_t> depthsOf(const Scena& scene) {
    std::vector<std::int32_t> depths(scene.TRIEDENE_STENY.size());
    for (std::size_t i = 0; i < depths.size(); ++i) {
        depths[i] = scene.TRIEDENE_STENY[i].depth;
    }
    return depths;
}

// The report of the order just built: written now, or handed to the writer.
std::optional<FileStatus> reportOrder(const Scena& scene, const std::filesystem::path& reportPath,
                                      ReportWriter* reports) {
    if (reports == nullptr) {
        return writeSortReport(reportPath, formatSortReport(scene.TRIEDENE_STENY));
    }
    reports->submit(reportPath, depthsOf(scene));
    return std::nullopt;
}

struct EyeTools {
    std::int32_t sign;  ///< +1 right eye, -1 left eye
    Pen pen;
    Brush brush;
};

// One eye's picture. The right eye, drawn first, orders the faces: the depth
// of a vertex does not depend on the eye, so its order serves both eyes.
std::optional<FileStatus> drawEye(ViewState& state, DrawingSurface& surface, const EyeTools& eye,
                                  const std::filesystem::path& reportPath, ReportWriter* reports) {
    Scena& scene = *state.scene;
    const bool faces = scene.isFaceModel();
    std::optional<FileStatus> sortStatus;
    ScopedPen pen(surface, eye.pen);
    ScopedBrush brush(surface, eye.brush);
    projectAllStereo(scene, state.stereoXf, stereoScreenParams(state, eye.sign));
    if (faces && eye.sign > 0) {
        scene.orderFaces();
        sortStatus = reportOrder(scene, reportPath, reports);
    }
    drawShaded(state, surface, faces ? DrawMode::SortedFaces : DrawMode::Edges, eye.pen.colour);
    return sortStatus;
}

// The faces in drawing order, gathered in two parts (front, then back).
struct FaceParts {
    std::span<const FaceCorners> front;
    std::span<const FaceCorners> back;
};

// From this many faces on, the two threads gather half the faces each: below
// it, handing the work over costs about what it saves.
constexpr std::size_t kSplitGatherFaces = 65536;

// The faces of the order just built, gathered for drawing; a long list by
// both threads, each taking one half.
FaceParts gatherFaces(const Scena& scene, PaintWorker& worker) {
    const std::size_t n = scene.TRIEDENE_STENY.size();
    if (n < kSplitGatherFaces) {
        collectFaceCorners(scene, DrawMode::SortedFaces, worker.faces);
        return {worker.faces, {}};
    }
    worker.faces.resize(n);
    const std::span<FaceCorners> all(worker.faces);
    const std::size_t half = n / 2;
    std::size_t backCount = 0;
    WorkerTask back(
        worker, [&] { backCount = collectSortedFaceCorners(scene, half, n, all.subspan(half)); });
    const std::size_t frontCount = collectSortedFaceCorners(scene, 0, half, all.first(half));
    back.join();
    return {all.first(frontCount), all.subspan(half, backCount)};
}

// Each face's brightness when the faces are lit, one list per part.
struct PartLights {
    std::vector<double> front;
    std::vector<double> back;
};

// One eye drawn from its own projection, faces in the order given.
// `lights` holds each face's brightness when the faces are lit, else null.
void drawEyeFrom(const ViewState& state, DrawingSurface& surface, const EyeTools& eye,
                 const FaceParts& faces, std::span<const ProjectedVertex> projected,
                 const PartLights* lights) {
    ScopedPen pen(surface, eye.pen);
    ScopedBrush brush(surface, eye.brush);
    if (state.scene->isFaceModel() && lights != nullptr) {
        const LitFaceStyle style = eyeLight(state, eye.pen.colour);
        drawLitFaces(faces.front, projected, lights->front, surface, style);
        drawLitFaces(faces.back, projected, lights->back, surface, style);
    } else if (state.scene->isFaceModel()) {
        drawFaces(faces.front, projected, surface);
        drawFaces(faces.back, projected, surface);
    } else {
        drawEdges(*state.scene, projected, surface);
    }
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

// A block of window pixels.
struct Block {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The window pixels the left eye can change: its lines and faces join
// projected vertices, so they stay within the vertices' bounds widened by the
// pen. Its picture is black everywhere else, and ORing black onto a pixel
// leaves it as it is, so only this block needs ORing onto the window.
Block reachOf(std::span<const ProjectedVertex> points, std::int32_t penWidth,
              const ViewState& state) {
    using I64 = std::int64_t;
    if (points.empty()) {
        return {};
    }
    std::int32_t left = points[0].x;
    std::int32_t right = points[0].x;
    std::int32_t top = points[0].y;
    std::int32_t bottom = points[0].y;
    for (const ProjectedVertex& p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const I64 margin = I64{std::max(penWidth, 1)} + 1;
    const I64 x0 = std::max<I64>(I64{left} - margin, 0);
    const I64 y0 = std::max<I64>(I64{top} - margin, 0);
    const I64 x1 = std::min<I64>(I64{right} + margin + 1, state.clientW);
    const I64 y1 = std::min<I64>(I64{bottom} + margin + 1, state.clientH);
    if (x0 >= x1 || y0 >= y1) {
        return {};
    }
    return {sat(x0), sat(y0), sat(x1 - x0), sat(y1 - y0)};
}

// Both eyes at once: each projected into its own buffer, the left one on the
// worker. The vertices end with the left eye's projection, as in the serial
// order; its depths are the right eye's, so the faces are ordered from them.
std::optional<FileStatus> drawBothEyes(ViewState& state, DrawingSurface& window,
                                       const std::filesystem::path& reportPath,
                                       const PaintHelpers& helpers) {
    Scena& scene = *state.scene;
    PaintWorker& worker = *helpers.worker;
    std::vector<ProjectedVertex>& right = worker.callerProjection;
    std::vector<ProjectedVertex>& left = worker.workerProjection;
    right.resize(scene.vertices.size());
    left.resize(scene.vertices.size());

    std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
    const KeptPictureSelection picture(window, memory.get(), worker.leftEyePicture, state.clientW,
                                       state.clientH);
    const bool leftEye = picture.selected();

    const StereoParams leftParams = stereoScreenParams(state, -1);
    Block leftReach;
    {
        WorkerTask project(worker, [&] {
            if (leftEye) {
                fillBlack(state, *memory);
                projectStereoInto(scene, state.stereoXf, leftParams, left);
                leftReach = reachOf(left, state.penRed.width, state);
            }
        });
        fillBlack(state, window);
        projectStereoInto(scene, state.stereoXf, stereoScreenParams(state, +1), right);
        project.join();
    }
    storeProjection(scene, leftEye ? left : right);

    FaceParts faces;
    if (scene.isFaceModel()) {
        scene.orderFaces();
        faces = gatherFaces(scene, worker);
    }
    // Both eyes share one light, so the faces' brightness is found once.
    std::optional<PartLights> lights;
    if (scene.isFaceModel() && state.options.shading == Shading::Lit) {
        lights.emplace();
        const LitFaceStyle style = eyeLight(state, {});
        faceLights(scene, faces.front, style, lights->front);
        faceLights(scene, faces.back, style, lights->back);
    }
    const PartLights* const lit = lights ? &*lights : nullptr;
    // The worker also copies out the depths for a background report, while
    // the calling thread ORs the left eye onto the window.
    const bool reportInBackground = scene.isFaceModel() && helpers.reports != nullptr;
    std::vector<std::int32_t> depths;
    {
        WorkerTask draw(worker, [&] {
            if (leftEye) {
                drawEyeFrom(state, *memory, {-1, state.penRed, state.brushRed}, faces, left, lit);
            }
            if (reportInBackground) {
                depths = depthsOf(scene);
            }
        });
        drawEyeFrom(state, window, {+1, state.penGreen, state.brushGreen}, faces, right, lit);
        draw.join();
    }
    if (leftEye && leftReach.width > 0) {
        window.bitBlt(leftReach.x, leftReach.y, leftReach.width, leftReach.height, *memory,
                      leftReach.x, leftReach.y, RasterOp::SrcPaint);
    }
    drawFrame(state, window);
    std::optional<FileStatus> sortStatus;
    if (reportInBackground) {
        helpers.reports->submit(reportPath, std::move(depths));
    } else if (scene.isFaceModel()) {
        sortStatus = reportOrder(scene, reportPath, nullptr);
    }
    return sortStatus;
}

}  // namespace

std::optional<FileStatus> drawStereoScreen(ViewState& state, DrawingSurface& window,
                                           const std::filesystem::path& reportPath,
                                           const PaintHelpers& helpers) {
    if (helpers.worker != nullptr) {
        return drawBothEyes(state, window, reportPath, helpers);
    }
    fillBlack(state, window);
    // Right eye, green, straight onto the window.
    std::optional<FileStatus> sortStatus =
        drawEye(state, window, {+1, state.penGreen, state.brushGreen}, reportPath, helpers.reports);

    // Left eye, red, on its own black picture, then ORed onto the window.
    std::unique_ptr<DrawingSurface> memory = window.createCompatibleSurface();
    std::unique_ptr<Bitmap> picture = window.createCompatibleBitmap(state.clientW, state.clientH);
    if (memory && picture) {
        ScopedBitmap selected(*memory, picture.get());
        fillBlack(state, *memory);
        (void)drawEye(state, *memory, {-1, state.penRed, state.brushRed}, reportPath, nullptr);
        window.bitBlt(0, 0, state.clientW, state.clientH, *memory, 0, 0, RasterOp::SrcPaint);
    }

    drawFrame(state, window);
    return sortStatus;
}

}  // namespace kelpris
