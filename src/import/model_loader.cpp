#include "import/model_loader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "base/file_io.h"
#include "import/byte_reader.h"
#include "import/child_import.h"
#include "import/off_reader.h"
#include "import/ply_reader.h"
#include "import/stl_reader.h"
#include "scene/normalise.h"

namespace kelpris::mesh {
namespace {

Result<MeshModel> readInProcess(const std::filesystem::path& path, ModelFormat format, UpAxis up,
                                const CancelToken* cancel, const ProgressFn& progress) {
    const std::string name = path.string();
    FileDescriptor file;
    std::uintmax_t size = 0;
    if (FileStatus opened = openRegularFile(path, file, size); !opened) {
        return opened;
    }
    FileSource source(file.get(), size, cancel, progress);
    Result<MeshModel> model = format == ModelFormat::stl   ? readStl(source, size, up, name)
                              : format == ModelFormat::ply ? readPly(source, size, up, name)
                                                           : readOff(source, size, up, name);
    if (source.cancelled()) {
        return FileStatus::failure(name, 0, "the import was cancelled");
    }
    if (source.error() != 0) {
        return FileStatus::failure(
            name, 0, std::string("cannot read file: ") + std::strerror(source.error()));
    }
    return model;
}

// STL, PLY and OFF by our readers, everything else through the library in the
// child, after the checks that keep broken headers from the library.
Result<MeshModel> readMesh(const std::filesystem::path& path, const ImportOptions& options,
                           const CancelToken* cancel, const ProgressFn& progress) {
    std::string head;
    std::uintmax_t size = 0;
    if (FileStatus status = readFileHead(path, kHeadBytes, head, size); !status) {
        return status;
    }
    const ModelFormat format = detectFormat(head, lowerExtension(path));
    const UpAxis up = resolveUpAxis(format, head, options.up);
    if (format == ModelFormat::stl || format == ModelFormat::ply || format == ModelFormat::off) {
        return readInProcess(path, format, up, cancel, progress);
    }
    if (std::string reason = checkModelHead(head, size, format); !reason.empty()) {
        return FileStatus::failure(path.string(), 0, std::move(reason));
    }
    ChildSettings settings;
    settings.importer = options.importer.empty() ? defaultImporterPath() : options.importer;
    settings.up = up;
    settings.timeout = options.timeout;
    settings.addressSpaceBytes = importerAddressSpace();
    return importInChild(path, settings, cancel, progress);
}

Result<LoadedModel> importFile(const std::filesystem::path& path, const ImportOptions& options,
                               const CancelToken* cancel, const ProgressFn& progress) {
    const std::string name = path.string();
    Result<MeshModel> mesh = readMesh(path, options, cancel, progress);
    if (!mesh) {
        return mesh.status();
    }
    LoadedModel loaded;
    loaded.imported = true;
    loaded.counts = mesh->counts;
    loaded.up = mesh->up;
    std::optional<Scena> scene = buildScene(std::move(*mesh));
    if (!scene) {
        return FileStatus::failure(name, 0, "a record refers to a missing vertex");
    }
    loaded.scene = std::move(*scene);
    return loaded;
}

}  // namespace

void placeModel(MeshModel& model) noexcept {
    std::vector<float>& xyz = model.xyz;
    if (xyz.size() < 3) {
        return;
    }
    double low[3] = {xyz[0], xyz[1], xyz[2]};
    double high[3] = {xyz[0], xyz[1], xyz[2]};
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            low[k] = std::min<double>(low[k], xyz[i + k]);
            high[k] = std::max<double>(high[k], xyz[i + k]);
        }
    }
    const double longest = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    const double scale = longest > 0 ? 1000.0 / longest : 0.0;
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            xyz[i + k] = static_cast<float>((double{xyz[i + k]} - low[k]) * scale);
        }
    }
}

std::optional<Scena> buildScene(MeshModel&& model) {
    placeModel(model);
    Scena scene;
    scene.vertices = normaliseVertices(model.xyz);
    model.xyz = {};
    const std::size_t count = scene.vertices.size();
    const auto valid = [count](std::uint32_t index) { return index < count; };
    const std::size_t records = model.recordCount();
    if (count > static_cast<std::size_t>(INT32_MAX) ||
        records > static_cast<std::size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    const std::uint32_t* c = model.corners.data();
    if (model.faceModel) {
        scene.faces.reserve(records);
        for (std::size_t i = 0; i < records; ++i, c += 4) {
            if (!valid(c[0]) || !valid(c[1]) || !valid(c[2]) ||
                (c[3] != kNoCorner && !valid(c[3]))) {
                return std::nullopt;
            }
            scene.faces.push_back(Face{{c[0], c[1], c[2], c[3]}});
        }
    } else {
        scene.edges.reserve(records);
        for (std::size_t i = 0; i < records; ++i, c += 2) {
            if (!valid(c[0]) || !valid(c[1])) {
                return std::nullopt;
            }
            scene.edges.push_back(Edge{c[0], c[1]});
        }
    }
    scene.faceModel = model.faceModel ? 1 : 0;
    scene.vertexCount = static_cast<std::int32_t>(count);
    scene.faceCount = model.faceModel ? static_cast<std::int32_t>(records) : 0;
    scene.edgeCount = model.faceModel ? 0 : static_cast<std::int32_t>(records);
    scene.computeCentre();
    return scene;
}

Result<LoadedModel> loadModelFile(const std::filesystem::path& path, const ImportOptions& options,
                                  const CancelToken* cancel, const ProgressFn& progress) {
    try {
        if (isImportedModel(path)) {
            return importFile(path, options, cancel, progress);
        }
        LoadedModel loaded;
        if (FileStatus status = loaded.scene.load(path); !status) {
            return status;
        }
        return loaded;
    } catch (const std::bad_alloc&) {
        return FileStatus::failure(path.string(), 0, "not enough memory to load the model");
    } catch (const std::length_error&) {
        return FileStatus::failure(path.string(), 0, "not enough memory to load the model");
    }
}

}  // namespace kelpris::mesh
