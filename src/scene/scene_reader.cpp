// Scene-file reader: one pass over the file's bytes in memory.
//
// Format, in order, every number separated by any white space (line breaks
// included) except where noted:
//   mode (%i)   vertexCount (%i)   edge-or-face count (%i)
//   vertexCount x three reals (%f)
//   edge model: count x two vertex numbers (%i)
//   face model: count x { three vertex numbers (%i), then the rest of that
//                         line, at most 19 characters ending after its line
//                         break; a fourth number at its start (after blanks)
//                         makes a quadrilateral }
// A count of 1 or less still means one edge/face record. Vertex numbers of 0
// or less mean vertex 1.
//
// Scaling: coordinates are scaled so that the largest magnitude M becomes
// 1000: the factor 1000/M is formed in double and stored as float, and each
// coordinate is (double)value * (double)factor truncated toward zero. The
// factor needs every coordinate, so all of them are read as floats first and
// scaled once the last vertex is in; this gives the same numbers as reading
// the file twice.
//
// Number tokens follow the C library's scanf rules (%i: sign, then 0x hex,
// leading-0 octal or decimal; %f: sign, decimal digits with optional point
// and exponent, 0x hexadecimal with optional p exponent, inf, nan), with
// these deliberate choices where scanf would silently go wrong:
//   - "0x" with no hex digit after it, and "1e" / "1e+" with no exponent
//     digit: malformed number, the file is rejected. (scanf stops in the
//     middle of such a token and then fails or misreads what follows.)
//   - A leading-0 number containing 8 or 9 ("08", "019"): malformed. scanf
//     would read the octal part and then the rest as a separate number,
//     which is never what the author of the file meant.
//   - An integer outside int32 is out of range instead of wrapping (0xFFFFFFFF
//     would otherwise become -1, i.e. vertex 1).
//   - A real that is inf, nan, or overflows single precision is rejected;
//     one that underflows becomes the nearest float (0 or a subnormal).
// Numbers need no separator where the token ends by itself ("1-2" is 1 and
// -2), as with scanf.
//
// Sound behaviour where the plain rules break down:
//   - M = 0 (every coordinate 0): no factor is formed; every coordinate is 0.
//   - M so small that 1000/M exceeds the float range: the double factor is
//     used directly, so the largest coordinates still land on +-1000.
//   - A file that ends right after a face's third number gives a triangle.

#include "scene/scene_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "base/saturate.h"
#include "scene/normalise.h"

namespace kelpris {
namespace scanner {
namespace {

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

constexpr int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr char lower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// True when [p, last) starts with `word` (lower case), ignoring case.
bool startsWithNoCase(const char* p, const char* last, std::string_view word) noexcept {
    if (last - p < static_cast<std::ptrdiff_t>(word.size())) {
        return false;
    }
    for (char w : word) {
        if (lower(*p++) != w) {
            return false;
        }
    }
    return true;
}

// Reads an exponent's digits after 'e' or 'p' (sign allowed). Returns the
// position after it, or null when no digit follows. The value saturates far
// beyond any exponent that could matter.
const char* scanExponent(const char* p, const char* last, long& exponent) noexcept {
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == last || !isDigit(*p)) {
        return nullptr;
    }
    long value = 0;
    for (; p < last && isDigit(*p); ++p) {
        value = std::min(value * 10 + (*p - '0'), 1000000L);
    }
    exponent = negative ? -value : value;
    return p;
}

// Order of magnitude (in units of `digitWeight` per digit plus `exponent`)
// of a mantissa whose integer digits are [intFirst, intLast) and fraction
// digits [fracFirst, fracLast). Used only to tell overflow from underflow
// when conversion reports out of range: the value is then either far above
// 1 or far below it, so a rough order suffices.
long orderOf(const char* intFirst, const char* intLast, const char* fracFirst, const char* fracLast,
             long digitWeight, long exponent) noexcept {
    while (intFirst < intLast && *intFirst == '0') {
        ++intFirst;
    }
    if (intFirst < intLast) {
        return std::min<long>(intLast - intFirst, 1000000L) * digitWeight + exponent;
    }
    long zeros = 0;
    while (fracFirst < fracLast && *fracFirst == '0') {
        ++fracFirst;
        ++zeros;
    }
    return -std::min(zeros, 1000000L) * digitWeight + exponent;
}

}  // namespace

Scanned<std::int32_t> scanInt(const char* first, const char* last) noexcept {
    const char* p = first;
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == last || !isDigit(*p)) {
        return {ScanResult::None, 0, first};
    }
    // Magnitude up to 2^31 is needed (for INT32_MIN); beyond that only the
    // fact of overflow matters, and the digits are still consumed.
    constexpr std::uint64_t kLimit = 2147483648ULL;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    auto accumulate = [&](unsigned digit, unsigned base) {
        if (!overflow) {
            magnitude = magnitude * base + digit;
            overflow = magnitude > kLimit;
        }
    };
    if (*p == '0' && p + 1 < last && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
        if (p == last || hexValue(*p) < 0) {
            return {ScanResult::Malformed, 0, p};
        }
        for (; p < last && hexValue(*p) >= 0; ++p) {
            accumulate(static_cast<unsigned>(hexValue(*p)), 16);
        }
    } else if (*p == '0') {
        bool badDigit = false;
        for (++p; p < last && isDigit(*p); ++p) {
            if (*p >= '8') {
                badDigit = true;
            } else {
                accumulate(static_cast<unsigned>(*p - '0'), 8);
            }
        }
        if (badDigit) {
            return {ScanResult::Malformed, 0, p};
        }
    } else {
        for (; p < last && isDigit(*p); ++p) {
            accumulate(static_cast<unsigned>(*p - '0'), 10);
        }
    }
    if (overflow || (!negative && magnitude == kLimit)) {
        return {ScanResult::OutOfRange, 0, p};
    }
    const auto signedValue =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return {ScanResult::Ok, static_cast<std::int32_t>(signedValue), p};
}

Scanned<float> scanFloat(const char* first, const char* last) noexcept {
    const char* p = first;
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == last) {
        return {ScanResult::None, 0.0f, first};
    }
    if (startsWithNoCase(p, last, "inf")) {
        p += 3;
        if (startsWithNoCase(p, last, "inity")) {
            p += 5;
        }
        return {ScanResult::NotFinite, 0.0f, p};
    }
    if (startsWithNoCase(p, last, "nan")) {
        p += 3;
        if (p < last && *p == '(') {
            const char* close = p + 1;
            while (close < last && (isDigit(*close) || hexValue(*close) >= 0 || *close == '_' ||
                                    (lower(*close) >= 'a' && lower(*close) <= 'z'))) {
                ++close;
            }
            if (close < last && *close == ')') {
                p = close + 1;
            }
        }
        return {ScanResult::NotFinite, 0.0f, p};
    }

    const bool hex = *p == '0' && p + 1 < last && (p[1] == 'x' || p[1] == 'X');
    const char* mantissa = hex ? p + 2 : p;
    auto isMantissaDigit = [hex](char c) { return hex ? hexValue(c) >= 0 : isDigit(c); };
    const char* intFirst = mantissa;
    const char* q = mantissa;
    while (q < last && isMantissaDigit(*q)) {
        ++q;
    }
    const char* intLast = q;
    const char* fracFirst = q;
    const char* fracLast = q;
    if (q < last && *q == '.') {
        fracFirst = ++q;
        while (q < last && isMantissaDigit(*q)) {
            ++q;
        }
        fracLast = q;
    }
    if (intFirst == intLast && fracFirst == fracLast) {
        // "0x" followed by no digit is a broken number; a lone sign or point
        // is simply not a number.
        if (hex) {
            return {ScanResult::Malformed, 0.0f, mantissa};
        }
        return {ScanResult::None, 0.0f, first};
    }
    long exponent = 0;
    const char exponentMark = hex ? 'p' : 'e';
    if (q < last && lower(*q) == exponentMark) {
        const char* afterExponent = scanExponent(q + 1, last, exponent);
        if (afterExponent == nullptr) {
            const char* shown = q + 1;  // show the mark and its sign, if any
            if (shown < last && (*shown == '+' || *shown == '-')) {
                ++shown;
            }
            return {ScanResult::Malformed, 0.0f, shown};
        }
        q = afterExponent;
    }

    float value = 0.0f;
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto [end, ec] = std::from_chars(mantissa, q, value, format);
    if (ec == std::errc::result_out_of_range) {
        const long order = orderOf(intFirst, intLast, fracFirst, fracLast, hex ? 4 : 1, exponent);
        if (order > 0) {
            return {ScanResult::OutOfRange, 0.0f, q};
        }
        value = 0.0f;  // below half the smallest subnormal: rounds to zero
    } else if (ec != std::errc() || end != q) {
        return {ScanResult::Malformed, 0.0f, q};
    }
    return {ScanResult::Ok, negative ? -value : value, q};
}

}  // namespace scanner

namespace {

using scanner::ScanResult;

constexpr bool isSpace(char c) noexcept {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Longest rest of a face line that counts, line break included.
constexpr std::size_t kFaceRestLength = 19;

class Reader {
  public:
    Reader(std::string_view text, const std::string& path)
        : first_(text.data()), pos_(text.data()), last_(text.data() + text.size()), path_(path) {}

    /// Reads a "%i" number after white space; false (with `error()` set) when
    /// there is none or it is broken.
    bool readInt(std::int32_t& out, const char* what) {
        return readNumber(
            out, what, [](const char* at, const char* end) { return scanner::scanInt(at, end); });
    }

    /// Reads a "%f" number after white space, like readInt.
    bool readFloat(float& out, const char* what) {
        return readNumber(
            out, what, [](const char* at, const char* end) { return scanner::scanFloat(at, end); });
    }

    /// Takes the rest of the current face line (at most 19 characters,
    /// ending after its line break) and scans a fourth number at its start.
    /// Sets `hasNumber` when there is one.
    bool readFaceRest(std::int32_t& out, bool& hasNumber, const char* what) {
        const auto available = static_cast<std::size_t>(last_ - pos_);
        const std::size_t limit = std::min(available, kFaceRestLength);
        const void* lineBreak = std::memchr(pos_, '\n', limit);
        const char* restEnd =
            lineBreak != nullptr ? static_cast<const char*>(lineBreak) + 1 : pos_ + limit;
        // The rest is handled as a C string: it ends at a NUL byte.
        const void* nul = std::memchr(pos_, '\0', static_cast<std::size_t>(restEnd - pos_));
        const char* scanEnd = nul != nullptr ? static_cast<const char*>(nul) : restEnd;

        const char* p = pos_;
        while (p < scanEnd && isSpace(*p)) {
            ++p;
        }
        const auto scanned = scanner::scanInt(p, scanEnd);
        hasNumber = false;
        if (scanned.result == ScanResult::Ok) {
            out = scanned.value;
            hasNumber = true;
        } else if (scanned.result != ScanResult::None) {
            return fail(p, scanned.next, scanned.result, what);
        }
        pos_ = restEnd;
        return true;
    }

    /// Records a failure at the token starting at `at`.
    bool failAt(const char* at, std::string reason) {
        status_ = FileStatus::failure(path_, lineOf(at), std::move(reason));
        return false;
    }

    const char* position() const noexcept { return pos_; }
    const char* tokenStart() {
        skipSpace();
        return pos_;
    }
    FileStatus takeStatus() { return std::move(status_); }

  private:
    template <typename T, typename Scan>
    bool readNumber(T& out, const char* what, Scan scan) {
        skipSpace();
        const auto scanned = scan(pos_, last_);
        if (scanned.result != ScanResult::Ok) {
            return fail(pos_, scanned.next, scanned.result, what);
        }
        out = scanned.value;
        pos_ = scanned.next;
        return true;
    }

    void skipSpace() noexcept {
        while (pos_ < last_ && isSpace(*pos_)) {
            ++pos_;
        }
    }

    bool fail(const char* at, const char* tokenEnd, ScanResult result, const char* what) {
        std::string reason;
        if (at == last_) {
            reason = std::string("expected ") + what + ", found the end of the file";
        } else if (result == ScanResult::None) {
            reason = std::string("expected ") + what + ", found \"" + quote(at, nullptr) + "\"";
        } else if (result == ScanResult::Malformed) {
            reason = std::string("expected ") + what + ", found malformed number \"" +
                     quote(at, tokenEnd) + "\"";
        } else if (result == ScanResult::OutOfRange) {
            reason = noun(what) + " \"" + quote(at, tokenEnd) + "\" is out of range";
        } else {
            reason = noun(what) + " \"" + quote(at, tokenEnd) + "\" is not finite";
        }
        return failAt(at, std::move(reason));
    }

    // "a vertex number" -> "vertex number", to start a sentence with.
    static std::string noun(std::string_view what) {
        for (std::string_view article : {"a ", "the "}) {
            if (what.substr(0, article.size()) == article) {
                what.remove_prefix(article.size());
            }
        }
        return std::string(what);
    }

    // A short printable excerpt of the token at `at`: up to `tokenEnd`, or
    // to the next white space when `tokenEnd` is null.
    std::string quote(const char* at, const char* tokenEnd) const {
        constexpr std::ptrdiff_t kMaxShown = 24;
        const char* end = at;
        if (tokenEnd != nullptr) {
            end = std::max(tokenEnd, at);
        } else {
            while (end < last_ && !isSpace(*end) && end - at < kMaxShown) {
                ++end;
            }
        }
        std::string out;
        for (const char* p = at; p < end && p - at < kMaxShown; ++p) {
            const bool printable = *p >= 0x20 && *p < 0x7f;
            out += printable ? *p : '?';
        }
        if (end - at > kMaxShown) {
            out += "...";
        }
        return out;
    }

    // 1-based line of `at`; at the end of the file, the last line holding
    // anything but white space (0 for a blank file).
    int lineOf(const char* at) const {
        const char* end = at;
        if (at == last_) {
            while (end > first_ && isSpace(end[-1])) {
                --end;
            }
            if (end == first_) {
                return 0;
            }
        }
        const auto breaks = std::count(first_, end, '\n');
        return saturateToInt32(static_cast<std::int64_t>(breaks) + 1);
    }

    const char* first_;
    const char* pos_;
    const char* last_;
    const std::string& path_;
    FileStatus status_;
};

// Number of records a count in the file asks for: at least one.
std::int64_t recordsFor(std::int32_t count) noexcept {
    return count <= 1 ? 1 : count;
}

constexpr const char* kVertexNumber = "a vertex number";

// Everything read from the file, before it is handed to the scene.
struct Parsed {
    std::int32_t mode = 0;
    std::int32_t vertexCount = 0;
    std::int32_t edgeCount = 0;
    std::int32_t faceCount = 0;
    std::vector<Vertex> vertices;
    std::vector<Edge> edges;
    std::vector<Face> faces;
};

// Reads the coordinates and scales them into `parsed.vertices`.
bool readVertices(Reader& reader, Parsed& parsed) {
    std::vector<float> coordinates;
    for (std::int64_t i = 0; i < parsed.vertexCount; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            float value = 0.0f;
            if (!reader.readFloat(value, "a vertex coordinate")) {
                return false;
            }
            coordinates.push_back(value);
        }
    }
    parsed.vertices = normaliseVertices(coordinates);
    return true;
}

class VertexResolver {
  public:
    VertexResolver(Reader& reader, std::size_t vertexCount)
        : reader_(reader), count_(vertexCount) {}

    /// Reads a vertex number and resolves it; false on a read error or a
    /// number past the last vertex.
    bool read(std::uint32_t& out) {
        const char* at = reader_.tokenStart();
        std::int32_t number = 0;
        return reader_.readInt(number, kVertexNumber) && resolve(number, at, out);
    }

    /// Numbers of 0 or less mean vertex 1; the position is the number less 1.
    bool resolve(std::int32_t number, const char* at, std::uint32_t& out) {
        const auto count = static_cast<std::int64_t>(count_);
        if (number > count) {
            return reader_.failAt(at, "vertex number " + std::to_string(number) +
                                          " is greater than the vertex count " +
                                          std::to_string(count));
        }
        out = static_cast<std::uint32_t>(std::max(number, 1) - 1);
        return true;
    }

  private:
    Reader& reader_;
    std::size_t count_;
};

bool readEdges(Reader& reader, Parsed& parsed) {
    VertexResolver resolver(reader, parsed.vertices.size());
    const std::int64_t records = recordsFor(parsed.edgeCount);
    for (std::int64_t i = 0; i < records; ++i) {
        Edge edge;
        if (!resolver.read(edge.end1) || !resolver.read(edge.end2)) {
            return false;
        }
        parsed.edges.push_back(edge);
    }
    return true;
}

bool readFaces(Reader& reader, Parsed& parsed) {
    VertexResolver resolver(reader, parsed.vertices.size());
    const std::int64_t records = recordsFor(parsed.faceCount);
    for (std::int64_t i = 0; i < records; ++i) {
        Face face;
        if (!resolver.read(face.corner[0]) || !resolver.read(face.corner[1]) ||
            !resolver.read(face.corner[2])) {
            return false;
        }
        const char* restStart = reader.position();
        std::int32_t fourth = 0;
        bool hasFourth = false;
        if (!reader.readFaceRest(fourth, hasFourth, kVertexNumber)) {
            return false;
        }
        if (hasFourth) {
            // Point at the number itself for the message, not at the blanks.
            while (isSpace(*restStart)) {
                ++restStart;
            }
            if (!resolver.resolve(fourth, restStart, face.corner[3])) {
                return false;
            }
        }
        parsed.faces.push_back(face);
    }
    return true;
}

bool parse(Reader& reader, Parsed& parsed) {
    if (!reader.readInt(parsed.mode, "the mode")) {
        return false;
    }
    const char* countAt = reader.tokenStart();
    if (!reader.readInt(parsed.vertexCount, "the vertex count")) {
        return false;
    }
    if (parsed.vertexCount < 1) {
        return reader.failAt(
            countAt, "vertex count " + std::to_string(parsed.vertexCount) + " is less than 1");
    }
    const bool faceModel = parsed.mode != 0;
    std::int32_t& secondCount = faceModel ? parsed.faceCount : parsed.edgeCount;
    if (!reader.readInt(secondCount, faceModel ? "the face count" : "the edge count")) {
        return false;
    }
    if (!readVertices(reader, parsed)) {
        return false;
    }
    return faceModel ? readFaces(reader, parsed) : readEdges(reader, parsed);
}

}  // namespace

std::vector<Vertex> normaliseVertices(std::span<const float> xyz) {
    float largest = 0.0f;  // M
    for (const float value : xyz) {
        const float magnitude = std::fabs(value);
        if (largest < magnitude) {
            largest = magnitude;
        }
    }
    const double quotient = largest > 0.0f ? 1000.0 / static_cast<double>(largest) : 0.0;
    const double factor = quotient <= std::numeric_limits<float>::max()
                              ? static_cast<double>(static_cast<float>(quotient))
                              : quotient;
    std::vector<Vertex> vertices(xyz.size() / 3);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        Vertex& vertex = vertices[i];
        vertex.x = truncToInt32(static_cast<double>(xyz[3 * i]) * factor);
        vertex.y = truncToInt32(static_cast<double>(xyz[3 * i + 1]) * factor);
        vertex.z = truncToInt32(static_cast<double>(xyz[3 * i + 2]) * factor);
    }
    return vertices;
}

FileStatus loadFromBuffer(Scena& scene, std::string_view text, const std::string& path) {
    Reader reader(text, path);
    Parsed parsed;
    if (!parse(reader, parsed)) {
        scene.clear();
        return reader.takeStatus();
    }
    scene.faceModel = parsed.mode;
    scene.vertexCount = parsed.vertexCount;
    scene.edgeCount = parsed.edgeCount;
    scene.faceCount = parsed.faceCount;
    scene.vertices = std::move(parsed.vertices);
    scene.edges = std::move(parsed.edges);
    scene.faces = std::move(parsed.faces);
    scene.computeCentre();
    return FileStatus::success(path);
}

}  // namespace kelpris
