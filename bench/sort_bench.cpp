// Depth ordering plus the sort report for a million faces.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>

#include "scene/scena.h"

namespace {

// One vertex per face, its depth drawn from [lo, hi].
kelpris::Scena makeScene(std::size_t faces, std::int32_t lo, std::int32_t hi) {
    kelpris::Scena s;
    s.faceModel = 1;
    s.vertices.resize(faces);
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::int32_t> depth(lo, hi);
    for (auto& v : s.vertices) {
        v.depth = depth(rng);
    }
    s.faces.reserve(faces);
    for (auto& v : s.vertices) {
        s.faces.push_back({&v, &v, &v, nullptr});
    }
    s.vertexCount = static_cast<std::int32_t>(faces);
    s.faceCount = static_cast<std::int32_t>(faces);
    return s;
}

void run(benchmark::State& state, std::int32_t lo, std::int32_t hi) {
    kelpris::Scena s = makeScene(static_cast<std::size_t>(state.range(0)), lo, hi);
    const auto report = std::filesystem::temp_directory_path() / "kelpris_sort_bench_rep.txt";
    for (auto _ : state) {
        const kelpris::FileStatus st = s.sortFaces(report);
        if (!st.ok) {
            state.SkipWithError(st.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(s.TRIEDENE_STENY.data());
    }
    std::filesystem::remove(report);
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

BENCHMARK_MAIN();
