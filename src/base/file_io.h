#pragma once
// Whole-file reading and writing that never blocks on a FIFO or device the
// user names, never leaves a half-written file behind, and reports failures
// with the path and the system's own reason.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "base/file_status.h"

namespace kelpris {

/// Owns one file descriptor and closes it.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) noexcept : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    ~FileDescriptor() { reset(); }
    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }
    void reset(int fd = -1) noexcept;

  private:
    int fd_;
};

/// Opens `path` for reading as readRegularFile does (never blocking, only a
/// regular file) and leaves it open in `file`, its size in `size`, for a
/// reader that takes it piece by piece.
[[nodiscard]] FileStatus openRegularFile(const std::filesystem::path& path, FileDescriptor& file,
                                         std::uintmax_t& size);

/// Reads the regular file `path` whole into `out`. The file is opened without
/// blocking, and anything but a regular file (a FIFO, socket, device or
/// directory) is refused without reading. A file larger than `maxBytes` is
/// refused from its size. The buffer is sized exactly to the file; a file
/// that grows or shrinks while it is read is refused rather than read in
/// part. On failure `out` is empty and the status names `path` and the
/// reason. Throws std::bad_alloc when the buffer cannot be had.
[[nodiscard]] FileStatus readRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                         std::string& out);

/// Opens `path` as readRegularFile does and reads at most its first
/// `headBytes` into `head` (fewer when the file is shorter), with the file's
/// size in `size`: enough to tell a format by its first bytes without
/// reading a large file whole. On failure `head` is empty.
[[nodiscard]] FileStatus readFileHead(const std::filesystem::path& path, std::size_t headBytes,
                                      std::string& head, std::uintmax_t& size);

/// Opens `path` as readRegularFile does and reads nothing: the same
/// refusals and reasons, success when the file could be read.
[[nodiscard]] FileStatus checkRegularFile(const std::filesystem::path& path);

/// What writeFileAtomically does with a symbolic link found at the path.
enum class LinkPolicy {
    FollowLinks,   ///< the file the link leads to is replaced; the link stays
    ReplaceLinks,  ///< the link itself is replaced by the new file
};

/// Whether writeFileAtomically waits for the bytes to reach the disk.
enum class Durability {
    Synced,    ///< file and folder are synced: the new file survives a crash
    Unsynced,  ///< still all-or-nothing for readers, but not forced to disk;
               ///< for files rewritten so often that a sync would slow the
               ///< program down and losing the latest one costs nothing
};

/// Replaces the file at `path` with `bytes` so that readers see either the
/// old file or the whole new one: the bytes go to a temporary file in the
/// target's folder (unnamed where the file system allows), are synced, and
/// the temporary is renamed over the target; then the folder is synced
/// (with Durability::Synced).
/// A regular file being replaced keeps its permission bits; one the user
/// marked read-only (no write bit at all) or cannot write is refused and
/// left as it is. A directory or a device at the target is refused; a FIFO
/// or socket there is replaced, never opened. Leftover temporaries of
/// earlier runs that died are removed. On failure the target is untouched,
/// no temporary is left, and the status names the absolute path and the
/// system's reason.
[[nodiscard]] FileStatus writeFileAtomically(const std::filesystem::path& path,
                                             std::string_view bytes,
                                             LinkPolicy policy = LinkPolicy::FollowLinks,
                                             Durability durability = Durability::Synced);

/// Hands the bytes of a file to its writer piece by piece: returns 0, or the
/// errno of a failed write.
using ByteSink = std::function<int(std::string_view bytes)>;
/// Writes a whole file through the sink it is given: returns 0, or the errno
/// the sink reported (the file is then not written).
using FileProducer = std::function<int(const ByteSink& sink)>;

/// writeFileAtomically for a file made piece by piece, so that a large file
/// never has to be held in memory whole.
[[nodiscard]] FileStatus writeFileAtomically(const std::filesystem::path& path,
                                             const FileProducer& produce,
                                             LinkPolicy policy = LinkPolicy::FollowLinks,
                                             Durability durability = Durability::Synced);

namespace file_io_detail {

/// Writes all of `bytes` to `fd`, resuming short and interrupted writes.
/// Returns 0, or the errno of the failure.
[[nodiscard]] int writeAll(int fd, std::string_view bytes) noexcept;

/// Start of the names of named temporaries for `target`:
/// ".NAME.kelpris-tmp-", followed by the writer's process id, '-' and a
/// random suffix.
[[nodiscard]] std::string temporaryPrefix(const std::filesystem::path& target);

}  // namespace file_io_detail
}  // namespace kelpris
