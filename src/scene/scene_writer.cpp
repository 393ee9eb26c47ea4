#include "scene/scene_writer.h"

#include <cstdint>
#include <locale>
#include <sstream>

#include "base/file_io.h"

namespace kelpris {

namespace {

/// The count to write for a chain of `records` entries whose stored count is
/// `stored`: the stored value whenever the loader would rebuild the same
/// chain from it.
std::int64_t countToWrite(std::int32_t stored, std::size_t records) {
    const std::size_t expected = stored <= 1 ? 1 : static_cast<std::size_t>(stored);
    return expected == records ? stored : static_cast<std::int64_t>(records);
}

/// 1-based vertex number of the vertex at `index`, or 0 when there is none.
std::size_t vertexNumber(const Scena& scene, std::uint32_t index) {
    return index < scene.vertices.size() ? std::size_t{index} + 1 : 0;
}

/// Why `scene` cannot be written at all, or "".
std::string missingParts(const Scena& scene) {
    if (scene.vertices.empty()) {
        return "the model has no vertices; there is nothing to save";
    }
    if (scene.faceModel != 0 && scene.faces.empty()) {
        return "the face model has no faces";
    }
    if (scene.faceModel == 0 && scene.edges.empty()) {
        return "the edge model has no edges";
    }
    return {};
}

std::string badReference(std::size_t record, const char* kind) {
    return std::string("the ") + kind + " " + std::to_string(record) +
           " refers to a vertex that is not part of the model";
}

void writeHeaderAndVertices(const Scena& scene, std::ostream& text) {
    const bool faceModel = scene.faceModel != 0;
    text << scene.faceModel << '\n';
    text << countToWrite(scene.vertexCount, scene.vertices.size()) << ' '
         << (faceModel ? countToWrite(scene.faceCount, scene.faces.size())
                       : countToWrite(scene.edgeCount, scene.edges.size()))
         << '\n';
    for (const Vertex& v : scene.vertices) {
        text << v.x << ' ' << v.y << ' ' << v.z << '\n';
    }
}

/// One line per face; the reason at the first bad reference, else "".
std::string writeFaces(const Scena& scene, std::ostream& text) {
    std::size_t record = 0;
    for (const Face& f : scene.faces) {
        ++record;
        const std::size_t a = vertexNumber(scene, f.corner[0]);
        const std::size_t b = vertexNumber(scene, f.corner[1]);
        const std::size_t c = vertexNumber(scene, f.corner[2]);
        if (a == 0 || b == 0 || c == 0) {
            return badReference(record, "face");
        }
        text << a << ' ' << b << ' ' << c;
        if (f.corner[3] != kNoCorner) {
            const std::size_t d = vertexNumber(scene, f.corner[3]);
            if (d == 0) {
                return badReference(record, "face");
            }
            text << ' ' << d;
        }
        text << '\n';
    }
    return {};
}

/// One line per edge; the reason at the first bad reference, else "".
std::string writeEdges(const Scena& scene, std::ostream& text) {
    std::size_t record = 0;
    for (const Edge& e : scene.edges) {
        ++record;
        const std::size_t a = vertexNumber(scene, e.end1);
        const std::size_t b = vertexNumber(scene, e.end2);
        if (a == 0 || b == 0) {
            return badReference(record, "edge");
        }
        text << a << ' ' << b << '\n';
    }
    return {};
}

}  // namespace

std::string formatScene(const Scena& scene, std::ostream& out) {
    if (std::string reason = missingParts(scene); !reason.empty()) {
        return reason;
    }
    // Build the whole text first so a bad reference writes nothing at all.
    std::ostringstream text;
    text.imbue(std::locale::classic());  // no digit grouping whatever the global locale
    writeHeaderAndVertices(scene, text);
    std::string reason = scene.faceModel != 0 ? writeFaces(scene, text) : writeEdges(scene, text);
    if (!reason.empty()) {
        return reason;
    }
    out << text.str();
    return {};
}

FileStatus writeScene(const Scena& scene, const std::filesystem::path& path) {
    std::ostringstream text;
    if (std::string reason = formatScene(scene, text); !reason.empty()) {
        return FileStatus::failure(path.string(), 0, reason);
    }
    return writeFileAtomically(path, text.view(), LinkPolicy::FollowLinks);
}

}  // namespace kelpris
