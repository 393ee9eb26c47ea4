#include "import/model_loader.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>

#include "base/file_io.h"
#include "scene/normalise.h"

namespace kelpris::mesh {
namespace {

LoadResult failure(std::string error, bool imported) {
    LoadResult result;
    result.error = std::move(error);
    result.imported = imported;
    return result;
}

LoadResult importFile(const std::filesystem::path& path, const ImportOptions& options,
                      const CancelToken* cancel, const ProgressFn& progress) {
    const std::string name = path.string();
    std::string head;
    std::uintmax_t size = 0;
    if (const FileStatus status = readFileHead(path, kHeadBytes, head, size); !status) {
        return failure(name + ": " + status.reason, true);
    }
    const ModelFormat format = detectFormat(head, lowerExtension(path));
    if (std::string reason = checkModelHead(head, size, format); !reason.empty()) {
        return failure("cannot import " + name + ": " + reason, true);
    }
    ChildSettings settings;
    settings.importer = options.importer.empty() ? defaultImporterPath() : options.importer;
    settings.up = options.up;
    settings.timeout = options.timeout;
    settings.addressSpaceBytes = addressSpaceFor(size);
    ChildResult child = importInChild(path, settings, cancel, progress);
    if (!child.ok) {
        return failure(std::move(child.error), true);
    }
    std::optional<Scena> scene = buildScene(child.model);
    if (!scene) {
        return failure("cannot import " + name + ": a record refers to a missing vertex", true);
    }
    LoadResult result;
    result.scene = std::move(*scene);
    result.imported = true;
    result.counts = child.model.counts;
    return result;
}

std::string counted(std::uint32_t count, const char* one, const char* many, const char* what) {
    return std::to_string(count) + " " + (count == 1 ? one : many) + " " + what;
}

}  // namespace

std::string conversionNote(const ConversionCounts& counts) {
    std::string note;
    auto add = [&](std::uint32_t count, const char* one, const char* many, const char* what) {
        if (count != 0) {
            note += (note.empty() ? "" : ", ") + counted(count, one, many, what);
        }
    };
    add(counts.degenerateDropped, "degenerate face", "degenerate faces", "dropped");
    add(counts.polygonsSplit, "polygon", "polygons", "split into triangles");
    add(counts.linesIgnored, "line", "lines", "left out beside the faces");
    add(counts.pointsIgnored, "point", "points", "left out");
    return note;
}

std::optional<Scena> buildScene(const MeshModel& model) {
    Scena scene;
    scene.vertices = normaliseVertices(model.xyz);
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

LoadResult loadModelFile(const std::filesystem::path& path, const ImportOptions& options,
                         const CancelToken* cancel, const ProgressFn& progress) {
    const bool imported = isImportedModel(path);
    try {
        if (imported) {
            return importFile(path, options, cancel, progress);
        }
        LoadResult result;
        const FileStatus status = result.scene.load(path);
        if (!status) {
            result.error = status.message();
        }
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory to load " + path.string(), imported);
    } catch (const std::length_error&) {
        return failure("not enough memory to load " + path.string(), imported);
    }
}

}  // namespace kelpris::mesh
