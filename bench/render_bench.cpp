// Raster throughput of the Qt surface for what the stereo screen draws:
// many small outlined triangles, many short lines, and the full-window OR.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "render/qt/qt_surface.h"

namespace {

using kelpris::Brush;
using kelpris::Pen;
using kelpris::Point;
using kelpris::QtImageSurface;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCount = 100'000;

/// Deterministic points spread over the window, with small offsets for the
/// other corners (a model of a few thousand faces seen at full size).
std::vector<Point> scatter(int count, int corners, int spread) {
    std::uint32_t state = 12345;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
    };
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(count) * static_cast<std::size_t>(corners));
    for (int i = 0; i < count; ++i) {
        const Point base{next(kWidth), next(kHeight)};
        points.push_back(base);
        for (int c = 1; c < corners; ++c) {
            points.push_back(
                {base.x + next(2 * spread) - spread, base.y + next(2 * spread) - spread});
        }
    }
    return points;
}

void BM_FillSmallTriangles(benchmark::State& state) {
    QtImageSurface surface(kWidth, kHeight);
    surface.selectPen(Pen{1, {0, 120, 0}});
    surface.selectBrush(Brush::solid({0, 100, 0}));
    const auto corners = scatter(kCount, 3, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t i = 0; i < corners.size(); i += 3) {
            surface.polygon(std::span<const Point>(&corners[i], 3));
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_FillSmallTriangles)->Arg(8)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_DrawLines(benchmark::State& state) {
    QtImageSurface surface(kWidth, kHeight);
    surface.selectPen(Pen{1, {215, 0, 0}});
    const auto ends = scatter(kCount, 2, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t i = 0; i < ends.size(); i += 2) {
            surface.moveTo(ends[i].x, ends[i].y);
            surface.lineTo(ends[i + 1].x, ends[i + 1].y);
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DrawLines)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_OrFullWindow(benchmark::State& state) {
    QtImageSurface window(kWidth, kHeight);
    auto memory = window.createCompatibleSurface();
    auto bitmap = window.createCompatibleBitmap(kWidth, kHeight);
    kelpris::ScopedBitmap selected(*memory, bitmap.get());
    for (auto _ : state) {
        window.bitBlt(0, 0, kWidth, kHeight, *memory, 0, 0, kelpris::RasterOp::SrcPaint);
        benchmark::DoNotOptimize(window.image().constBits());
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_OrFullWindow)->Unit(benchmark::kMillisecond);

}  // namespace
