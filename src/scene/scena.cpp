// Scene records: loading from a file, release and the centre.

#include "scene/scena.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "base/file_io.h"
#include "base/saturate.h"
#include "scene/scene_reader.h"

namespace kelpris {

FileStatus Scena::load(const std::filesystem::path& path) {
    const std::string name = path.string();
    try {
        std::string text;
        if (FileStatus read = readRegularFile(path, kMaxSceneFileBytes, text); !read) {
            clear();
            return read;
        }
        return loadFromBuffer(*this, text, name);
    } catch (const std::bad_alloc&) {
        clear();
        return FileStatus::failure(name, 0, "not enough memory to load the file");
    } catch (const std::length_error&) {
        clear();
        return FileStatus::failure(name, 0, "not enough memory to load the file");
    }
}

void Scena::clear() noexcept {
    // Swapping with empty vectors releases the storage, not just the records.
    std::vector<Vertex>().swap(vertices);
    std::vector<Edge>().swap(edges);
    std::vector<Face>().swap(faces);
    vertexCount = 0;
    edgeCount = 0;
    faceCount = 0;
}

void Scena::computeCentre() noexcept {
    const std::int32_t n = vertexCount;
    if (n < 1) {
        centreX = 0;
        centreY = 0;
        centreZ = 0;
        return;
    }
    float totalX = 0.0f;
    float totalY = 0.0f;
    float totalZ = 0.0f;
    const double divisor = static_cast<double>(n);
    // Block sums would be 32-bit; they are kept in 64 bits because a sum that
    // overflows 32 bits (only possible with coordinates or a vertexCount that
    // no load produces) would be undefined there. Wherever the 32-bit sum is
    // defined, the two agree.
    auto addBlock = [&](std::size_t first, std::size_t last) {
        std::int64_t sumX = 0;
        std::int64_t sumY = 0;
        std::int64_t sumZ = 0;
        for (std::size_t i = first; i < last; ++i) {
            sumX += vertices[i].x;
            sumY += vertices[i].y;
            sumZ += vertices[i].z;
        }
        totalX = static_cast<float>(static_cast<double>(sumX) / divisor + totalX);
        totalY = static_cast<float>(static_cast<double>(sumY) / divisor + totalY);
        totalZ = static_cast<float>(static_cast<double>(sumZ) / divisor + totalZ);
    };
    const std::size_t size = vertices.size();
    const auto blocks = static_cast<std::size_t>(n / 10);
    std::size_t next = 0;
    // A block past the end of the chain would add 0 and leave the totals as
    // they are, so the walk stops where the chain does.
    for (std::size_t b = 0; b < blocks && next < size; ++b) {
        const std::size_t end = std::min(next + 10, size);
        addBlock(next, end);
        next = end;
    }
    addBlock(next, size);
    centreX = truncToInt32(totalX);
    centreY = truncToInt32(totalY);
    centreZ = truncToInt32(totalZ);
}

}  // namespace kelpris
