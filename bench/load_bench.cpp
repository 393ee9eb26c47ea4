// Loading scene files from disk: a face model (triangles and quadrilaterals
// mixed over a grid, two faces per vertex) and an edge model, at several sizes
// to show that load time grows linearly with the file; and the same height
// field as a binary STL and as the scene file saved from it, to compare the
// STL reader (joining 3 corners per triangle) with the scene reader.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "import/model_loader.h"
#include "scene/scena.h"
#include "scene/scene_writer.h"

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

// A height field of `triangles` triangles (two per grid cell) as binary STL.
std::string heightFieldStl(std::int64_t triangles) {
    const std::int64_t side = gridSide(triangles / 2);
    std::string stl(80, ' ');
    const auto count = static_cast<std::uint32_t>(2 * (side - 1) * (side - 1));
    stl.append(reinterpret_cast<const char*>(&count), 4);
    const auto at = [](std::int64_t i, std::int64_t j) {
        const float p[3] = {static_cast<float>(i) * 0.731f, static_cast<float>(j) * 0.613f,
                            static_cast<float>((i * 7 + j * 13) % 1000) * 0.0417f};
        return std::string(reinterpret_cast<const char*>(p), 12);
    };
    for (std::int64_t i = 0; i + 1 < side; ++i) {
        for (std::int64_t j = 0; j + 1 < side; ++j) {
            stl += std::string(12, '\0') + at(i, j) + at(i + 1, j) + at(i + 1, j + 1) +
                   std::string(2, '\0');
            stl += std::string(12, '\0') + at(i, j) + at(i + 1, j + 1) + at(i, j + 1) +
                   std::string(2, '\0');
        }
    }
    return stl;
}

// The STL and the scene file saved from its import, written once.
const std::pair<fs::path, fs::path>& stlAndScene(std::int64_t triangles) {
    static std::map<std::int64_t, std::pair<fs::path, fs::path>> made;
    auto it = made.find(triangles);
    if (it == made.end()) {
        const fs::path dir = fs::temp_directory_path() / "kelpris_load_bench";
        fs::create_directories(dir);
        const fs::path stl = dir / ("field_" + std::to_string(triangles) + ".stl");
        const fs::path dat = dir / ("field_" + std::to_string(triangles) + ".dat");
        std::ofstream(stl, std::ios::binary) << heightFieldStl(triangles);
        auto loaded = kelpris::mesh::loadModelFile(stl);
        const kelpris::FileStatus saved =
            loaded ? kelpris::writeScene(loaded->scene, dat) : loaded.status();
        if (!saved) {
            std::fprintf(stderr, "%s\n", saved.message().c_str());
        }
        it = made.emplace(triangles, std::make_pair(stl, dat)).first;
    }
    return it->second;
}

void runModelLoad(benchmark::State& state, bool stl) {
    const auto& [stlPath, datPath] = stlAndScene(state.range(0));
    const fs::path& path = stl ? stlPath : datPath;
    for (auto _ : state) {
        auto loaded = kelpris::mesh::loadModelFile(path);
        if (!loaded) {
            state.SkipWithError(loaded.message().c_str());
            break;
        }
        benchmark::DoNotOptimize(loaded->scene.vertices.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadBinaryStl(benchmark::State& state) {
    runModelLoad(state, true);
}
void BM_LoadSceneOfTheStl(benchmark::State& state) {
    runModelLoad(state, false);
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
BENCHMARK(BM_LoadBinaryStl)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSceneOfTheStl)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
