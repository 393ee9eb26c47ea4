// Fuzzes the in-process STL, PLY and OFF readers. Whatever a reader accepts
// must be a sound model that builds a sound scene; a refusal must say why.
// The first byte picks the reader (bit 3 set: OFF, else bit 0 set: PLY, else
// STL) and the up axis, the rest is the file.

#include <cstdint>
#include <string_view>

#include "import/model_loader.h"
#include "import/off_reader.h"
#include "import/ply_reader.h"
#include "import/stl_reader.h"
#include "scene_invariants.h"

namespace {

using namespace kelpris;
using namespace kelpris::mesh;

using fuzz::inRange;
using fuzz::recordsReferToVertices;
using fuzz::require;

void checkModel(const MeshModel& model) {
    const std::size_t per = model.cornersPerRecord();
    require(model.corners.size() % per == 0 && model.recordCount() > 0, "whole records");
    require(model.xyz.size() % 3 == 0 && model.vertexCount() > 0, "whole vertices");
    std::vector<bool> used(model.vertexCount(), false);
    for (std::size_t i = 0; i < model.corners.size(); ++i) {
        const std::uint32_t c = model.corners[i];
        if (model.faceModel && i % per == 3 && c == kNoCorner) {
            continue;
        }
        require(c < model.vertexCount(), "corners are vertices");
        used[c] = true;
    }
    for (const bool u : used) {
        require(u, "every vertex is used");
    }
}

void checkScene(const Scena& s, const MeshModel& model) {
    require(s.vertices.size() == model.vertexCount(), "one vertex per point");
    for (const Vertex& v : s.vertices) {
        require(inRange(v.x) && inRange(v.y) && inRange(v.z), "coordinates in -1000..1000");
        require(v.x >= 0 && v.y >= 0 && v.z >= 0, "placed from 0");
    }
    require(recordsReferToVertices(s), "edge ends and face corners are vertices");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool off = (data[0] & 8) != 0;
    const bool ply = (data[0] & 1) != 0;
    const UpAxis up = static_cast<UpAxis>((data[0] >> 1) % 4);
    const auto* bytes = reinterpret_cast<const std::byte*>(data + 1);
    MemorySource source(bytes, size - 1);
    const std::string name = "fuzz";
    Result<MeshModel> model = off   ? readOff(source, size - 1, up, name)
                              : ply ? readPly(source, size - 1, up, name)
                                    : readStl(source, size - 1, up, name);
    if (!model) {
        require(!model.status().reason.empty() && model.status().line >= 0, "a refusal says why");
        return 0;
    }
    checkModel(*model);
    const MeshModel copy = *model;
    const std::optional<Scena> scene = buildScene(std::move(*model));
    require(scene.has_value(), "an accepted model builds a scene");
    checkScene(*scene, copy);
    return 0;
}
