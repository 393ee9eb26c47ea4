// Whole-scene projections of a million vertices: one eye, both eyes in one
// pass, and the parallel projection of the setup views.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "geometry/matrix4.h"
#include "geometry/scene_projection.h"
#include "scene/scena.h"

namespace {

kelpris::Scena randomScene(std::int64_t vertexCount, unsigned seed) {
    kelpris::Scena s;
    s.vertices.resize(static_cast<std::size_t>(vertexCount));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> coord(-1000, 1000);
    for (auto& v : s.vertices) {
        v.x = coord(rng);
        v.y = coord(rng);
        v.z = coord(rng);
    }
    return s;
}

// The stereo transform at a turned view, and a full-window projection.
kelpris::Matrix4 stereoTransform() {
    kelpris::Matrix4 xf;
    xf.translate(-12, 40, -7);
    xf.rotateZ(-0.7f);
    xf.rotateX(-1.3f);
    return xf;
}

kelpris::StereoParams stereoParams() {
    kelpris::StereoParams p;
    p.depthOffset = 400;
    p.eyeDistance = 537;
    p.eyeShift = 25;
    p.eyeSign = 1;
    p.scale = 0.5f;
    p.originX = 800;
    p.originY = 450;
    return p;
}

void BM_ProjectAllStereo(benchmark::State& state) {
    kelpris::Scena s = randomScene(state.range(0), 99);
    const kelpris::Matrix4 xf = stereoTransform();
    kelpris::StereoParams p = stereoParams();
    std::vector<kelpris::Point> points(s.vertices.size());
    std::vector<std::int32_t> depths(s.vertices.size());
    for (auto _ : state) {
        kelpris::projectStereo(s, xf, p, points, depths);
        benchmark::DoNotOptimize(points.data());
        benchmark::DoNotOptimize(depths.data());
        benchmark::ClobberMemory();
        p.eyeSign = -p.eyeSign;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Both eyes and the depths: the work of two BM_ProjectAllStereo iterations.
void BM_ProjectStereoPair(benchmark::State& state) {
    kelpris::Scena s = randomScene(state.range(0), 99);
    const kelpris::Matrix4 xf = stereoTransform();
    const kelpris::StereoParams p = stereoParams();
    std::vector<kelpris::Point> right(s.vertices.size());
    std::vector<kelpris::Point> left(s.vertices.size());
    std::vector<std::int32_t> depths(s.vertices.size());
    for (auto _ : state) {
        kelpris::projectStereoPair(s, xf, p, {right, left, depths}, 0, s.vertices.size());
        benchmark::DoNotOptimize(right.data());
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(depths.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ProjectAllParallel(benchmark::State& state) {
    kelpris::Scena s = randomScene(state.range(0), 98);
    kelpris::Matrix4 xf;
    xf.translate(-12, 40, -7);
    xf.rotateZ(-2.2f);
    xf.rotateX(-1.5f);
    xf.flatten();
    std::vector<kelpris::Point> points(s.vertices.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelpris::projectParallel(s, xf, 0.2f, 190, 120, points));
        benchmark::DoNotOptimize(points.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ProjectAllStereo)->Arg(1000000)->Unit(benchmark::kMillisecond);
// 50k vertices keep their buffers in the cache: the arithmetic alone.
BENCHMARK(BM_ProjectStereoPair)->Arg(1000000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjectAllParallel)->Arg(1000000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
