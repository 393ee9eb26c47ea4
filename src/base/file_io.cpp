#include "base/file_io.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelpris {
namespace {

namespace fs = std::filesystem;

/// Removes a named temporary unless it was renamed into place.
class TemporaryName {
  public:
    TemporaryName() = default;
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;
    ~TemporaryName() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    void set(fs::path path) { path_ = std::move(path); }
    void release() { path_.clear(); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string withSystemReason(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

FileStatus readFailure(const fs::path& path, std::string reason, std::string& out) {
    std::string().swap(out);
    return FileStatus::failure(path.string(), 0, std::move(reason));
}

/// Reads exactly out.size() bytes; "" or the reason.
std::string readExactly(int fd, std::string& out) {
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return withSystemReason("cannot read file", errno);
        }
        if (n == 0) {
            return "the file became shorter while it was read";
        }
        got += static_cast<std::size_t>(n);
    }
    char extra = 0;
    ssize_t n = 0;
    do {
        n = ::read(fd, &extra, 1);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return withSystemReason("cannot read file", errno);
    }
    return n > 0 ? "the file grew while it was read" : "";
}

/// Opens `path` for reading if it is a regular file; "" or the reason.
std::string openForReading(const fs::path& path, FileDescriptor& file, std::uintmax_t& size) {
    // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
    file.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) {
        return withSystemReason("cannot open file", errno);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return withSystemReason("cannot read file", errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return withSystemReason("cannot read file", EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return "cannot read file: not a regular file";
    }
    size = static_cast<std::uintmax_t>(info.st_size);
    return {};
}

fs::path shownPath(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute;
}

std::string shownFolder(const fs::path& folder) {
    return shownPath(folder).lexically_normal().string();
}

/// Follows symbolic links at the end of `path` to the file they lead to
/// (which need not exist yet). Links in the folders above are left to the
/// system: the temporary goes beside the final name either way.
std::string followLinks(fs::path& path) {
    constexpr int kMaxLinks = 40;  // as the kernel's own limit
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return {};
        }
        if (hops == kMaxLinks) {
            return withSystemReason("cannot follow the link", ELOOP);
        }
        std::error_code ec;
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            return "cannot follow the link: " + ec.message();
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
}

/// Checks what is at `target` now. Sets `keepMode` to the permission bits
/// to give the new file (0: the system default). "" or the reason.
std::string checkReplaceable(const fs::path& target, mode_t& keepMode) {
    keepMode = 0;
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        return errno == ENOENT ? "" : withSystemReason("cannot write", errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return withSystemReason("cannot write", EISDIR);
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return "cannot write: it is a device, not a file; it was not replaced";
    }
    if (!S_ISREG(info.st_mode)) {
        return {};  // FIFO, socket or a link being replaced: never opened
    }
    // Write bits are checked by hand as well: the superuser passes access()
    // for any file, yet a file without write bits was meant to stay.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return "the file is read-only; it was not replaced";
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return withSystemReason("cannot write", errno);
    }
    // Only the read/write/execute bits: set-user-ID and the like must not
    // pass to content written by someone else.
    keepMode = info.st_mode & 0777;
    return {};
}

std::string randomSuffix() {
    std::random_device seed;
    const std::uint64_t value = (std::uint64_t{seed()} << 32) ^ seed();
    char digits[17] = {};
    const auto end = std::to_chars(digits, digits + 16, value, 16).ptr;
    return std::string(digits, end);
}

fs::path freshTemporaryName(const fs::path& folder, const fs::path& target) {
    return folder / (file_io_detail::temporaryPrefix(target) + std::to_string(::getpid()) + "-" +
                     randomSuffix());
}

/// Whether `name` is one of our temporaries for `prefix` whose writer has died.
bool isStaleTemporary(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    name.remove_prefix(prefix.size());
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || end == name.data() || *end != '-' || pid <= 0) {
        return false;
    }
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void removeStaleTemporaries(const fs::path& folder, const fs::path& target) {
    const std::string prefix = file_io_detail::temporaryPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;  // the create step below reports why
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (isStaleTemporary(entry->d_name, prefix)) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

/// Creates the temporary in `folder`: unnamed where the file system can,
/// else under a fresh name recorded in `name`.
std::string createTemporary(const fs::path& folder, const fs::path& target, FileDescriptor& out,
                            TemporaryName& name) {
    out.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (out.valid()) {
        return {};
    }
    if (const int err = errno; err != EOPNOTSUPP && err != EISDIR && err != EINVAL) {
        return withSystemReason("cannot create a file in " + shownFolder(folder), err);
    }
    name.set(freshTemporaryName(folder, target));
    out.reset(
        ::open(name.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid()) {
        const int err = errno;
        name.release();
        return withSystemReason("cannot create a file in " + shownFolder(folder), err);
    }
    return {};
}

/// Gives an unnamed temporary a name beside the target so it can be renamed.
std::string nameTemporary(int fd, const fs::path& folder, const fs::path& target,
                          TemporaryName& name) {
    const fs::path fresh = freshTemporaryName(folder, target);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, fresh.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
        ::linkat(fd, "", AT_FDCWD, fresh.c_str(), AT_EMPTY_PATH) != 0) {
        const int err = errno;
        return withSystemReason("cannot create a file in " + shownFolder(folder), err);
    }
    name.set(fresh);
    return {};
}

std::string fillTemporary(int fd, const FileProducer& produce, mode_t keepMode,
                          Durability durability) {
    const ByteSink sink = [fd](std::string_view bytes) {
        return file_io_detail::writeAll(fd, bytes);
    };
    if (const int err = produce(sink); err != 0) {
        return withSystemReason("cannot write", err);
    }
    if (keepMode != 0 && ::fchmod(fd, keepMode) != 0) {
        return withSystemReason("cannot keep the file's permissions", errno);
    }
    // A full disk on some file systems only shows here.
    if (durability == Durability::Synced && ::fsync(fd) != 0) {
        return withSystemReason("cannot write", errno);
    }
    return {};
}

std::string syncFolder(const fs::path& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) {
        return withSystemReason("written, but the folder cannot be synced", errno);
    }
    if (::fsync(dir.get()) != 0 && errno != EINVAL) {
        return withSystemReason("written, but the folder cannot be synced", errno);
    }
    return {};
}

std::string replaceAtomically(const fs::path& target, const FileProducer& produce,
                              Durability durability) {
    mode_t keepMode = 0;
    if (std::string reason = checkReplaceable(target, keepMode); !reason.empty()) {
        return reason;
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    removeStaleTemporaries(folder, target);
    FileDescriptor file;
    TemporaryName name;
    if (std::string reason = createTemporary(folder, target, file, name); !reason.empty()) {
        return reason;
    }
    if (std::string reason = fillTemporary(file.get(), produce, keepMode, durability);
        !reason.empty()) {
        return reason;
    }
    if (name.path().empty()) {
        if (std::string reason = nameTemporary(file.get(), folder, target, name); !reason.empty()) {
            return reason;
        }
    }
    if (::rename(name.path().c_str(), target.c_str()) != 0) {
        return withSystemReason("cannot replace the file", errno);
    }
    name.release();
    return durability == Durability::Synced ? syncFolder(folder) : std::string();
}

}  // namespace

FileStatus readRegularFile(const fs::path& path, std::uintmax_t maxBytes, std::string& out) {
    FileDescriptor file;
    std::uintmax_t size = 0;
    if (std::string reason = openForReading(path, file, size); !reason.empty()) {
        return readFailure(path, std::move(reason), out);
    }
    if (size > maxBytes) {
        return readFailure(path,
                           "file too large: " + std::to_string(size) + " bytes, the limit is " +
                               std::to_string(maxBytes) + " bytes",
                           out);
    }
    out.assign(static_cast<std::size_t>(size), '\0');
    if (std::string reason = readExactly(file.get(), out); !reason.empty()) {
        return readFailure(path, std::move(reason), out);
    }
    return FileStatus::success(path.string());
}

FileStatus readFileHead(const fs::path& path, std::size_t headBytes, std::string& head,
                        std::uintmax_t& size) {
    FileDescriptor file;
    if (std::string reason = openForReading(path, file, size); !reason.empty()) {
        return readFailure(path, std::move(reason), head);
    }
    head.assign(static_cast<std::size_t>(std::min<std::uintmax_t>(size, headBytes)), '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(file.get(), head.data() + got, head.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return readFailure(path, withSystemReason("cannot read file", errno), head);
        }
        if (n == 0) {
            break;  // shorter than its size said: the head is what there is
        }
        got += static_cast<std::size_t>(n);
    }
    head.resize(got);
    return FileStatus::success(path.string());
}

void FileDescriptor::reset(int fd) noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

FileStatus openRegularFile(const fs::path& path, FileDescriptor& file, std::uintmax_t& size) {
    if (std::string reason = openForReading(path, file, size); !reason.empty()) {
        file.reset();
        return FileStatus::failure(path.string(), 0, std::move(reason));
    }
    return FileStatus::success(path.string());
}

FileStatus checkRegularFile(const fs::path& path) {
    FileDescriptor file;
    std::uintmax_t size = 0;
    return openRegularFile(path, file, size);
}

FileStatus writeFileAtomically(const fs::path& path, std::string_view bytes, LinkPolicy policy,
                               Durability durability) {
    return writeFileAtomically(
        path, [bytes](const ByteSink& sink) { return sink(bytes); }, policy, durability);
}

FileStatus writeFileAtomically(const fs::path& path, const FileProducer& produce, LinkPolicy policy,
                               Durability durability) {
    const std::string shown = shownPath(path).string();
    if (path.empty() || !path.has_filename()) {
        return FileStatus::failure(
            shown, 0, withSystemReason("cannot write", path.empty() ? ENOENT : EISDIR));
    }
    fs::path target = path;
    if (policy == LinkPolicy::FollowLinks) {
        if (std::string reason = followLinks(target); !reason.empty()) {
            return FileStatus::failure(shown, 0, std::move(reason));
        }
    }
    if (std::string reason = replaceAtomically(target, produce, durability); !reason.empty()) {
        return FileStatus::failure(shown, 0, std::move(reason));
    }
    return FileStatus::success(shown);
}

namespace file_io_detail {

int writeAll(int fd, std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string temporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".kelpris-tmp-";
}

}  // namespace file_io_detail
}  // namespace kelpris
