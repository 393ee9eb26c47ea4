// Loading scene files from disk: a face model (triangles and quadrilaterals
// mixed over a grid, two faces per vertex) and an edge model, at several sizes
// to show that load time grows linearly with the file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "scene/scena.h"

namespace {

namespace fs = std::filesystem;

// Grid of `side` x `side` vertices with fractional coordinates.
void appendGridVertices(std::string& text, std::int64_t side) {
    char line[96];
    for (std::int64_t row = 0; row < side; ++row) {
        for (std::int64_t col = 0; col < side; ++col) {
            const double x = static_cast<double>(col) * 0.731 - 250.0;
            const double y = static_cast<double>(row) * 0.613 - 200.0;
            const double z = static_cast<double>((row * 7 + col * 13) % 1000) * 0.0417;
            const int n = std::snprintf(line, sizeof line, "%.4f %.4f %.5f\n", x, y, z);
            text.append(line, static_cast<std::size_t>(n));
        }
    }
}

std::int64_t gridSide(std::int64_t vertices) {
    std::int64_t side = 2;
    while (side * side < vertices) {
        ++side;
    }
    return side;
}

std::string faceModel(std::int64_t faces) {
    const std::int64_t side = gridSide(faces / 2);
    std::string text = "1\n" + std::to_string(side * side) + " " + std::to_string(faces) + "\n";
    appendGridVertices(text, side);
    const std::int64_t cells = (side - 1) * (side - 1);
    for (std::int64_t i = 0; i < faces; ++i) {
        const std::int64_t cell = (i / 2) % cells;
        const std::int64_t a = (cell / (side - 1)) * side + cell % (side - 1) + 1;
        const std::int64_t b = a + 1;
        const std::int64_t c = a + side + 1;
        const std::int64_t d = a + side;
        if (i % 3 == 0) {
            text += std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " +
                    std::to_string(d) + "\n";
        } else if (i % 2 == 0) {
            text += std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
        } else {
            text += std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
        }
    }
    return text;
}

std::string edgeModel(std::int64_t edges) {
    const std::int64_t side = gridSide(edges / 2);
    std::string text = "0\n" + std::to_string(side * side) + " " + std::to_string(edges) + "\n";
    appendGridVertices(text, side);
    const std::int64_t vertices = side * side;
    for (std::int64_t i = 0; i < edges; ++i) {
        const std::int64_t a = (i / 2) % (vertices - side) + 1;
        const std::int64_t b = i % 2 == 0 ? a + 1 : a + side;
        text += std::to_string(a) + " " + std::to_string(b) + "\n";
    }
    return text;
}

// Files are written once per model and size and removed at exit.
class ModelFiles {
  public:
    ~ModelFiles() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    const fs::path& get(bool faces, std::int64_t records) {
        const auto key = std::make_pair(faces, records);
        auto it = paths_.find(key);
        if (it == paths_.end()) {
            const auto path =
                dir_ / ((faces ? "faces_" : "edges_") + std::to_string(records) + ".dat");
            const std::string text = faces ? faceModel(records) : edgeModel(records);
            std::ofstream(path, std::ios::binary) << text;
            it = paths_.emplace(key, path).first;
        }
        return it->second;
    }

  private:
    fs::path dir_ = [] {
        auto dir = fs::temp_directory_path() / "kelpris_load_bench";
        fs::create_directories(dir);
        return dir;
    }();
    std::map<std::pair<bool, std::int64_t>, fs::path> paths_;
};

ModelFiles& files() {
    static ModelFiles instance;
    return instance;
}

void runLoad(benchmark::State& state, bool faces) {
    const std::int64_t records = state.range(0);
    const fs::path& path = files().get(faces, records);
    for (auto _ : state) {
        kelpris::Scena scene;
        const kelpris::FileStatus status = scene.load(path);
        if (!status) {
            state.SkipWithError(status.message().c_str());
            break;
        }
        benchmark::DoNotOptimize(scene.vertices.data());
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void BM_LoadFaceModel(benchmark::State& state) {
    runLoad(state, true);
}
void BM_LoadEdgeModel(benchmark::State& state) {
    runLoad(state, false);
}

}  // namespace

BENCHMARK(BM_LoadFaceModel)
    ->Arg(125000)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadEdgeModel)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
