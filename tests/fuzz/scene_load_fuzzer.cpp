// Fuzzes the scene-file reader and checks what every load must guarantee:
// a good load gives consistent counts, in-range coordinates and records that
// refer to its own vertices; a failed one leaves the scene empty and says why. A good
// load is also saved with the scene writer and loaded again, which must give
// the same model.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "scene/scena.h"
#include "scene/scene_reader.h"
#include "scene/scene_writer.h"
#include "scene_invariants.h"

namespace {

using namespace kelpris;

using fuzz::inRange;
using fuzz::recordsReferToVertices;
using fuzz::require;

std::size_t recordsFor(std::int32_t count) {
    return count <= 1 ? 1u : std::size_t(count);
}

void checkLoaded(const Scena& s) {
    require(s.vertexCount >= 1, "vertex count at least 1");
    require(s.vertices.size() == std::size_t(s.vertexCount), "one vertex per count");
    for (const Vertex& v : s.vertices) {
        require(inRange(v.x) && inRange(v.y) && inRange(v.z), "coordinates in -1000..1000");
    }
    require(recordsReferToVertices(s), "edge ends and face corners are vertices");
    require(inRange(s.centreX) && inRange(s.centreY) && inRange(s.centreZ), "centre in range");
    if (s.faceModel == 0) {
        require(s.faceCount == 0 && s.faces.empty(), "edge model has no faces");
        require(s.edges.size() == recordsFor(s.edgeCount), "edge records match the count");
    } else {
        require(s.edgeCount == 0 && s.edges.empty(), "face model has no edges");
        require(s.faces.size() == recordsFor(s.faceCount), "face records match the count");
    }
}

void checkEmpty(const Scena& s, const FileStatus& status) {
    require(!status.reason.empty() && status.line >= 0, "a failure says why");
    require(s.vertices.empty() && s.edges.empty() && s.faces.empty(),
            "failed load leaves the chains empty");
    require(s.vertexCount == 0 && s.edgeCount == 0 && s.faceCount == 0,
            "failed load leaves the counts 0");
}

// A real token the scanner accepts must have the value strtof gives it.
void checkFirstRealAgainstStrtof(std::string_view text) {
    const auto scanned = scanner::scanFloat(text.data(), text.data() + text.size());
    if (scanned.result != scanner::ScanResult::Ok) {
        return;
    }
    const std::string token(text.data(), scanned.next);
    char* end = nullptr;
    const float expected = std::strtof(token.c_str(), &end);
    require(end == token.c_str() + token.size(), "strtof takes the same token");
    require(std::memcmp(&expected, &scanned.value, sizeof expected) == 0,
            "real rounds as strtof does");
}

// Saving what loaded and loading the text again must give the same model.
void checkSavedCopyLoadsTheSame(const Scena& s) {
    std::ostringstream text;
    const std::string refused = formatScene(s, text);
    require(refused.empty(), "a loaded scene can be saved");
    Scena copy;
    const FileStatus status = loadFromBuffer(copy, text.str(), "saved.dat");
    require(status.ok, "the saved text loads");
    require(copy.faceModel == s.faceModel, "saved copy keeps the mode");
    require(copy.vertexCount == s.vertexCount && copy.edgeCount == s.edgeCount &&
                copy.faceCount == s.faceCount,
            "saved copy keeps the counts");
    require(copy.vertices.size() == s.vertices.size() && copy.edges.size() == s.edges.size() &&
                copy.faces.size() == s.faces.size(),
            "saved copy keeps the records");
    require(copy.vertices == s.vertices, "saved copy keeps every coordinate");
    require(copy.edges == s.edges, "saved copy keeps every edge");
    require(copy.faces == s.faces, "saved copy keeps every face corner");
    require(copy.centreX == s.centreX && copy.centreY == s.centreY && copy.centreZ == s.centreZ,
            "saved copy keeps the centre");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Scena scene;
    const FileStatus status = loadFromBuffer(scene, text, "fuzz.dat");
    if (status) {
        checkLoaded(scene);
        checkSavedCopyLoadsTheSame(scene);
    } else {
        checkEmpty(scene, status);
    }

    // Loading again over the result must give the same outcome.
    const FileStatus again = loadFromBuffer(scene, text, "fuzz.dat");
    require(again.ok == status.ok && again.line == status.line && again.reason == status.reason,
            "the same text loads the same way twice");
    if (!again) {
        checkEmpty(scene, again);
    }

    checkFirstRealAgainstStrtof(text);
    return 0;
}
