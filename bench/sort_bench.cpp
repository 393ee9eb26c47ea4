// Depth ordering plus the sort report for a million faces.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

#include "scene/depth_order.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"

namespace {

// One vertex per face, its depth drawn from [lo, hi].
struct Faces {
    std::vector<kelpris::Face> faces;
    std::vector<std::int32_t> vertexDepths;
};

Faces makeFaces(std::size_t count, std::int32_t lo, std::int32_t hi) {
    Faces f;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::int32_t> depth(lo, hi);
    f.vertexDepths.resize(count);
    f.faces.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        f.vertexDepths[i] = depth(rng);
        const auto v = static_cast<std::uint32_t>(i);
        f.faces[i] = kelpris::Face{{v, v, v, kelpris::kNoCorner}};
    }
    return f;
}

void run(benchmark::State& state, std::int32_t lo, std::int32_t hi) {
    const Faces f = makeFaces(static_cast<std::size_t>(state.range(0)), lo, hi);
    const auto report = std::filesystem::temp_directory_path() / "kelpris_sort_bench_rep.txt";
    kelpris::DepthOrder order;
    for (auto _ : state) {
        kelpris::orderFaces(f.faces, f.vertexDepths, order);
        const kelpris::FileStatus st = kelpris::writeSortReport(report, order.depths);
        if (!st.ok) {
            state.SkipWithError(st.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(order.TRIEDENE_STENY.data());
    }
    std::filesystem::remove(report);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The depth order alone, without the report; with two threads, as the
// stereo paint orders a long list, when `threads` is 2.
void BM_OrderFaces(benchmark::State& state, std::int32_t lo, std::int32_t hi, int threads) {
    const Faces f = makeFaces(static_cast<std::size_t>(state.range(0)), lo, hi);
    kelpris::DepthOrder order;
    kelpris::PaintWorker worker;
    const kelpris::RunBoth besideWorker = [&worker](const std::function<void()>& beside,
                                                    const std::function<void()>& here) {
        kelpris::WorkerTask task(&worker, beside);
        here();
        task.join();
    };
    for (auto _ : state) {
        kelpris::orderFaces(f.faces, f.vertexDepths, order, threads == 2 ? &besideWorker : nullptr);
        benchmark::DoNotOptimize(order.TRIEDENE_STENY.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Depths as a stereo projection of a 2000-unit model gives them.
void BM_SortFacesRandomDepths(benchmark::State& state) {
    run(state, -100000, 100000);
}
// Few distinct depths: long groups of ties.
void BM_SortFacesManyTies(benchmark::State& state) {
    run(state, 150, 170);
}

}  // namespace

BENCHMARK(BM_SortFacesRandomDepths)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortFacesManyTies)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Depths of a model filling a 1920-pixel window, either side of the plane.
BENCHMARK_CAPTURE(BM_OrderFaces, window, -2600, 2600, 1)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OrderFaces, window_2threads, -2600, 2600, 2)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OrderFaces, wide, -100000, 100000, 1)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
