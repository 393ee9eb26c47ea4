// One full paint of each screen at 1920 x 1080 onto the Qt surface, as the
// view does it: DrawScreen into a reused back buffer, with the view's second
// thread and background report writer (wall-clock times). Models: the Stanford
// bunny sample (when present) and a generated 100,000-triangle height field.
// The stereo paint of a face model includes the depth sort and the report.
//
// BM_Fit_100kFaces times the fit that a resize of a fitted model runs.
//
// `--model FILE`, `--size WxH` (default 1920x1080) and `--yaw RADIANS`
// (default 0) add SetupScreen_Model and StereoScreen_Model: one paint of each
// screen of that file at that size and azimuth.
// FILE is any model the viewer opens, shown as the window shows it by
// default: a scene file as it is; an imported mesh fitted to the window and
// lit (the automatic choices), its face lights timed with the paint.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "geometry/scene_projection.h"
#include "import/model_loader.h"
#include "render/lit_drawing.h"
#include "render/plane_surface.h"
#include "render/qt/qt_surface.h"
#include "render/scene_drawing.h"
#include "scene/depth_order.h"
#include "scenes.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"
#include "view/shading.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace {

namespace fs = std::filesystem;
using kelpris::Scena;

const fs::path kBunny = fs::path(KELPRIS_SOURCE_DIR) / "data" / "samples" / "bunny.dat";

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Where a model is painted: the drawing area and the azimuth.
struct PaintAt {
    int width = 1920;
    int height = 1080;
    float yaw = 0.0f;  ///< the azimuth the model is painted at
};

// A model as the window shows it once opened.
struct OpenedModel {
    Scena scene;
    kelpris::ModelSource source = kelpris::ModelSource::SceneFile;
};

// The view's state for `model` laid out at `at`: an imported mesh fitted,
// as it opens by default.
void showModel(kelpris::ViewState& view, OpenedModel model, PaintAt at) {
    {
        kelpris::QtImageSurface tools(1, 1);
        kelpris::createTools(view, tools);
    }
    view.scene = std::make_shared<const Scena>(std::move(model.scene));
    view.modelSource = model.source;
    view.yaw = kelpris::wrapAngle(at.yaw);
    kelpris::buildTransforms(view);
    if (model.source == kelpris::ModelSource::Imported) {
        kelpris::requestFit(view.framing);
    }
    kelpris::computeLayout(view, {0, 0, at.width + 4, at.height + 4});
}

void paintScreen(benchmark::State& st, OpenedModel model, kelpris::Screen screen, PaintAt at = {}) {
    kelpris::ViewState view;
    showModel(view, std::move(model), at);
    QImage buffer(at.width, at.height, QImage::Format_RGB32);
    kelpris::PaintBuffers buffers;
    {  // the stereo screen uses the transform of the last setup paint
        kelpris::QtImageSurface surface(buffer);
        if (!kelpris::DrawScreen(view, surface, buffers)) {
            st.SkipWithError("the first paint failed");
            return;
        }
    }
    view.stereoMode = screen;
    const fs::path report = fs::temp_directory_path() / "kelpris_view_bench_rep.txt";
    {
        // The second thread and the report writer, as the window has them.
        kelpris::PaintWorker worker;
        kelpris::ReportWriter reports;
        const double cpuBefore = processCpuSeconds();
        for (auto _ : st) {
            kelpris::QtImageSurface surface(buffer);
            const kelpris::Result<kelpris::SortReport> done =
                kelpris::DrawScreen(view, surface, buffers, report, {&worker, &reports});
            if (!done) {
                st.SkipWithError(done.message().c_str());
                break;
            }
        }
        reports.flush();
        // Every thread's time, the report writes included: the work a paint
        // costs, whatever else the machine runs.
        st.counters["all_threads_cpu_ms"] = benchmark::Counter(
            (processCpuSeconds() - cpuBefore) * 1000.0 / static_cast<double>(st.iterations()));
    }
    st.counters["faces"] = static_cast<double>(view.scene->faces.size());
    fs::remove(report);
}

OpenedModel loadBunny(benchmark::State& st) {
    OpenedModel m;
    if (!m.scene.load(kBunny)) {
        st.SkipWithError("bunny sample not found");
    }
    return m;
}

void BM_SetupScreen_Bunny(benchmark::State& st) {
    paintScreen(st, loadBunny(st), kelpris::Screen::Setup);
}
void BM_StereoScreen_Bunny(benchmark::State& st) {
    paintScreen(st, loadBunny(st), kelpris::Screen::Stereo);
}
void BM_SetupScreen_100kFaces(benchmark::State& st) {
    paintScreen(st, {kelpris::testing::heightField(250, 200, 8)}, kelpris::Screen::Setup);
}
void BM_StereoScreen_100kFaces(benchmark::State& st) {
    paintScreen(st, {kelpris::testing::heightField(250, 200, 8)}, kelpris::Screen::Stereo);
}

// The fit a resize of a fitted model runs before its paint: the layout at
// 1920 x 1080 with the framing due, for the 100,000-triangle height field.
void BM_Fit_100kFaces(benchmark::State& st) {
    kelpris::ViewState view;
    view.scene = std::make_shared<const Scena>(kelpris::testing::heightField(250, 200, 8));
    kelpris::buildTransforms(view);
    for (auto _ : st) {
        kelpris::requestFit(view.framing);
        kelpris::computeLayout(view, {0, 0, 1924, 1084});
        benchmark::DoNotOptimize(view.framing.zoom);
    }
}
BENCHMARK(BM_Fit_100kFaces)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_SetupScreen_Bunny)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StereoScreen_Bunny)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetupScreen_100kFaces)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StereoScreen_100kFaces)->Unit(benchmark::kMillisecond)->UseRealTime();

// Any model the viewer opens, read as the window reads it.
OpenedModel loadModel(benchmark::State& st, const fs::path& path) {
    kelpris::Result<kelpris::mesh::LoadedModel> loaded = kelpris::mesh::loadModelFile(path);
    if (!loaded) {
        st.SkipWithError(loaded.message().c_str());
        return {};
    }
    return {std::move(loaded->scene),
            loaded->imported ? kelpris::ModelSource::Imported : kelpris::ModelSource::SceneFile};
}

// Counts polygons and their corners: what is left of a paint's walk over the
// faces when drawing costs nothing.
class CountingSurface final : public kelpris::DrawingSurface {
  public:
    std::int64_t sum = 0;
    std::unique_ptr<kelpris::Bitmap> loadBitmap(int) override { return nullptr; }
    std::unique_ptr<kelpris::Bitmap> createCompatibleBitmap(std::int32_t, std::int32_t) override {
        return nullptr;
    }
    std::unique_ptr<DrawingSurface> createCompatibleSurface() override { return nullptr; }
    kelpris::Pen selectPen(const kelpris::Pen& p) override { return p; }
    kelpris::Brush selectBrush(const kelpris::Brush& b) override { return b; }
    kelpris::Bitmap* selectBitmap(kelpris::Bitmap*) override { return nullptr; }
    void moveTo(std::int32_t, std::int32_t) override {}
    void lineTo(std::int32_t, std::int32_t) override {}
    void polygon(std::span<const kelpris::Point> points) override {
        for (const kelpris::Point& p : points) {
            sum += p.x + p.y;
        }
    }
    void ellipse(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
    void rectangle(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
    void textOut(std::int32_t, std::int32_t, std::string_view) override {}
    kelpris::Rgb setTextColour(kelpris::Rgb c) override { return c; }
    void bitBlt(std::int32_t, std::int32_t, std::int32_t, std::int32_t, DrawingSurface&,
                std::int32_t, std::int32_t, kelpris::RasterOp) override {}
};

enum class Walk { Order, OrderWide, Gather, Lights, Draw, Picture, Plane };

// One eye's walk over the depth-ordered faces: ordering the faces and
// copying them in that order (as the paint does, and with one far vertex no
// face uses, which makes the depths too wide for one bucket per depth),
// gathering the faces in depth order, finding their lights (lit faces), going through the gathered
// faces' corners in a projection buffer without drawing, or drawing them at 1920 x 1080 into a
// whole picture or into one channel's plane (one thread, the eye's colours, lit when the model is
// shown lit).
void walkSortedFaces(benchmark::State& st, OpenedModel model, Walk walk) {
    kelpris::ViewState view;
    showModel(view, std::move(model), {});
    const kelpris::StereoParams params = kelpris::stereoScreenParams(view, 1);
    std::vector<kelpris::Point> points(view.scene->vertices.size());
    std::vector<std::int32_t> depths(view.scene->vertices.size());
    kelpris::projectStereo(*view.scene, view.stereoXf, params, points, depths);
    kelpris::DepthOrder order;
    kelpris::orderFaces(view.scene->faces, depths, order);
    std::vector<kelpris::Face> faces(order.size());
    CountingSurface surface;
    kelpris::QtImageSurface picture(1920, 1080);
    kelpris::PlaneSurface plane;
    plane.reset(kelpris::Channel::Green, 1920, 1080);
    for (kelpris::DrawingSurface* eye : {static_cast<kelpris::DrawingSurface*>(&picture),
                                         static_cast<kelpris::DrawingSurface*>(&plane)}) {
        eye->selectPen(view.penGreen);
        eye->selectBrush(view.brushGreen);
    }
    kelpris::gatherFaces(view.scene->faces, order.TRIEDENE_STENY, faces);
    const bool lit = view.shading() == kelpris::Shading::Lit;
    const kelpris::LitFaceStyle light = kelpris::eyeLight(view, {});
    const kelpris::LitFaceStyle style = kelpris::eyeLight(view, view.penGreen.colour);
    std::vector<double> lights(faces.size());
    std::vector<kelpris::LightSpacePoint> lightSpace(view.scene->vertices.size());
    const auto findLights = [&] {
        kelpris::toLightSpace(*view.scene, light.transform, 0, lightSpace.size(), lightSpace);
        kelpris::faceLights(lightSpace, faces, light, lights);
    };
    findLights();
    const auto drawEye = [&](kelpris::DrawingSurface& eye) {
        if (lit) {
            kelpris::drawLitFaces(faces, points, lights, eye, style);
        } else {
            kelpris::drawFaces(faces, points, eye);
        }
    };
    std::vector<std::int32_t> wideDepths = depths;
    wideDepths.push_back(std::numeric_limits<std::int32_t>::min());
    for (auto _ : st) {
        switch (walk) {
            case Walk::Order:
                kelpris::orderFaces(view.scene->faces, depths, order, nullptr, &faces);
                break;
            case Walk::OrderWide:
                kelpris::orderFaces(view.scene->faces, wideDepths, order, nullptr, &faces);
                break;
            case Walk::Gather:
                kelpris::gatherFaces(view.scene->faces, order.TRIEDENE_STENY, faces);
                break;
            case Walk::Lights:
                findLights();
                break;
            case Walk::Draw:
                drawEye(surface);
                break;
            case Walk::Picture:
                drawEye(picture);
                break;
            case Walk::Plane:
                drawEye(plane);
                break;
        }
    }
    benchmark::DoNotOptimize(surface.sum);
    benchmark::DoNotOptimize(lights.data());
}

/// Takes `--model FILE`, `--size WxH` and `--yaw RADIANS` out of the
/// arguments; false on a malformed value.
bool takeModelArguments(int& argc, char** argv, std::string& model, PaintAt& at) {
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--model") == 0 && hasValue) {
            model = argv[++i];
        } else if (std::strcmp(argv[i], "--size") == 0 && hasValue) {
            ++i;
            char tail = 0;
            if (std::sscanf(argv[i], "%dx%d%c", &at.width, &at.height, &tail) != 2 ||
                at.width < 1 || at.height < 1) {
                std::cerr << "view_bench: --size wants WxH, got " << argv[i] << '\n';
                return false;
            }
        } else if (std::strcmp(argv[i], "--yaw") == 0 && hasValue) {
            ++i;
            char tail = 0;
            if (std::sscanf(argv[i], "%f%c", &at.yaw, &tail) != 1 || !std::isfinite(at.yaw)) {
                std::cerr << "view_bench: --yaw wants radians, got " << argv[i] << '\n';
                return false;
            }
        } else {
            kept.push_back(argv[i]);
        }
    }
    argc = static_cast<int>(kept.size());
    std::copy(kept.begin(), kept.end(), argv);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    std::string model;
    PaintAt at;
    if (!takeModelArguments(argc, argv, model, at)) {
        return 2;
    }
    if (!model.empty()) {
        const fs::path path(model);
        benchmark::RegisterBenchmark("SetupScreen_Model",
                                     [path, at](benchmark::State& st) {
                                         paintScreen(st, loadModel(st, path),
                                                     kelpris::Screen::Setup, at);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("StereoScreen_Model",
                                     [path, at](benchmark::State& st) {
                                         paintScreen(st, loadModel(st, path),
                                                     kelpris::Screen::Stereo, at);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    if (!model.empty()) {
        const fs::path path(model);
        const std::pair<const char*, Walk> walks[] = {
            {"SortedWalk_Order_Model", Walk::Order},
            {"SortedWalk_OrderWide_Model", Walk::OrderWide},
            {"SortedWalk_Gather_Model", Walk::Gather},
            {"SortedWalk_Lights_Model", Walk::Lights},
            {"SortedWalk_Draw_Model", Walk::Draw},
            {"SortedWalk_Picture_Model", Walk::Picture},
            {"SortedWalk_Plane_Model", Walk::Plane}};
        for (const auto& [name, walk] : walks) {
            benchmark::RegisterBenchmark(name, [path, walk = walk](benchmark::State& st) {
                walkSortedFaces(st, loadModel(st, path), walk);
            })->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
