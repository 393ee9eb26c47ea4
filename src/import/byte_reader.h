#pragma once
// Buffered reading for the in-process model readers: a file read piece by
// piece (never whole into memory), whole records for binary formats, and
// words with their line numbers for text formats.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "import/cancel_token.h"
#include "import/mesh_builder.h"
#include "import/mesh_stream.h"

namespace kelpris::mesh {

/// An open file read with read(2), stopping early when `cancel` says so and
/// telling `progress` how far it got after each piece.
class FileSource final : public ByteSource {
  public:
    FileSource(int fd, std::uint64_t size, const CancelToken* cancel, ProgressFn progress) noexcept
        : fd_(fd), size_(size), cancel_(cancel), progress_(std::move(progress)) {}
    std::size_t read(std::byte* into, std::size_t size) override;

    bool cancelled() const noexcept { return cancelled_; }
    /// The errno of a failed read, 0 when none failed.
    int error() const noexcept { return error_; }

  private:
    int fd_;
    std::uint64_t size_;
    const CancelToken* cancel_;
    ProgressFn progress_;
    std::uint64_t done_ = 0;
    bool cancelled_ = false;
    int error_ = 0;
};

class ByteReader {
  public:
    /// Longest word a text format may have.
    static constexpr std::size_t kMaxWord = 4096;

    /// `sizeHint`: the bytes expected, so that a small file gets a small buffer.
    ByteReader(ByteSource& source, std::uint64_t sizeHint);

    /// The next `n` bytes, fewer only at the end; they stay until the next call.
    std::string_view peek(std::size_t n);
    void skip(std::size_t n) noexcept { pos_ = std::min(pos_ + n, end_); }
    /// Copies the next `n` bytes into `into`; false (nothing taken) when fewer are left.
    bool read(void* into, std::size_t n);
    /// Bytes taken from the source and consumed so far.
    std::uint64_t offset() const noexcept { return base_ + pos_; }
    /// True when no byte is left.
    bool atEnd() { return peek(1).empty(); }

    /// The next word, skipping blanks and line breaks; empty at the end. A
    /// word of kMaxWord bytes or more is cut there (see wordTooLong()).
    std::string_view word();
    /// The next word if the current line holds one more, else empty (the
    /// line break stays for word() to pass).
    std::string_view wordOnLine();
    /// The rest of the current line, without its line break (at most
    /// kMaxWord bytes of it; the rest is skipped); it stays until the next
    /// call of restOfLine.
    std::string_view restOfLine();
    /// The line (1-based) of the latest word.
    std::uint64_t line() const noexcept { return wordLine_; }
    bool wordTooLong() const noexcept { return tooLong_; }

  private:
    bool fill(std::size_t n);

    ByteSource& source_;
    std::vector<char> buffer_;
    std::uint64_t base_ = 0;  // offset of buffer_[0]
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
    std::uint64_t lineNow_ = 1;
    std::uint64_t wordLine_ = 1;
    bool tooLong_ = false;
    std::string line_;
};

/// A reader's refusal of the file `name` at `line` (0: no line; a line
/// beyond the status's range is given as its largest).
FileStatus readerFailure(const std::string& name, std::uint64_t line, std::string reason);
/// The model `builder` made of the file `name`, or its reason as a refusal.
Result<MeshModel> finishModel(MeshBuilder& builder, const std::string& name);

/// A number of a text format in the C locale's form (an optional sign,
/// digits with an optional point, an optional exponent, or "inf"/"nan"),
/// rounded as strtof/strtod round; false when `word` is anything else.
bool parseNumber(std::string_view word, float& value) noexcept;
bool parseNumber(std::string_view word, double& value) noexcept;

/// True when `a` and `b` are the same word but for the case of ASCII letters.
bool sameWord(std::string_view a, std::string_view b) noexcept;

/// The value of type T stored at `bytes` in little-endian (or, with `big`,
/// big-endian) order.
template <typename T>
T loadValue(const char* bytes, bool big = false) noexcept {
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, bytes, sizeof(T));
    if (big != (std::endian::native == std::endian::big)) {
        std::reverse(raw, raw + sizeof(T));
    }
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
}

}  // namespace kelpris::mesh
