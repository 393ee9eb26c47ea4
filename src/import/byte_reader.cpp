#include "import/byte_reader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include <unistd.h>

namespace kelpris::mesh {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

template <typename T>
bool parseReal(std::string_view word, T& value) noexcept {
    // from_chars takes no plus sign; strtod does.
    if (word.size() > 1 && word.front() == '+' && word[1] != '-' && word[1] != '+') {
        word.remove_prefix(1);
    }
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (error == std::errc::result_out_of_range && stop == end) {
        // Beyond the type's range: what strtod would give, infinite or 0.
        long double wide = 0;
        const auto [wideStop, wideError] = std::from_chars(word.data(), end, wide);
        value = static_cast<T>(wide);
        return wideError == std::errc() && wideStop == end;
    }
    return error == std::errc() && stop == end;
}

}  // namespace

std::size_t FileSource::read(std::byte* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size && !cancelled_ && error_ == 0) {
        if (cancel_ != nullptr && cancel_->cancelled()) {
            cancelled_ = true;
            break;
        }
        const ssize_t got = ::read(fd_, into + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
        done_ += static_cast<std::uint64_t>(got);
        if (progress_) {
            progress_(done_, size_);
        }
    }
    return done;
}

ByteReader::ByteReader(ByteSource& source, std::uint64_t sizeHint)
    : source_(source),
      buffer_(static_cast<std::size_t>(std::clamp<std::uint64_t>(sizeHint + 1, 4096, kChunk))) {}

bool ByteReader::fill(std::size_t n) {
    if (end_ - pos_ >= n) {
        return true;
    }
    if (ended_) {
        return false;
    }
    // Keep what is left at the front, then read whole chunks after it.
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    base_ += pos_;
    end_ -= pos_;
    pos_ = 0;
    if (buffer_.size() < n) {
        buffer_.resize(n);
    }
    while (end_ < n && !ended_) {
        const std::size_t got = source_.read(reinterpret_cast<std::byte*>(buffer_.data() + end_),
                                             buffer_.size() - end_);
        ended_ = got == 0;
        end_ += got;
    }
    return end_ >= n;
}

std::string_view ByteReader::peek(std::size_t n) {
    fill(n);
    return {buffer_.data() + pos_, std::min(n, end_ - pos_)};
}

bool ByteReader::read(void* into, std::size_t n) {
    if (!fill(n)) {
        return false;
    }
    std::memcpy(into, buffer_.data() + pos_, n);
    pos_ += n;
    return true;
}

std::string_view ByteReader::word() {
    for (;;) {
        while (pos_ < end_ && isBlank(buffer_[pos_])) {
            lineNow_ += buffer_[pos_] == '\n' ? 1 : 0;
            ++pos_;
        }
        if (pos_ < end_ || !fill(1)) {
            break;
        }
    }
    std::size_t length = 0;
    for (;;) {
        while (pos_ + length < end_ && length < kMaxWord && !isBlank(buffer_[pos_ + length])) {
            ++length;
        }
        if (pos_ + length < end_ || length >= kMaxWord || !fill(length + 1)) {
            break;
        }
    }
    tooLong_ = length >= kMaxWord;
    if (length > 0) {
        wordLine_ = lineNow_;  // at the end, the line of the last word stays
    }
    const std::string_view word(buffer_.data() + pos_, length);
    pos_ += length;
    return word;
}

std::string_view ByteReader::wordOnLine() {
    for (;;) {
        while (pos_ < end_ && buffer_[pos_] != '\n' && isBlank(buffer_[pos_])) {
            ++pos_;
        }
        if (pos_ < end_ || !fill(1)) {
            break;
        }
    }
    if (pos_ >= end_ || buffer_[pos_] == '\n') {
        return {};
    }
    return word();
}

std::string_view ByteReader::restOfLine() {
    line_.clear();
    wordLine_ = lineNow_;
    while (fill(1) && buffer_[pos_] != '\n') {
        const char* start = buffer_.data() + pos_;
        const char* stop = std::find(start, static_cast<const char*>(buffer_.data() + end_), '\n');
        const std::size_t room = kMaxWord - std::min(kMaxWord, line_.size());
        line_.append(start, std::min<std::size_t>(room, static_cast<std::size_t>(stop - start)));
        pos_ += static_cast<std::size_t>(stop - start);
    }
    if (fill(1)) {
        ++pos_;
        ++lineNow_;
    }
    return line_;
}

FileStatus readerFailure(const std::string& name, std::uint64_t line, std::string reason) {
    return FileStatus::failure(name, static_cast<int>(std::min<std::uint64_t>(line, INT32_MAX)),
                               std::move(reason));
}

Result<MeshModel> finishModel(MeshBuilder& builder, const std::string& name) {
    std::optional<MeshModel> model = builder.finish();
    if (!model) {
        return readerFailure(name, 0, builder.message());
    }
    return std::move(*model);
}

bool parseNumber(std::string_view word, float& value) noexcept {
    return parseReal(word, value);
}

bool parseNumber(std::string_view word, double& value) noexcept {
    return parseReal(word, value);
}

bool sameWord(std::string_view a, std::string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace kelpris::mesh
