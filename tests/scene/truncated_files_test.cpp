// Every prefix of every bundled model either loads into a consistent scene or
// is refused with a reason and leaves the scene empty: a file cut short by a
// full disk or an interrupted copy must never crash the reader or half-load.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scena.h"
#include "scene/scene_reader.h"

namespace kelpris {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> bundledModels() {
    std::vector<fs::path> out;
    for (const fs::path& dir :
         {fs::path(KELPRIS_DATA_DIR), fs::path(KELPRIS_DATA_DIR) / "samples"}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() == ".dat") {
                out.push_back(entry.path());
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Prefix lengths to try: all of them for a small file; for a big one the
// first and last KB whole (the header and the last records)
// and a stride through the middle, so the test stays quick.
std::vector<std::size_t> prefixLengths(std::size_t size) {
    constexpr std::size_t kWhole = 4096;
    constexpr std::size_t kEdge = 1024;
    constexpr std::size_t kStride = 97;  // odd, so cuts land on every kind of token
    std::vector<std::size_t> out;
    if (size <= kWhole) {
        for (std::size_t n = 0; n <= size; ++n) {
            out.push_back(n);
        }
        return out;
    }
    for (std::size_t n = 0; n <= kEdge; ++n) {
        out.push_back(n);
    }
    for (std::size_t n = kEdge + kStride; n < size - kEdge; n += kStride) {
        out.push_back(n);
    }
    for (std::size_t n = size - kEdge; n <= size; ++n) {
        out.push_back(n);
    }
    return out;
}

bool isVertexOf(const Scena& s, std::uint32_t index) {
    return index < s.vertices.size();
}

// Empty string when the scene is a consistent model, else what is wrong.
std::string inconsistency(const Scena& s) {
    if (s.vertexCount < 1 || s.vertices.size() != static_cast<std::size_t>(s.vertexCount)) {
        return "vertex count and chain disagree";
    }
    for (const Vertex& v : s.vertices) {
        for (const std::int32_t c : {v.x, v.y, v.z}) {
            if (c < -1000 || c > 1000) {
                return "coordinate outside -1000..1000";
            }
        }
    }
    for (const Edge& e : s.edges) {
        if (!isVertexOf(s, e.end1) || !isVertexOf(s, e.end2)) {
            return "edge end is not a vertex";
        }
    }
    for (const Face& f : s.faces) {
        if (!isVertexOf(s, f.corner[0]) || !isVertexOf(s, f.corner[1]) ||
            !isVertexOf(s, f.corner[2]) ||
            (f.corner[3] != kNoCorner && !isVertexOf(s, f.corner[3]))) {
            return "face corner is not a vertex";
        }
    }
    if ((s.faceModel == 0) != s.faces.empty() || (s.faceModel == 0) == s.edges.empty()) {
        return "the chains do not match the mode";
    }
    return {};
}

bool isEmpty(const Scena& s) {
    return s.vertices.empty() && s.edges.empty() && s.faces.empty() && s.vertexCount == 0 &&
           s.edgeCount == 0 && s.faceCount == 0;
}

TEST(TruncatedFiles, everyPrefixOfEveryBundledModelLoadsOrIsRefusedCleanly) {
    const std::vector<fs::path> models = bundledModels();
    ASSERT_GE(models.size(), 4u) << "bundled models not found in " << KELPRIS_DATA_DIR;
    for (const fs::path& model : models) {
        const std::string text = contents(model);
        ASSERT_FALSE(text.empty()) << model;
        // One scene for all prefixes: each load replaces what the last left.
        Scena scene;
        int loaded = 0;
        int refused = 0;
        for (const std::size_t n : prefixLengths(text.size())) {
            const std::string_view prefix(text.data(), n);
            const FileStatus status = loadFromBuffer(scene, prefix, "cut.dat");
            const std::string where = model.filename().string() + " cut at " + std::to_string(n);
            if (status) {
                ++loaded;
                const std::string wrong = inconsistency(scene);
                ASSERT_EQ(wrong, "") << where;
            } else {
                ++refused;
                ASSERT_FALSE(status.reason.empty()) << where;
                ASSERT_EQ(status.path, "cut.dat") << where;
                ASSERT_GE(status.line, 0) << where;
                ASSERT_TRUE(isEmpty(scene)) << where << ": " << status.message();
            }
        }
        // The whole file is a prefix too, and it must load.
        EXPECT_TRUE(loadFromBuffer(scene, text, "whole.dat")) << model;
        EXPECT_GT(refused, 0) << model;
        RecordProperty(model.filename().string() + "_loaded_prefixes", loaded);
    }
}

}  // namespace
}  // namespace kelpris
