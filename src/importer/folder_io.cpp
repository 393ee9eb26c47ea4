#include "importer/folder_io.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelpris::importer {
namespace {

// A read-only regular file.
class FileStream final : public Assimp::IOStream {
  public:
    FileStream(int fd, std::size_t size) noexcept : fd_(fd), size_(size) {}
    ~FileStream() override { ::close(fd_); }

    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override {
        if (size == 0 || count == 0 || count > SIZE_MAX / size) {
            return 0;
        }
        const std::size_t wanted = size * count;
        std::size_t done = 0;
        while (done < wanted) {
            const ssize_t got = ::read(fd_, static_cast<char*>(buffer) + done, wanted - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        // A partial element is not returned; step back to the element's start.
        const std::size_t whole = done / size;
        if (done % size != 0) {
            ::lseek(fd_, -static_cast<off_t>(done % size), SEEK_CUR);
        }
        return whole;
    }

    std::size_t Write(const void*, std::size_t, std::size_t) override { return 0; }

    aiReturn Seek(std::size_t offset, aiOrigin origin) override {
        std::size_t base = 0;
        if (origin == aiOrigin_CUR) {
            base = Tell();
        } else if (origin == aiOrigin_END) {
            base = size_;
        } else if (origin != aiOrigin_SET) {
            return aiReturn_FAILURE;
        }
        // Offsets are unsigned; the library passes "negative" ones modulo 2^n.
        const std::size_t target = base + offset;
        if (target > size_) {
            return aiReturn_FAILURE;
        }
        return ::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0 ? aiReturn_FAILURE
                                                                      : aiReturn_SUCCESS;
    }

    std::size_t Tell() const override {
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        return at < 0 ? 0 : static_cast<std::size_t>(at);
    }

    std::size_t FileSize() const override { return size_; }
    void Flush() override {}

  private:
    int fd_;
    std::size_t size_;
};

bool isInside(const std::filesystem::path& file, const std::filesystem::path& folder) {
    auto f = file.begin();
    for (auto d = folder.begin(); d != folder.end(); ++d, ++f) {
        if (d->empty()) {
            continue;  // a trailing separator
        }
        if (f == file.end() || *f != *d) {
            return false;
        }
    }
    return f != file.end();
}

}  // namespace

std::filesystem::path FolderIOSystem::resolve(const char* file) const {
    if (file == nullptr || *file == '\0') {
        return {};
    }
    std::filesystem::path path(file);
    if (path.is_relative()) {
        path = folder_ / path;
    }
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    if (error || !isInside(real, folder_)) {
        return {};
    }
    return real;
}

bool FolderIOSystem::Exists(const char* file) const {
    const std::filesystem::path path = resolve(file);
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Assimp::IOStream* FolderIOSystem::Open(const char* file, const char* mode) {
    if (mode != nullptr && std::strpbrk(mode, "wa+") != nullptr) {
        return nullptr;
    }
    const std::filesystem::path path = resolve(file);
    if (path.empty()) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    // The library owns the stream until it hands it back to Close().
    return std::make_unique<FileStream>(fd, static_cast<std::size_t>(info.st_size)).release();
}

void FolderIOSystem::Close(Assimp::IOStream* stream) {
    std::unique_ptr<Assimp::IOStream> owned(stream);
}

}  // namespace kelpris::importer
