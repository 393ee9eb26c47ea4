#include "import/off_reader.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "import/byte_reader.h"
#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

// Corners one face may list.
constexpr std::int64_t kMaxCorners = std::int64_t{1} << 20;

// A count or vertex number: a whole number, also written as a real ("2.0").
// Beyond the range of the type it saturates, so that it is refused or
// dropped as too large.
bool parseWhole(std::string_view word, std::int64_t& value) noexcept {
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error == std::errc() && stop == end) {
        return true;
    }
    double real = 0;
    if (!parseNumber(word, real) || std::floor(real) != real) {
        return false;
    }
    value = real < -9.0e18  ? INT64_MIN
            : real > 9.0e18 ? INT64_MAX
                            : static_cast<std::int64_t>(real);
    return true;
}

std::string quoted(std::string_view word) {
    return "\"" + std::string(word.substr(0, 40)) + "\"";
}

// Why a header keyword names a kind of OFF this reader does not take; empty
// for the three-dimensional kinds.
std::string unsupportedKind(std::string_view keyword) {
    const std::string_view letters = keyword.substr(0, keyword.size() - 3);
    if (letters.find('4') != std::string_view::npos) {
        return quoted(keyword) + ": points in four dimensions are not supported";
    }
    if (letters.find('n') != std::string_view::npos) {
        return quoted(keyword) + ": points of a stated dimension are not supported";
    }
    return {};
}

class OffReader {
  public:
    OffReader(ByteSource& source, std::uint64_t size, UpAxis up, const std::string& name)
        : in_(source, size), builder_(up), name_(name), size_(size) {}

    Result<MeshModel> read() {
        if (size_ == 0) {
            return failure(0, "the file is empty");
        }
        if (isUtf16Text(in_.peek(64))) {
            return failure(0, kUtf16Refusal);
        }
        OffCounts counts;
        if (FileStatus status = readHeader(counts); !status) {
            return status;
        }
        if (FileStatus status = readVertices(counts.vertices); !status) {
            return status;
        }
        if (FileStatus status = readFaces(counts.faces); !status) {
            return status;
        }
        // No face left to show: the vertices are a cloud of points.
        if (builder_.holdsNothing() && !builder_.addEveryPosition()) {
            return failure(0, builder_.message());
        }
        return finishModel(builder_, name_);
    }

  private:
    FileStatus failure(std::uint64_t line, std::string reason) const {
        return readerFailure(name_, line, std::move(reason));
    }

    // The first word of the next record, past blank lines and comments;
    // empty at the end of the file.
    std::string_view nextRecord() {
        std::string_view word = in_.word();
        while (word.starts_with('#')) {
            in_.restOfLine();
            word = in_.word();
        }
        return word;
    }

    // The next word of the current record's line; empty where the line
    // ends. A comment ends it too, and is passed over.
    std::string_view onLine() {
        const std::string_view word = in_.wordOnLine();
        if (!word.starts_with('#')) {
            return word;
        }
        in_.restOfLine();
        return {};
    }

    FileStatus readHeader(OffCounts& counts) {
        std::string_view word = nextRecord();
        if (isOffKeyword(word)) {
            if (std::string problem = unsupportedKind(word); !problem.empty()) {
                return failure(in_.line(), problem);
            }
            word = onLine();
            if (sameWord(word, "BINARY")) {
                return failure(in_.line(), "binary OFF is not supported (save it as text OFF)");
            }
            word = word.empty() ? nextRecord() : word;
        }
        std::int64_t number[2] = {};
        const char* const what[2] = {"the vertex count", "the face count"};
        for (int k = 0; k < 2; ++k) {
            if (k == 1) {
                word = onLine();
                word = word.empty() ? nextRecord() : word;
            }
            if (!parseWhole(word, number[k]) || number[k] < 0) {
                return failure(in_.line(), word.empty()
                                               ? std::string("the file ends before ") + what[k]
                                               : quoted(word) + " where " + what[k] + " belongs");
            }
        }
        in_.restOfLine();  // the edge count and anything after it
        counts = {static_cast<std::uint64_t>(number[0]), static_cast<std::uint64_t>(number[1])};
        if (std::string problem = checkOffCounts(counts, size_); !problem.empty()) {
            return failure(0, problem);
        }
        if (counts.vertices > kMaxVertices) {
            return failure(0, std::to_string(counts.vertices) + " vertices, more than " +
                                  std::to_string(kMaxVertices));
        }
        return FileStatus::success(name_);
    }

    FileStatus ended(std::uint64_t done, std::uint64_t count, const char* what) const {
        return failure(in_.line(), "the file ends after " + std::to_string(done) + " of " +
                                       std::to_string(count) + " " + what);
    }

    FileStatus vertexFailure(std::uint64_t vertex, const std::string& reason) const {
        return failure(in_.line(), "vertex " + std::to_string(vertex + 1) + ": " + reason);
    }

    FileStatus readVertices(std::uint64_t count) {
        std::vector<float> xyz;
        xyz.reserve(count * 3);
        for (std::uint64_t i = 0; i < count; ++i) {
            std::string_view word = nextRecord();
            if (word.empty()) {
                return ended(i, count, "vertices");
            }
            float p[3];
            for (int k = 0; k < 3; ++k) {
                word = k == 0 ? word : onLine();
                if (word.empty()) {
                    return vertexFailure(i, "three numbers expected, the line ends");
                }
                if (!parseNumber(word, p[k])) {
                    return vertexFailure(i, quoted(word) + " where a number belongs");
                }
            }
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
                return failure(in_.line(), "vertex " + std::to_string(i + 1) +
                                               " has a coordinate that is not finite");
            }
            xyz.insert(xyz.end(), p, p + 3);
            in_.restOfLine();  // colour, normal, texture coordinates
        }
        if (!builder_.usePositions(std::move(xyz))) {
            return failure(0, builder_.message());
        }
        return FileStatus::success(name_);
    }

    FileStatus faceFailure(std::uint64_t face, const std::string& reason) const {
        return failure(in_.line(), "face " + std::to_string(face + 1) + ": " + reason);
    }

    FileStatus readFaces(std::uint64_t count) {
        std::vector<std::uint32_t> corners;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::string_view first = nextRecord();
            if (first.empty()) {
                return ended(i, count, "faces");
            }
            std::int64_t size = 0;
            if (!parseWhole(first, size) || size < 0 || size > kMaxCorners) {
                return faceFailure(i, quoted(first) + " is not a corner count");
            }
            corners.clear();
            for (std::int64_t k = 0; k < size; ++k) {
                const std::string_view word = onLine();
                std::int64_t index = 0;
                if (word.empty()) {
                    return faceFailure(i, std::to_string(size) +
                                              " vertex numbers expected, the line ends after " +
                                              std::to_string(k));
                }
                if (!parseWhole(word, index)) {
                    return faceFailure(i, quoted(word) + " where a vertex number belongs");
                }
                // A number outside the vertices drops the face (in the builder).
                const bool inRange = index >= 0 && index < kNoCorner;
                corners.push_back(inRange ? static_cast<std::uint32_t>(index) : kNoCorner);
            }
            in_.restOfLine();  // the face's colour
            if (size == 0) {
                builder_.countDegenerate();
            } else if (!builder_.add(corners)) {
                return failure(in_.line(), builder_.message());
            }
        }
        return FileStatus::success(name_);
    }

    ByteReader in_;
    MeshBuilder builder_;
    const std::string& name_;
    std::uint64_t size_;
};

}  // namespace

Result<MeshModel> readOff(ByteSource& source, std::uint64_t size, UpAxis up,
                          const std::string& name) {
    OffReader reader(source, size, up, name);
    return reader.read();
}

}  // namespace kelpris::mesh
