#include "import/model_export.h"

#include <new>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

// Index of a scene vertex in the exported model, added on first use; false
// when the scene has no such vertex.
class VertexNumbers {
  public:
    VertexNumbers(const Scena& scene, MeshModel& model)
        : scene_(scene), model_(model), numbers_(scene.vertices.size(), kNoCorner) {}

    bool number(std::uint32_t vertex, std::uint32_t& out) {
        if (vertex >= numbers_.size()) {
            return false;
        }
        std::uint32_t& number = numbers_[vertex];
        if (number == kNoCorner) {
            number = static_cast<std::uint32_t>(model_.vertexCount());
            const Vertex& v = scene_.vertices[vertex];
            model_.xyz.insert(model_.xyz.end(), {static_cast<float>(v.x), static_cast<float>(v.y),
                                                 static_cast<float>(v.z)});
        }
        out = number;
        return true;
    }

  private:
    const Scena& scene_;
    MeshModel& model_;
    std::vector<std::uint32_t> numbers_;
};

FileStatus failed(const std::filesystem::path& path, std::string reason) {
    return FileStatus::failure(path.string(), 0, std::move(reason));
}

}  // namespace

std::optional<ExportFormat> exportFormatFor(const std::filesystem::path& path) {
    const std::string extension = lowerExtension(path);
    if (extension == "stl") {
        return ExportFormat::stl;
    }
    if (extension == "obj") {
        return ExportFormat::obj;
    }
    if (extension == "ply") {
        return ExportFormat::ply;
    }
    return std::nullopt;
}

std::optional<MeshModel> meshOfScene(const Scena& scene) {
    MeshModel model;
    model.faceModel = scene.faceModel != 0;
    VertexNumbers numbers(scene, model);
    if (model.faceModel) {
        for (const Face& face : scene.faces) {
            std::uint32_t c[4] = {0, 0, 0, kNoCorner};
            if (!numbers.number(face.corner[0], c[0]) || !numbers.number(face.corner[1], c[1]) ||
                !numbers.number(face.corner[2], c[2]) ||
                (face.corner[3] != kNoCorner && !numbers.number(face.corner[3], c[3]))) {
                return std::nullopt;
            }
            model.corners.insert(model.corners.end(), std::begin(c), std::end(c));
        }
    } else {
        for (const Edge& edge : scene.edges) {
            std::uint32_t c[2] = {0, 0};
            if (!numbers.number(edge.end1, c[0]) || !numbers.number(edge.end2, c[1])) {
                return std::nullopt;
            }
            model.corners.insert(model.corners.end(), std::begin(c), std::end(c));
        }
    }
    if (model.corners.empty()) {
        return std::nullopt;
    }
    return model;
}

FileStatus exportScene(const Scena& scene, const std::filesystem::path& path, ExportFormat format,
                       const ImportOptions& options) {
    try {
        std::optional<MeshModel> model = meshOfScene(scene);
        if (!model) {
            return failed(path, "there is no model to save");
        }
        if (!model->faceModel && format != ExportFormat::obj) {
            return failed(path, "an edge model can be saved only as .dat or .obj");
        }
        ChildSettings settings;
        settings.importer = options.importer.empty() ? defaultImporterPath() : options.importer;
        settings.timeout = options.timeout;
        settings.addressSpaceBytes = addressSpaceFor(model->xyz.size() * 64);
        const ExportResult result = exportInChild(*model, format, "the model", settings);
        if (!result.ok) {
            return failed(path, result.error);
        }
        return writeFileAtomically(path, result.bytes);
    } catch (const std::bad_alloc&) {
        return failed(path, "not enough memory to save the model");
    }
}

}  // namespace kelpris::mesh
