// Fuzzes the viewer's reader of the importer's model stream, and the checks
// made on a file's first bytes before the import library sees it. Whatever
// the reader accepts must build a sound scene and encode back to the very
// same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "import/mesh_stream.h"
#include "import/model_check.h"
#include "import/model_loader.h"
#include "scene_invariants.h"

namespace {

using namespace kelpris;
using namespace kelpris::mesh;

using fuzz::inRange;
using fuzz::recordsReferToVertices;
using fuzz::require;

void checkScene(const Scena& s, const MeshModel& model) {
    require(s.vertices.size() == model.vertexCount(), "one vertex per point");
    require(s.vertexCount == static_cast<std::int32_t>(s.vertices.size()), "vertex count");
    for (const Vertex& v : s.vertices) {
        require(inRange(v.x) && inRange(v.y) && inRange(v.z), "coordinates in -1000..1000");
    }
    if (model.faceModel) {
        require(s.faceModel != 0 && s.edges.empty(), "a face model");
        require(s.faces.size() == model.recordCount(), "one face per record");
    } else {
        require(s.faceModel == 0 && s.faces.empty(), "an edge model");
        require(s.edges.size() == model.recordCount(), "one edge per record");
    }
    require(recordsReferToVertices(s), "edge ends and face corners are vertices");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    MemorySource source(bytes, size);
    const StreamContent content = readStream(source);
    if (content.kind == StreamContent::Kind::model) {
        const std::optional<Scena> scene = buildScene(content.model);
        require(scene.has_value(), "an accepted model builds a scene");
        checkScene(*scene, content.model);
        require(encodeModel(content.model) == std::vector<std::byte>(bytes, bytes + size),
                "an accepted model encodes to the same bytes");
    } else {
        require(!content.text.empty() || content.kind == StreamContent::Kind::error,
                "a refusal says why");
    }

    const std::string_view head(reinterpret_cast<const char*>(data), size);
    for (const std::string_view extension : importedExtensions()) {
        const ModelFormat format = detectFormat(head, extension);
        (void)checkModelHead(head, size, format);
        (void)checkModelHead(head, size * 3 + 1, format);
    }
    return 0;
}
