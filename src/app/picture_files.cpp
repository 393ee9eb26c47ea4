#include "app/picture_files.h"

#include <cstdint>
#include <string_view>

#include "app/file_names.h"
#include "base/file_io.h"

namespace kelpris {

namespace {

constexpr std::size_t kSignatureBytes = 12;

bool startsWith(std::string_view head, std::string_view signature) {
    return head.substr(0, signature.size()) == signature;
}

/// A BMP starts with "BM" and its own size, little-endian; two letters alone
/// could begin any text.
bool isBmp(std::string_view head, std::uintmax_t fileSize) {
    if (head.size() < 6 || !startsWith(head, "BM")) {
        return false;
    }
    std::uintmax_t stated = 0;
    for (int i = 5; i >= 2; --i) {
        stated = stated * 256 + static_cast<unsigned char>(head[static_cast<std::size_t>(i)]);
    }
    return stated == fileSize;
}

}  // namespace

std::string pictureFormatOf(const QByteArray& path) {
    std::string head;
    std::uintmax_t size = 0;
    if (!readFileHead(fsPath(path), kSignatureBytes, head, size)) {
        return {};
    }
    using namespace std::string_view_literals;
    const struct {
        std::string_view signature;
        const char* format;
    } marks[] = {
        {"\x89PNG\r\n\x1a\n"sv, "PNG"},
        {"\xff\xd8\xff"sv, "JPEG"},
        {"GIF87a"sv, "GIF"},
        {"GIF89a"sv, "GIF"},
        {"II*\0"sv, "TIFF"},
        {"MM\0*"sv, "TIFF"},
    };
    for (const auto& mark : marks) {
        if (startsWith(head, mark.signature)) {
            return mark.format;
        }
    }
    if (startsWith(head, "RIFF") && head.size() >= 12 && head.substr(8, 4) == "WEBP") {
        return "WebP";
    }
    return isBmp(head, size) ? "BMP" : std::string();
}

FileStatus explainOpenFailure(FileStatus failed, const QByteArray& path) {
    if (failed) {
        return failed;
    }
    const std::string format = pictureFormatOf(path);
    if (format.empty()) {
        return failed;
    }
    return FileStatus::failure(fsPath(path).string(), 0,
                               "this is a " + format +
                                   " picture, not a model; KELPRIS opens scene files (.dat) "
                                   "and 3D models");
}

}  // namespace kelpris
