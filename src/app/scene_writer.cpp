#include "app/scene_writer.h"

#include <fstream>
#include <functional>
#include <locale>
#include <random>
#include <sstream>
#include <system_error>

namespace kelpris {

namespace {

/// The count to write for a chain of `records` entries whose stored count is
/// `stored`: the stored value whenever the loader would rebuild the same
/// chain from it.
std::int64_t countToWrite(std::int32_t stored, std::size_t records) {
    const std::size_t expected = stored <= 1 ? 1 : static_cast<std::size_t>(stored);
    return expected == records ? stored : static_cast<std::int64_t>(records);
}

/// 1-based vertex number of `v`, or 0 when `v` is not one of `scene`'s vertices.
std::size_t vertexNumber(const Scena& scene, const Vertex* v) {
    if (v == nullptr || scene.vertices.empty()) {
        return 0;
    }
    // Compare addresses through std::less so pointers from elsewhere are
    // handled without undefined behaviour.
    const Vertex* first = scene.vertices.data();
    const Vertex* last = first + scene.vertices.size();
    std::less<const Vertex*> before;
    if (before(v, first) || !before(v, last)) {
        return 0;
    }
    return static_cast<std::size_t>(v - first) + 1;
}

}  // namespace

std::string formatScene(const Scena& scene, std::ostream& out) {
    if (scene.vertices.empty()) {
        return "the model has no vertices; there is nothing to save";
    }
    const bool faceModel = scene.faceModel != 0;
    if (faceModel ? scene.faces.empty() : scene.edges.empty()) {
        return faceModel ? "the face model has no faces" : "the edge model has no edges";
    }

    // Build the whole text first so a bad reference writes nothing at all.
    std::ostringstream text;
    text.imbue(std::locale::classic());  // no digit grouping whatever the global locale
    text << scene.faceModel << '\n';
    text << countToWrite(scene.vertexCount, scene.vertices.size()) << ' '
         << (faceModel ? countToWrite(scene.faceCount, scene.faces.size())
                       : countToWrite(scene.edgeCount, scene.edges.size()))
         << '\n';
    for (const Vertex& v : scene.vertices) {
        text << v.x << ' ' << v.y << ' ' << v.z << '\n';
    }
    const auto bad = [](std::size_t record, const char* kind) {
        return std::string("the ") + kind + " " + std::to_string(record) +
               " refers to a vertex that is not part of the model";
    };
    if (faceModel) {
        std::size_t record = 0;
        for (const Face& f : scene.faces) {
            ++record;
            const std::size_t a = vertexNumber(scene, f.corner1);
            const std::size_t b = vertexNumber(scene, f.corner2);
            const std::size_t c = vertexNumber(scene, f.corner3);
            if (a == 0 || b == 0 || c == 0) {
                return bad(record, "face");
            }
            text << a << ' ' << b << ' ' << c;
            if (f.corner4 != nullptr) {
                const std::size_t d = vertexNumber(scene, f.corner4);
                if (d == 0) {
                    return bad(record, "face");
                }
                text << ' ' << d;
            }
            text << '\n';
        }
    } else {
        std::size_t record = 0;
        for (const Edge& e : scene.edges) {
            ++record;
            const std::size_t a = vertexNumber(scene, e.end1);
            const std::size_t b = vertexNumber(scene, e.end2);
            if (a == 0 || b == 0) {
                return bad(record, "edge");
            }
            text << a << ' ' << b << '\n';
        }
    }
    out << text.str();
    return {};
}

FileStatus writeScene(const Scena& scene, const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    const std::string shown = path.string();

    std::ostringstream text;
    if (std::string reason = formatScene(scene, text); !reason.empty()) {
        return FileStatus::failure(shown, 0, reason);
    }

    std::random_device seed;
    std::mt19937_64 random(seed());
    fs::path temp = path;
    temp += "." + std::to_string(random() % 1000000000u) + ".tmp";

    std::error_code ec;
    {
        std::ofstream out(temp, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!out) {
            return FileStatus::failure(shown, 0, "cannot create a file in that folder");
        }
        out << text.str();
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            return FileStatus::failure(shown, 0, "writing failed (disk full?)");
        }
    }
    if (fs::exists(path, ec)) {
        fs::permissions(temp, fs::status(path, ec).permissions(), ec);
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return FileStatus::failure(shown, 0, "cannot replace the file: " + ec.message());
    }
    return FileStatus::success(shown);
}

}  // namespace kelpris
