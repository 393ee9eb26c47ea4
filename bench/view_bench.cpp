// One full paint of each screen at 1920 x 1080 onto the Qt surface, as the
// view does it: DrawScreen into a reused back buffer. Models: the Stanford
// bunny sample (when present) and a generated 100,000-triangle height field.
// The stereo paint of a face model includes the depth sort and the report.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "render/qt/qt_surface.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace {

namespace fs = std::filesystem;
using kelpris::Scena;

const fs::path kBunny = fs::path(KELPRIS_SOURCE_DIR) / "data" / "samples" / "bunny.dat";

// A 250 x 200 grid of quads split into two triangles each: 100,000 faces.
Scena heightField() {
    constexpr int cols = 250;
    constexpr int rows = 200;
    Scena s;
    s.faceModel = 1;
    s.vertices.reserve((cols + 1) * (rows + 1));
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= cols; ++c) {
            const double h = 150.0 * std::sin(c * 0.11) * std::cos(r * 0.07);
            s.vertices.push_back(
                kelpris::Vertex{c * 8 - 1000, static_cast<std::int32_t>(h), r * 8 - 800, 0, 0, 0});
        }
    }
    auto v = [&](int r, int c) {
        return &s.vertices[static_cast<std::size_t>(r * (cols + 1) + c)];
    };
    s.faces.reserve(cols * rows * 2);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            s.faces.push_back({v(r, c), v(r, c + 1), v(r + 1, c + 1), nullptr});
            s.faces.push_back({v(r, c), v(r + 1, c + 1), v(r + 1, c), nullptr});
        }
    }
    s.vertexCount = static_cast<std::int32_t>(s.vertices.size());
    s.faceCount = static_cast<std::int32_t>(s.faces.size());
    s.computeCentre();
    return s;
}

void paintScreen(benchmark::State& st, Scena scene, kelpris::Screen screen) {
    kelpris::ViewState view;
    {
        kelpris::QtImageSurface tools(1, 1);
        kelpris::createTools(view, tools);
    }
    view.scene = std::make_unique<Scena>(std::move(scene));
    kelpris::computeLayout(view, {0, 0, 1924, 1084});
    QImage buffer(1920, 1080, QImage::Format_RGB32);
    {  // the stereo screen uses the transform of the last setup paint
        kelpris::QtImageSurface surface(buffer);
        static_cast<void>(kelpris::DrawScreen(view, surface));
    }
    view.stereoMode = screen;
    const fs::path report = fs::temp_directory_path() / "kelpris_view_bench_rep.txt";
    for (auto _ : st) {
        kelpris::QtImageSurface surface(buffer);
        benchmark::DoNotOptimize(kelpris::DrawScreen(view, surface, report));
    }
    st.counters["faces"] = static_cast<double>(view.scene->faces.size());
    fs::remove(report);
}

Scena loadBunny(benchmark::State& st) {
    Scena s;
    if (!s.load(kBunny)) {
        st.SkipWithError("bunny sample not found");
    }
    return s;
}

void BM_SetupScreen_Bunny(benchmark::State& st) {
    paintScreen(st, loadBunny(st), kelpris::Screen::Setup);
}
void BM_StereoScreen_Bunny(benchmark::State& st) {
    paintScreen(st, loadBunny(st), kelpris::Screen::Stereo);
}
void BM_SetupScreen_100kFaces(benchmark::State& st) {
    paintScreen(st, heightField(), kelpris::Screen::Setup);
}
void BM_StereoScreen_100kFaces(benchmark::State& st) {
    paintScreen(st, heightField(), kelpris::Screen::Stereo);
}

BENCHMARK(BM_SetupScreen_Bunny)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StereoScreen_Bunny)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetupScreen_100kFaces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StereoScreen_100kFaces)->Unit(benchmark::kMillisecond);

}  // namespace
