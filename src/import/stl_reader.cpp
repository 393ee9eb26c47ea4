#include "import/stl_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "import/byte_reader.h"
#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

constexpr std::size_t kHeader = 84;
constexpr std::size_t kTriangle = 50;
// How much of the start decides between text and binary.
constexpr std::size_t kSniff = 512;
// Corners one text facet may list.
constexpr std::size_t kMaxFacetCorners = 65536;

// No byte a text file would not hold (control bytes other than blanks).
bool looksLikeText(std::string_view head) noexcept {
    return std::none_of(head.begin(), head.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') ||
               u == 0x7f;
    });
}

std::string triangleCount(std::uint32_t count) {
    return "the binary STL's " + std::to_string(count) + (count == 1 ? " triangle" : " triangles");
}

void loadCorners(const char* at, std::array<float, 9>& corners) noexcept {
    for (std::size_t k = 0; k < 9; ++k) {
        corners[k] = loadValue<float>(at + 4 * k);
    }
}

class StlReader {
  public:
    StlReader(ByteSource& source, std::uint64_t size, UpAxis up, const std::string& name)
        : in_(source, size), builder_(up), name_(name) {}

    Result<MeshModel> read(std::uint64_t size) {
        const std::string_view head = in_.peek(kSniff);
        const std::uint32_t count =
            head.size() >= kHeader ? loadValue<std::uint32_t>(head.data() + 80) : 0;
        const std::uint64_t needed = kHeader + std::uint64_t{count} * kTriangle;
        if (head.size() >= kHeader && needed == size) {
            return finishWith(readBinary(count));
        }
        if (size == 0) {
            return failure(0, "the file is empty");
        }
        if (isUtf16Text(head)) {
            return failure(0, kUtf16Refusal);
        }
        const bool text = !head.empty() && looksLikeText(head);
        if (text && startsWithSolid(head)) {
            return finishWith(readText());
        }
        if (text) {
            return failure(0, "the file is text, but a text STL starts with \"solid\"");
        }
        if (size < kHeader) {
            return failure(
                0, "a binary STL: at least 84 bytes needed, the file has " + std::to_string(size));
        }
        if (needed > size) {
            return failure(0, triangleCount(count) + ": at least " + std::to_string(needed) +
                                  " bytes needed, the file has " + std::to_string(size));
        }
        return failure(0, triangleCount(count) + " take " + std::to_string(needed) +
                              " bytes, but the file has " + std::to_string(size));
    }

  private:
    static bool startsWithSolid(std::string_view head) noexcept {
        const auto start = head.find_first_not_of(" \t\r\n\f\v");
        return start != std::string_view::npos && sameWord(head.substr(start, 5), "solid");
    }

    FileStatus failure(std::uint64_t line, std::string reason) const {
        return readerFailure(name_, line, std::move(reason));
    }

    Result<MeshModel> finishWith(FileStatus status) {
        if (!status) {
            return status;
        }
        return finishModel(builder_, name_);
    }

    FileStatus readBinary(std::uint32_t count) {
        in_.skip(kHeader);
        // A closed surface has about half as many vertices as triangles.
        builder_.expectVertices(count / 2);
        builder_.expectFaces(count);  // the file's size has been checked to hold them
        constexpr std::uint32_t kBlock = 4096;
        constexpr std::uint32_t kAhead = 16;
        std::array<float, 9> corners{};
        std::array<float, 9> ahead{};
        for (std::uint32_t done = 0; done < count;) {
            const std::uint32_t take = std::min(kBlock, count - done);
            const std::string_view block = in_.peek(std::size_t{take} * kTriangle);
            if (block.size() < std::size_t{take} * kTriangle) {
                return failure(0, "the file ends after " +
                                      std::to_string(done + block.size() / kTriangle) + " of " +
                                      std::to_string(count) + " triangles");
            }
            for (std::uint32_t i = 0; i < take; ++i) {
                if (i + kAhead < take) {
                    // Joining is bound by memory: fetch the slots of a later triangle.
                    loadCorners(block.data() + std::size_t{i + kAhead} * kTriangle + 12, ahead);
                    builder_.prefetchCorners(ahead.data());
                }
                const char* at = block.data() + std::size_t{i} * kTriangle + 12;
                loadCorners(at, corners);
                if (!builder_.addCorners(corners)) {
                    return failure(
                        0, "triangle " + std::to_string(done + i + 1) + ": " + builder_.message());
                }
            }
            in_.skip(block.size());
            done += take;
        }
        return FileStatus::success(name_);
    }

    // Expects the word `keyword` next.
    bool expect(std::string_view keyword, std::string& problem) {
        const std::string_view word = in_.word();
        if (sameWord(word, keyword)) {
            return true;
        }
        problem = "\"" + std::string(keyword) + "\" expected, " + found(word);
        return false;
    }

    static std::string found(std::string_view word) {
        return word.empty() ? "the file ends" : "found \"" + std::string(word.substr(0, 40)) + "\"";
    }

    bool readNumbers(float* out, std::string_view after, std::string& problem) {
        for (int k = 0; k < 3; ++k) {
            const std::string_view word = in_.word();
            if (!parseNumber(word, out[k])) {
                problem =
                    "three numbers expected after \"" + std::string(after) + "\", " + found(word);
                return false;
            }
        }
        return true;
    }

    // One facet after its "facet" word, up to and with "endfacet".
    bool readFacet(std::string& problem) {
        std::string_view word = in_.word();
        float normal[3];
        if (sameWord(word, "normal")) {
            if (!readNumbers(normal, "normal", problem)) {
                return false;
            }
            word = in_.word();
        }
        if (!sameWord(word, "outer")) {
            problem = "\"outer loop\" expected, " + found(word);
            return false;
        }
        if (!expect("loop", problem)) {
            return false;
        }
        corners_.clear();
        for (word = in_.word(); sameWord(word, "vertex"); word = in_.word()) {
            if (corners_.size() >= kMaxFacetCorners * 3) {
                problem = "a facet of more than " + std::to_string(kMaxFacetCorners) + " corners";
                return false;
            }
            corners_.resize(corners_.size() + 3);
            if (!readNumbers(&corners_[corners_.size() - 3], "vertex", problem)) {
                return false;
            }
        }
        if (!sameWord(word, "endloop")) {
            problem = "\"vertex\" or \"endloop\" expected, " + found(word);
            return false;
        }
        if (!expect("endfacet", problem)) {
            return false;
        }
        if (corners_.size() < 9) {
            builder_.countDegenerate();
            return true;
        }
        if (!builder_.addCorners(corners_)) {
            problem = builder_.message();
            return false;
        }
        return true;
    }

    FileStatus readText() {
        in_.word();        // "solid"
        in_.restOfLine();  // its name
        std::string problem;
        for (;;) {
            const std::string_view word = in_.word();
            if (in_.wordTooLong()) {
                return failure(in_.line(), "a word longer than " +
                                               std::to_string(ByteReader::kMaxWord) + " bytes");
            }
            if (sameWord(word, "facet")) {
                if (!readFacet(problem)) {
                    return failure(in_.line(), problem);
                }
            } else if (sameWord(word, "endsolid")) {
                in_.restOfLine();
                // Some programs write several solids into one file.
                const std::string_view next = in_.peek(kSniff);
                if (!startsWithSolid(next)) {
                    return FileStatus::success(name_);
                }
                in_.word();
                in_.restOfLine();
            } else {
                return failure(in_.line(), "\"facet\" or \"endsolid\" expected, " + found(word));
            }
        }
    }

    ByteReader in_;
    MeshBuilder builder_;
    const std::string& name_;
    std::vector<float> corners_;
};

}  // namespace

Result<MeshModel> readStl(ByteSource& source, std::uint64_t size, UpAxis up,
                          const std::string& name) {
    StlReader reader(source, size, up, name);
    return reader.read(size);
}

}  // namespace kelpris::mesh
