#include "import/mesh_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string_view>

namespace kelpris::mesh {
namespace {

constexpr std::string_view kModelMagic = "KLPMESH2";
constexpr std::string_view kErrorMagic = "KLPERR01";
constexpr std::uint32_t kFaces = 1;
constexpr std::uint32_t kLines = 2;
constexpr std::size_t kHeaderWords = 9;  // kind, vertices, records, 5 counts, up axis

// resize and copy rather than insert: GCC 12 at -O3 mistakes the insert of
// a few bytes for an overflow (-Wstringop-overflow).
void append(std::vector<std::byte>& out, const void* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size);
}

void appendWord(std::vector<std::byte>& out, std::uint32_t word) {
    append(out, &word, sizeof word);
}

std::string printable(std::string_view text) {
    std::string out(text.substr(0, kMaxErrorText));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = c == '\n' || c == '\t' ? ' ' : '?';
        }
    }
    return out;
}

// Reads exactly `count` elements of T into `out`, growing it as the bytes
// arrive so that a count alone allocates nothing. False when the stream ends
// early.
template <typename T>
bool readArray(ByteSource& source, std::size_t count, std::vector<T>& out,
               const std::function<void(std::size_t)>& received) {
    constexpr std::size_t kChunk = std::size_t{1} << 18;
    out.clear();
    while (out.size() < count) {
        const std::size_t take = std::min(kChunk, count - out.size());
        const std::size_t at = out.size();
        out.resize(at + take);
        const std::size_t bytes = take * sizeof(T);
        if (source.read(reinterpret_cast<std::byte*>(out.data() + at), bytes) != bytes) {
            return false;
        }
        received(bytes);
    }
    return true;
}

StreamContent malformed(std::string what) {
    StreamContent content;
    content.kind = StreamContent::Kind::malformed;
    content.text = std::move(what);
    return content;
}

bool atEnd(ByteSource& source) {
    std::byte extra{};
    return source.read(&extra, 1) == 0;
}

StreamContent readError(ByteSource& source) {
    std::uint32_t words[2] = {};
    if (source.read(reinterpret_cast<std::byte*>(words), sizeof words) != sizeof words) {
        return malformed("the error report is cut short");
    }
    if (words[0] < 1 || words[0] > static_cast<std::uint32_t>(ChildError::unusable)) {
        return malformed("unknown error kind " + std::to_string(words[0]));
    }
    if (words[1] > kMaxErrorText) {
        return malformed("error text of " + std::to_string(words[1]) + " bytes");
    }
    std::string text(words[1], '\0');
    if (source.read(reinterpret_cast<std::byte*>(text.data()), text.size()) != text.size()) {
        return malformed("the error report is cut short");
    }
    if (!atEnd(source)) {
        return malformed("data after the error report");
    }
    StreamContent content;
    content.kind = StreamContent::Kind::error;
    content.error = static_cast<ChildError>(words[0]);
    content.text = printable(text);
    return content;
}

// Checks what the header alone can tell.
std::string checkHeader(const std::uint32_t (&w)[kHeaderWords]) {
    if (w[0] != kFaces && w[0] != kLines) {
        return "unknown model kind " + std::to_string(w[0]);
    }
    const bool faces = w[0] == kFaces;
    const std::uint32_t limit = faces ? kMaxFaces : kMaxEdges;
    if (w[2] < 1 || w[2] > limit) {
        return std::to_string(w[2]) + (faces ? " faces" : " lines") + " (1 to " +
               std::to_string(limit) + " allowed)";
    }
    const std::uint64_t maxVertices = std::uint64_t{w[2]} * (faces ? 4 : 2);
    if (w[1] < 1 || w[1] > maxVertices) {
        return std::to_string(w[1]) + " vertices for " + std::to_string(w[2]) + " records";
    }
    if (w[8] > static_cast<std::uint32_t>(UpAxis::z)) {
        return "unknown up axis " + std::to_string(w[8]);
    }
    return {};
}

// Checks every corner and that every vertex is used.
std::string checkCorners(const MeshModel& model) {
    const std::size_t vertices = model.vertexCount();
    const std::size_t perRecord = model.cornersPerRecord();
    std::vector<bool> used(vertices, false);
    for (std::size_t i = 0; i < model.corners.size(); ++i) {
        const std::uint32_t corner = model.corners[i];
        if (corner == kNoCorner && model.faceModel && i % perRecord == 3) {
            continue;
        }
        if (corner >= vertices) {
            return "record " + std::to_string(i / perRecord + 1) + " refers to vertex " +
                   std::to_string(corner) + " of " + std::to_string(vertices);
        }
        used[corner] = true;
    }
    if (std::find(used.begin(), used.end(), false) != used.end()) {
        return "a vertex no record uses";
    }
    return {};
}

}  // namespace

std::vector<std::byte> encodeModel(const MeshModel& model) {
    std::vector<std::byte> out;
    out.reserve(kModelMagic.size() + kHeaderWords * 4 + model.xyz.size() * 4 +
                model.corners.size() * 4);
    append(out, kModelMagic.data(), kModelMagic.size());
    appendWord(out, model.faceModel ? kFaces : kLines);
    appendWord(out, static_cast<std::uint32_t>(model.vertexCount()));
    appendWord(out, static_cast<std::uint32_t>(model.recordCount()));
    appendWord(out, model.counts.degenerateDropped);
    appendWord(out, model.counts.polygonsSplit);
    appendWord(out, model.counts.linesIgnored);
    appendWord(out, model.counts.pointsIgnored);
    appendWord(out, model.counts.missingDropped);
    appendWord(out, static_cast<std::uint32_t>(model.up));
    append(out, model.xyz.data(), model.xyz.size() * sizeof(float));
    append(out, model.corners.data(), model.corners.size() * sizeof(std::uint32_t));
    return out;
}

std::vector<std::byte> encodeError(ChildError error, const std::string& text) {
    const std::string_view cut = std::string_view(text).substr(0, kMaxErrorText);
    std::vector<std::byte> out;
    append(out, kErrorMagic.data(), kErrorMagic.size());
    appendWord(out, static_cast<std::uint32_t>(error));
    appendWord(out, static_cast<std::uint32_t>(cut.size()));
    append(out, cut.data(), cut.size());
    return out;
}

std::size_t MemorySource::read(std::byte* into, std::size_t size) {
    const std::size_t take = std::min(size, size_);
    if (take > 0) {
        std::memcpy(into, data_, take);
    }
    data_ += take;
    size_ -= take;
    return take;
}

StreamContent readStream(ByteSource& source, const StreamProgress& progress) {
    char magic[8] = {};
    const std::size_t got = source.read(reinterpret_cast<std::byte*>(magic), sizeof magic);
    if (got == 0) {
        return malformed("nothing was sent");
    }
    const std::string_view head(magic, got);
    if (head == kErrorMagic) {
        return readError(source);
    }
    if (head != kModelMagic) {
        return malformed("not a model stream");
    }
    std::uint32_t w[kHeaderWords] = {};
    if (source.read(reinterpret_cast<std::byte*>(w), sizeof w) != sizeof w) {
        return malformed("the header is cut short");
    }
    if (std::string what = checkHeader(w); !what.empty()) {
        return malformed(std::move(what));
    }
    StreamContent content;
    MeshModel& model = content.model;
    model.faceModel = w[0] == kFaces;
    model.counts = {w[3], w[4], w[5], w[6], w[7]};
    model.up = static_cast<UpAxis>(w[8]);
    const std::uint64_t headerBytes = sizeof magic + sizeof w;
    const std::uint64_t total =
        headerBytes + std::uint64_t{w[1]} * 12 + std::uint64_t{w[2]} * model.cornersPerRecord() * 4;
    std::uint64_t done = headerBytes;
    const std::function<void(std::size_t)> received = [&](std::size_t bytes) {
        done += bytes;
        if (progress) {
            progress(done, total);
        }
    };
    if (!readArray(source, std::size_t{w[1]} * 3, model.xyz, received) ||
        !readArray(source, std::size_t{w[2]} * model.cornersPerRecord(), model.corners, received)) {
        return malformed("the model is cut short");
    }
    if (!atEnd(source)) {
        return malformed("data after the model");
    }
    const auto bad =
        std::find_if(model.xyz.begin(), model.xyz.end(), [](float v) { return !std::isfinite(v); });
    if (bad != model.xyz.end()) {
        return malformed("vertex " + std::to_string((bad - model.xyz.begin()) / 3 + 1) +
                         " has a coordinate that is not finite");
    }
    if (std::string what = checkCorners(model); !what.empty()) {
        return malformed(std::move(what));
    }
    content.kind = StreamContent::Kind::model;
    return content;
}

}  // namespace kelpris::mesh
