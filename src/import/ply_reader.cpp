#include "import/ply_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "import/byte_reader.h"
#include "import/model_check.h"

namespace kelpris::mesh {
namespace {

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
// Items one list may hold (a polygon's corners, a strip's vertices).
constexpr std::int64_t kMaxListItems = std::int64_t{1} << 20;

enum class Type { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct TypeName {
    std::string_view name;
    Type type;
};
constexpr TypeName kTypes[] = {
    {"char", Type::int8},      {"uchar", Type::uint8},     {"int8", Type::int8},
    {"uint8", Type::uint8},    {"short", Type::int16},     {"ushort", Type::uint16},
    {"int16", Type::int16},    {"uint16", Type::uint16},   {"int", Type::int32},
    {"uint", Type::uint32},    {"int32", Type::int32},     {"uint32", Type::uint32},
    {"float", Type::float32},  {"float32", Type::float32}, {"double", Type::float64},
    {"float64", Type::float64}};

std::optional<Type> typeNamed(std::string_view name) noexcept {
    for (const TypeName& t : kTypes) {
        if (t.name == name) {
            return t.type;
        }
    }
    return std::nullopt;
}

std::size_t sizeOf(Type type) noexcept {
    switch (type) {
        case Type::int8:
        case Type::uint8:
            return 1;
        case Type::int16:
        case Type::uint16:
            return 2;
        case Type::int32:
        case Type::uint32:
        case Type::float32:
            return 4;
        case Type::float64:
            return 8;
    }
    return 1;
}

bool isReal(Type type) noexcept {
    return type == Type::float32 || type == Type::float64;
}

// The value of `type` at `at`, converted to T.
template <typename T>
T binaryValue(Type type, const char* at, bool big) noexcept {
    switch (type) {
        case Type::int8:
            return static_cast<T>(loadValue<std::int8_t>(at));
        case Type::uint8:
            return static_cast<T>(loadValue<std::uint8_t>(at));
        case Type::int16:
            return static_cast<T>(loadValue<std::int16_t>(at, big));
        case Type::uint16:
            return static_cast<T>(loadValue<std::uint16_t>(at, big));
        case Type::int32:
            return static_cast<T>(loadValue<std::int32_t>(at, big));
        case Type::uint32:
            return static_cast<T>(loadValue<std::uint32_t>(at, big));
        case Type::float32:
            return static_cast<T>(loadValue<float>(at, big));
        case Type::float64:
            return static_cast<T>(loadValue<double>(at, big));
    }
    return T{};
}

enum class Encoding { text, little, big };
enum class Role { other, vertex, face, tristrips, edge };

struct Property {
    std::string name;
    Type type = Type::uint8;
    bool list = false;
    Type countType = Type::uint8;
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
    Role role = Role::other;
    int slot[3] = {-1, -1, -1};  // x y z, the index list, or vertex1 vertex2
};

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r\f\v", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t stop = std::min(line.find_first_of(" \t\r\f\v", start), line.size());
        words.push_back(line.substr(start, stop - start));
        at = stop;
    }
    return words;
}

// a * b + c, saturating far above any file size.
std::uint64_t mulAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c) noexcept {
    constexpr std::uint64_t kHuge = std::uint64_t{1} << 62;
    if (b != 0 && a > kHuge / b) {
        return kHuge;
    }
    return std::min(a * b + c, kHuge);
}

std::string plural(const Element& element) {
    switch (element.role) {
        case Role::vertex:
            return "vertices";
        case Role::face:
            return "faces";
        case Role::tristrips:
            return "triangle strips";
        case Role::edge:
            return "edges";
        case Role::other:
            break;
    }
    return "\"" + element.name + "\" elements";
}

class PlyReader {
  public:
    PlyReader(ByteSource& source, std::uint64_t size, UpAxis up, const std::string& name)
        : in_(source, size), builder_(up), name_(name) {}

    Result<MeshModel> read(std::uint64_t size) {
        std::uint64_t dataStart = 0;
        if (FileStatus header = readHeader(dataStart); !header) {
            return header;
        }
        if (FileStatus fits = checkCounts(size, dataStart); !fits) {
            return fits;
        }
        for (Element& element : elements_) {
            if (std::string problem = assignRole(element); !problem.empty()) {
                return failure(0, problem);
            }
        }
        for (Element& element : elements_) {
            if (FileStatus status = readElement(element); !status) {
                return status;
            }
        }
        if (!positionsReady_) {
            return failure(0, "the PLY header has no vertex element with x, y and z");
        }
        if (FileStatus status = addPending(); !status) {
            return status;
        }
        return finishModel(builder_, name_);
    }

  private:
    FileStatus failure(std::uint64_t line, std::string reason) const {
        return readerFailure(name_, line, std::move(reason));
    }

    // --- Header ---------------------------------------------------------

    FileStatus readHeader(std::uint64_t& dataStart) {
        if (isUtf16Text(in_.peek(64))) {
            return failure(0, kUtf16Refusal);
        }
        std::string_view line = in_.restOfLine();
        if (wordsOf(line) != std::vector<std::string_view>{"ply"}) {
            return failure(1, "a PLY file starts with the line \"ply\"");
        }
        bool formatSeen = false;
        for (;;) {
            if (in_.atEnd() || in_.offset() > kMaxHeaderBytes) {
                return failure(0, in_.offset() > kMaxHeaderBytes
                                      ? "the PLY header has no end_header in its first " +
                                            std::to_string(kMaxHeaderBytes) + " bytes"
                                      : "the PLY header has no end_header");
            }
            line = in_.restOfLine();
            const std::vector<std::string_view> words = wordsOf(line);
            if (words.empty() || words[0] == "comment" || words[0] == "obj_info") {
                continue;
            }
            if (words[0] == "end_header") {
                dataStart = in_.offset();
                break;
            }
            std::string problem;
            if (words[0] == "format") {
                formatSeen = true;
                problem = readFormat(words);
            } else if (words[0] == "element") {
                problem = readElementLine(words);
            } else if (words[0] == "property") {
                problem = readPropertyLine(words);
            } else {
                problem =
                    "\"" + std::string(words[0].substr(0, 40)) + "\" is not a PLY header keyword";
            }
            if (!problem.empty()) {
                return failure(in_.line(), problem);
            }
        }
        if (!formatSeen) {
            return failure(0, "the PLY header has no format line");
        }
        return FileStatus::success(name_);
    }

    std::string readFormat(const std::vector<std::string_view>& words) {
        if (words.size() >= 2 && words[1] == "ascii") {
            encoding_ = Encoding::text;
        } else if (words.size() >= 2 && words[1] == "binary_little_endian") {
            encoding_ = Encoding::little;
        } else if (words.size() >= 2 && words[1] == "binary_big_endian") {
            encoding_ = Encoding::big;
        } else {
            return "unknown PLY format \"" +
                   std::string(words.size() >= 2 ? words[1].substr(0, 40) : "") + "\"";
        }
        return {};
    }

    std::string readElementLine(const std::vector<std::string_view>& words) {
        std::uint64_t count = 0;
        if (words.size() != 3) {
            return "an element line holds a name and a count";
        }
        const auto [end, error] =
            std::from_chars(words[2].data(), words[2].data() + words[2].size(), count);
        if (error == std::errc::result_out_of_range) {
            count = std::uint64_t{1} << 62;
        } else if (error != std::errc() || end != words[2].data() + words[2].size()) {
            return "a PLY element count is not a number";
        }
        elements_.push_back({std::string(words[1]), count, {}, Role::other, {-1, -1, -1}});
        return {};
    }

    std::string readPropertyLine(const std::vector<std::string_view>& words) {
        if (elements_.empty()) {
            return "a property before any element";
        }
        Property property;
        const bool list = words.size() == 5 && words[1] == "list";
        if (words.size() != 3 && !list) {
            return "a property line holds a type and a name, or \"list\", two types and a name";
        }
        const auto type = typeNamed(list ? words[3] : words[1]);
        const auto countType = list ? typeNamed(words[2]) : type;
        if (!type || !countType) {
            const std::string_view unknown = !list ? words[1] : !countType ? words[2] : words[3];
            return "unknown PLY type \"" + std::string(unknown.substr(0, 40)) + "\"";
        }
        if (list && isReal(*countType)) {
            return "a list count of type " + std::string(words[2]);
        }
        property.name = std::string(words.back());
        property.type = *type;
        property.list = list;
        property.countType = *countType;
        elements_.back().properties.push_back(std::move(property));
        return {};
    }

    static int find(const Element& element, std::string_view name, bool list) {
        for (std::size_t i = 0; i < element.properties.size(); ++i) {
            if (element.properties[i].name == name && element.properties[i].list == list) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    std::string assignRole(Element& element) {
        int* slot = element.slot;
        if (element.name == "vertex" && !vertexSeen_) {
            vertexSeen_ = true;
            slot[0] = find(element, "x", false);
            slot[1] = find(element, "y", false);
            slot[2] = find(element, "z", false);
            if (slot[0] < 0 || slot[1] < 0 || slot[2] < 0) {
                return "the PLY vertex element has no x, y and z";
            }
            if (element.count > kMaxVertices) {
                return std::to_string(element.count) + " vertices, more than " +
                       std::to_string(kMaxVertices);
            }
            element.role = Role::vertex;
        } else if (element.name == "face" || element.name == "tristrips") {
            slot[0] = find(element, "vertex_indices", true);
            slot[0] = slot[0] >= 0 ? slot[0] : find(element, "vertex_index", true);
            element.role = element.name == "face" ? Role::face : Role::tristrips;
            if (slot[0] < 0) {
                return "the PLY " + element.name + " element has no vertex_indices list";
            }
        } else if (element.name == "edge") {
            slot[0] = find(element, "vertex1", false);
            slot[1] = find(element, "vertex2", false);
            element.role = slot[0] >= 0 && slot[1] >= 0 ? Role::edge : Role::other;
        }
        return {};
    }

    // Every instance needs some bytes: counts beyond the file are refused
    // before anything is allocated for them.
    FileStatus checkCounts(std::uint64_t size, std::uint64_t dataStart) const {
        const bool binary = encoding_ != Encoding::text;
        std::uint64_t needed = 0;
        for (const Element& element : elements_) {
            std::uint64_t least = 0;
            for (const Property& p : element.properties) {
                least += binary ? sizeOf(p.list ? p.countType : p.type) : 2;
            }
            needed = mulAdd(element.count, std::max<std::uint64_t>(least, 1), needed);
        }
        const std::uint64_t available = size - std::min(size, dataStart);
        const std::uint64_t slack = binary ? 0 : 1;  // no separator after the last number
        if (needed > available + slack) {
            return failure(0, "the PLY header's element counts: at least " +
                                  std::to_string(needed + dataStart - slack) +
                                  " bytes needed, the file has " + std::to_string(size));
        }
        return FileStatus::success(name_);
    }

    // --- Values -----------------------------------------------------------

    // The next value's bytes in binary, nullptr at the end.
    const char* take(Type type) {
        const std::size_t n = sizeOf(type);
        const std::string_view bytes = in_.peek(n);
        if (bytes.size() < n) {
            return nullptr;
        }
        in_.skip(n);
        return bytes.data();
    }

    // The next value as a real; false at the end or on a word that is no number.
    bool readReal(Type type, float& out) {
        if (encoding_ == Encoding::text) {
            word_ = in_.word();
            if (type != Type::float64) {
                return parseNumber(word_, out);
            }
            double wide = 0;
            const bool ok = parseNumber(word_, wide);
            out = static_cast<float>(wide);  // as a binary double is narrowed
            return ok;
        }
        const char* at = take(type);
        if (at == nullptr) {
            return false;
        }
        out = binaryValue<float>(type, at, encoding_ == Encoding::big);
        return true;
    }

    // The next value as a whole number; a real that is not whole, or out of
    // range, becomes -1. False at the end or on a word that is no number.
    bool readWhole(Type type, std::int64_t& out) {
        if (encoding_ == Encoding::text) {
            word_ = in_.word();
            const auto [end, error] =
                std::from_chars(word_.data(), word_.data() + word_.size(), out);
            if (error == std::errc() && end == word_.data() + word_.size()) {
                return true;
            }
            double real = 0;
            if (!parseNumber(word_, real)) {
                return false;
            }
            out = wholeOf(real);
            return true;
        }
        const char* at = take(type);
        if (at == nullptr) {
            return false;
        }
        const bool big = encoding_ == Encoding::big;
        out = isReal(type) ? wholeOf(binaryValue<double>(type, at, big))
                           : binaryValue<std::int64_t>(type, at, big);
        return true;
    }

    static std::int64_t wholeOf(double real) noexcept {
        return real >= 0 && real < 4294967296.0 && std::floor(real) == real
                   ? static_cast<std::int64_t>(real)
                   : -1;
    }

    bool skipValue(Type type) {
        if (encoding_ == Encoding::text) {
            word_ = in_.word();
            double ignored = 0;
            return parseNumber(word_, ignored);
        }
        return take(type) != nullptr;
    }

    // --- Elements -----------------------------------------------------------

    std::string unreadable(const Element& element, std::uint64_t done) {
        if (encoding_ == Encoding::text && !word_.empty()) {
            return "\"" + std::string(word_.substr(0, 40)) + "\" where a number belongs";
        }
        return "the file ends after " + std::to_string(done) + " of " +
               std::to_string(element.count) + " " + plural(element);
    }

    FileStatus readElement(const Element& element) {
        if (element.role == Role::vertex) {
            xyz_.reserve(element.count * 3);
        }
        for (std::uint64_t i = 0; i < element.count; ++i) {
            word_ = {};
            if (!readInstance(element)) {
                // At the end of the file no line is meant.
                const bool placed = !word_.empty() || !problem_.empty();
                const std::uint64_t line = encoding_ == Encoding::text && placed ? in_.line() : 0;
                return failure(line, problem_.empty() ? unreadable(element, i) : problem_);
            }
        }
        if (element.role == Role::vertex) {
            if (!builder_.usePositions(std::move(xyz_))) {
                return failure(0, builder_.message());
            }
            positionsReady_ = true;
        }
        return FileStatus::success(name_);
    }

    bool readInstance(const Element& element) {
        const std::size_t firstCorner = indices_.size();
        std::int64_t ends[2] = {-1, -1};
        float xyz[3] = {0, 0, 0};
        for (std::size_t p = 0; p < element.properties.size(); ++p) {
            const Property& property = element.properties[p];
            const int at = static_cast<int>(p);
            if (property.list) {
                const bool keep = at == element.slot[0] &&
                                  (element.role == Role::face || element.role == Role::tristrips);
                if (!readList(property, keep)) {
                    return false;
                }
                continue;
            }
            bool ok = true;
            if (element.role == Role::vertex &&
                (at == element.slot[0] || at == element.slot[1] || at == element.slot[2])) {
                const int axis = at == element.slot[0] ? 0 : at == element.slot[1] ? 1 : 2;
                ok = readReal(property.type, xyz[axis]);
            } else if (element.role == Role::edge &&
                       (at == element.slot[0] || at == element.slot[1])) {
                ok = readWhole(property.type, ends[at == element.slot[0] ? 0 : 1]);
            } else {
                ok = skipValue(property.type);
            }
            if (!ok) {
                return false;
            }
        }
        switch (element.role) {
            case Role::vertex:
                xyz_.insert(xyz_.end(), xyz, xyz + 3);
                return true;
            case Role::face:
                return deliver(std::span(indices_).subspan(firstCorner), true);
            case Role::tristrips:
                return deliverStrip(firstCorner);
            case Role::edge: {
                indices_.resize(firstCorner);
                const std::uint32_t line[2] = {indexOf(ends[0]), indexOf(ends[1])};
                return deliver(line);
            }
            case Role::other:
                return true;
        }
        return true;
    }

    static std::uint32_t indexOf(std::int64_t value) noexcept {
        return value >= 0 && value < kNoCorner ? static_cast<std::uint32_t>(value) : kNoCorner;
    }

    // A list: its items join indices_ when `keep`, else they are skipped.
    bool readList(const Property& property, bool keep) {
        std::int64_t count = 0;
        if (!readWhole(property.countType, count)) {
            return false;
        }
        if (count < 0 || count > kMaxListItems) {
            problem_ = "a list of " + std::to_string(count) + " items";
            return false;
        }
        for (std::int64_t i = 0; i < count; ++i) {
            std::int64_t item = 0;
            if (keep ? !readWhole(property.type, item) : !skipValue(property.type)) {
                return false;
            }
            if (keep) {
                indices_.push_back(indexOf(item));
            }
        }
        return true;
    }

    // A strip's triangles, every other one turned so all face the same way;
    // a negative index (kNoCorner here) starts a new strip.
    bool deliverStrip(std::size_t first) {
        const std::vector<std::uint32_t> strip(
            indices_.begin() + static_cast<std::ptrdiff_t>(first), indices_.end());
        indices_.resize(first);
        std::size_t start = 0;
        for (std::size_t i = 0; i < strip.size(); ++i) {
            if (strip[i] == kNoCorner) {
                start = i + 1;
                continue;
            }
            if (i - start >= 2) {
                const bool odd = (i - start) % 2 == 1;
                const std::uint32_t tri[3] = {strip[odd ? i - 1 : i - 2],
                                              strip[odd ? i - 2 : i - 1], strip[i]};
                if (!deliver(tri)) {
                    return false;
                }
            }
        }
        return true;
    }

    // Hands a record to the builder, or keeps it until the vertices are in.
    // `kept`: the record is already the tail of indices_ (a face's list).
    bool deliver(std::span<const std::uint32_t> record, bool kept = false) {
        recordsSeen_ = true;
        if (positionsReady_) {
            const bool added = builder_.add(record);
            indices_.clear();
            problem_ = added ? "" : builder_.message();
            return added;
        }
        if (!kept) {
            indices_.insert(indices_.end(), record.begin(), record.end());
        }
        pending_.push_back(static_cast<std::uint32_t>(record.size()));
        return true;
    }

    FileStatus addPending() {
        std::size_t at = 0;
        for (const std::uint32_t size : pending_) {
            if (!builder_.add(std::span(indices_).subspan(at, size))) {
                return failure(0, builder_.message());
            }
            at += size;
        }
        pending_ = {};
        indices_ = {};
        // Vertices alone: a cloud of points.
        if (!recordsSeen_ && !builder_.addEveryPosition()) {
            return failure(0, builder_.message());
        }
        return FileStatus::success(name_);
    }

    ByteReader in_;
    MeshBuilder builder_;
    const std::string& name_;
    Encoding encoding_ = Encoding::text;
    std::vector<Element> elements_;
    bool vertexSeen_ = false;
    bool positionsReady_ = false;
    bool recordsSeen_ = false;
    std::vector<float> xyz_;
    std::vector<std::uint32_t> indices_;  // the record being read, then those kept for later
    std::vector<std::uint32_t> pending_;  // sizes of the records kept in indices_
    std::string_view word_;
    std::string problem_;
};

}  // namespace

Result<MeshModel> readPly(ByteSource& source, std::uint64_t size, UpAxis up,
                          const std::string& name) {
    PlyReader reader(source, size, up, name);
    return reader.read(size);
}

}  // namespace kelpris::mesh
