#include "import/model_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <vector>

namespace kelpris::mesh {
namespace {

constexpr std::array<std::string_view, 9> kExtensions = {"stl", "obj", "ply", "off", "gltf",
                                                         "glb", "3mf", "dae", "zae"};

bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// a * b + c, saturating far above any file size.
std::uint64_t mulAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c) noexcept {
    constexpr std::uint64_t kHuge = std::uint64_t{1} << 62;
    if (b != 0 && a > kHuge / b) {
        return kHuge;
    }
    return std::min(a * b + c, kHuge);
}

std::uint32_t readWord(std::string_view bytes, std::size_t at) noexcept {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::string tooShort(std::uint64_t needed, std::uint64_t size, const std::string& what) {
    return what + ": at least " + std::to_string(needed) + " bytes needed, the file has " +
           std::to_string(size);
}

// Splits text into lines and lines into blank-separated words.
class Words {
  public:
    explicit Words(std::string_view text) noexcept : text_(text) {}
    /// The next word, skipping blanks and line breaks; empty at the end.
    std::string_view next() noexcept {
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            ++pos_;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isBlank(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }
    /// Skips the rest of the current line.
    void skipLine() noexcept {
        while (pos_ < text_.size() && text_[pos_] != '\n') {
            ++pos_;
        }
    }
    std::size_t position() const noexcept { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<std::uint64_t> parseCount(std::string_view word) noexcept {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec == std::errc::result_out_of_range && end == word.data() + word.size()) {
        return std::uint64_t{1} << 62;
    }
    if (ec != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

std::string checkOff(std::string_view head, std::uint64_t fileSize) {
    const auto counts = offCounts(head);
    if (!counts) {
        return "the OFF header has no vertex and face counts";
    }
    return checkOffCounts(*counts, fileSize);
}

std::string checkGlb(std::string_view head, std::uint64_t fileSize) {
    if (head.size() < 12) {
        return tooShort(12, fileSize, "a GLB header");
    }
    const std::uint64_t length = readWord(head, 8);
    if (length > fileSize) {
        return tooShort(length, fileSize, "the GLB's stated length");
    }
    if (readWord(head, 4) == 1) {
        if (head.size() < 20) {
            return tooShort(20, fileSize, "a GLB header");
        }
        const std::uint64_t content = std::uint64_t{readWord(head, 12)} + 20;
        return content > length ? tooShort(content, length, "the GLB's content") : std::string();
    }
    // Every chunk header within the head must describe a chunk that fits.
    std::uint64_t at = 12;
    while (at + 8 <= length && at + 8 <= head.size()) {
        const std::uint64_t chunkEnd = at + 8 + readWord(head, static_cast<std::size_t>(at));
        if (chunkEnd > length) {
            return tooShort(chunkEnd, length, "a GLB chunk");
        }
        at = chunkEnd;
    }
    return {};
}

UpAxis colladaUpAxis(std::string_view head) noexcept {
    constexpr std::string_view kTag = "<up_axis>";
    const std::size_t at = head.find(kTag);
    if (at == std::string_view::npos) {
        return UpAxis::y;
    }
    Words words(head.substr(at + kTag.size()));
    const std::string_view value = words.next();
    if (value.starts_with("X_UP")) {
        return UpAxis::x;
    }
    return value.starts_with("Z_UP") ? UpAxis::z : UpAxis::y;
}

}  // namespace

bool isUtf16Text(std::string_view head) noexcept {
    if (head.starts_with("\xff\xfe") || head.starts_with("\xfe\xff")) {
        return true;
    }
    // Without a byte-order mark: ASCII letters with a zero byte beside each.
    const std::size_t pairs = std::min<std::size_t>(head.size() / 2, 32);
    std::size_t zeroFirst = 0;
    std::size_t zeroSecond = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        zeroFirst += head[2 * i] == '\0' && head[2 * i + 1] != '\0' ? 1 : 0;
        zeroSecond += head[2 * i + 1] == '\0' && head[2 * i] != '\0' ? 1 : 0;
    }
    return pairs >= 4 && std::max(zeroFirst, zeroSecond) == pairs;
}

bool isOffKeyword(std::string_view word) noexcept {
    if (!word.ends_with("OFF") && !word.ends_with("off")) {
        return false;
    }
    word.remove_suffix(3);
    return word.size() <= 3 && std::all_of(word.begin(), word.end(), [](char c) {
               return c != '\0' && std::strchr("STCN4nst", c) != nullptr;
           });
}

std::string checkOffCounts(const OffCounts& counts, std::uint64_t fileSize) {
    // A vertex is at least three numbers ("0 0 0\n"), a face at least its
    // corner count ("0\n").
    const std::uint64_t needed = mulAdd(counts.vertices, 6, mulAdd(counts.faces, 2, 0));
    if (needed > fileSize + 1) {
        return tooShort(needed, fileSize, "the OFF header's vertex and face counts");
    }
    return {};
}

std::optional<OffCounts> offCounts(std::string_view head) noexcept {
    Words words(head);
    words.next();  // the keyword (OFF, COFF, NOFF, ...)
    std::uint64_t counts[2] = {};
    for (std::uint64_t& count : counts) {
        std::string_view word = words.next();
        while (word.starts_with("#")) {
            words.skipLine();
            word = words.next();
        }
        const auto value = parseCount(word);
        if (!value) {
            return std::nullopt;
        }
        count = *value;
    }
    return OffCounts{counts[0], counts[1]};
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    if (!ext.empty() && ext.front() == '.') {
        ext.erase(0, 1);
    }
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::span<const std::string_view> importedExtensions() noexcept {
    return kExtensions;
}

bool isImportedModel(const std::filesystem::path& path) {
    const std::string ext = lowerExtension(path);
    return std::find(kExtensions.begin(), kExtensions.end(), ext) != kExtensions.end();
}

std::string openDialogPatterns() {
    std::string patterns = "*.dat";
    for (const std::string_view ext : kExtensions) {
        patterns += " *.";
        patterns += ext;
    }
    return patterns;
}

ModelFormat detectFormat(std::string_view head, std::string_view extension) noexcept {
    Words words(head);
    const std::string_view first = words.next();
    if (head.starts_with("glTF")) {
        return ModelFormat::glb;
    }
    if (first == "ply") {
        return ModelFormat::ply;
    }
    if (isOffKeyword(first)) {
        return ModelFormat::off;
    }
    if (extension == "stl") {
        return ModelFormat::stl;
    }
    if (head.find("<COLLADA") != std::string_view::npos) {
        return ModelFormat::collada;
    }
    if (head.starts_with("PK\x03\x04") && extension == "3mf") {
        return ModelFormat::threeMf;
    }
    if (first.starts_with("{") && head.find("\"asset\"") != std::string_view::npos) {
        return ModelFormat::gltf;
    }
    static constexpr std::pair<std::string_view, ModelFormat> kByExtension[] = {
        {"obj", ModelFormat::obj},    {"ply", ModelFormat::ply}, {"off", ModelFormat::off},
        {"gltf", ModelFormat::gltf},  {"glb", ModelFormat::glb}, {"3mf", ModelFormat::threeMf},
        {"dae", ModelFormat::collada}};
    for (const auto& [ext, format] : kByExtension) {
        if (ext == extension) {
            return format;
        }
    }
    return ModelFormat::unknown;
}

std::optional<UpAxis> statedUpAxis(ModelFormat format, std::string_view head) noexcept {
    switch (format) {
        case ModelFormat::gltf:
        case ModelFormat::glb:
            return UpAxis::y;
        case ModelFormat::collada:
            return colladaUpAxis(head);
        case ModelFormat::threeMf:
            return UpAxis::z;
        default:
            return std::nullopt;
    }
}

UpAxis resolveUpAxis(ModelFormat format, std::string_view head, UpAxis choice) noexcept {
    if (const auto stated = statedUpAxis(format, head)) {
        return *stated;
    }
    if (choice != UpAxis::automatic) {
        return choice;
    }
    const bool yUp =
        format == ModelFormat::obj || format == ModelFormat::ply || format == ModelFormat::off;
    return yUp ? UpAxis::y : UpAxis::z;
}

std::string checkModelHead(std::string_view head, std::uint64_t fileSize, ModelFormat format) {
    if (fileSize > kMaxModelFileBytes) {
        return "the file has " + std::to_string(fileSize) + " bytes, the limit is " +
               std::to_string(kMaxModelFileBytes);
    }
    head = head.substr(0, std::min<std::uint64_t>(head.size(), fileSize));
    if (format != ModelFormat::glb && format != ModelFormat::threeMf && isUtf16Text(head)) {
        return kUtf16Refusal;
    }
    switch (format) {
        case ModelFormat::off:
            return checkOff(head, fileSize);
        case ModelFormat::glb:
            return checkGlb(head, fileSize);
        case ModelFormat::threeMf:
            return head.starts_with("PK\x03\x04")
                       ? std::string()
                       : "the file is not a 3MF package (a ZIP archive of the model's parts)";
        default:
            return {};
    }
}

}  // namespace kelpris::mesh
