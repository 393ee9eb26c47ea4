#include "import/child_import.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "import/mesh_stream.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELPRIS_IMPORT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define KELPRIS_IMPORT_SANITIZED 1
#endif
#endif

namespace kelpris::mesh {
namespace {

using Clock = std::chrono::steady_clock;

// Owns a file descriptor.
class Fd {
  public:
    Fd() noexcept = default;
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~Fd() { reset(); }
    void reset() noexcept {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    int get() const noexcept { return fd_; }

  private:
    int fd_ = -1;
};

// A copy of `fd` numbered 10 or above (close-on-exec), so that the child can
// move it onto 0..3 without overwriting another.
Fd highCopy(int fd) {
    return Fd(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
}

enum class Stop { none, timedOut, cancelled };

// The read end of the stream pipe, read with poll() against the deadline and
// the cancel token.
class PipeSource final : public ByteSource {
  public:
    PipeSource(int fd, const CancelToken* cancel, Clock::time_point deadline) noexcept
        : fd_(fd), cancel_(cancel), deadline_(deadline) {}

    std::size_t read(std::byte* into, std::size_t size) override {
        std::size_t done = 0;
        while (done < size && !ended_ && stop_ == Stop::none) {
            if (cancel_ != nullptr && cancel_->cancelled()) {
                stop_ = Stop::cancelled;
                break;
            }
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
            if (left.count() <= 0) {
                stop_ = Stop::timedOut;
                break;
            }
            pollfd fds[2] = {{fd_, POLLIN, 0},
                             {cancel_ != nullptr ? cancel_->fd() : -1, POLLIN, 0}};
            const int wait = static_cast<int>(std::min<std::int64_t>(left.count(), 1000));
            if (::poll(fds, 2, wait) < 0 && errno != EINTR) {
                ended_ = true;
                break;
            }
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::read(fd_, into + done, size - done);
            if (got > 0) {
                done += static_cast<std::size_t>(got);
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                ended_ = true;
            }
        }
        return done;
    }

    Stop stop() const noexcept { return stop_; }

  private:
    int fd_;
    const CancelToken* cancel_;
    Clock::time_point deadline_;
    bool ended_ = false;
    Stop stop_ = Stop::none;
};

void limit(int resource, rlim_t value) noexcept {
    const rlimit bounds{value, value};
    ::setrlimit(resource, &bounds);
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execImporter(char* const* argv, char* const* envp, int nullFd, int streamFd,
                               const ChildSettings& settings, rlim_t cpuSeconds) noexcept {
    ::dup2(nullFd, 0);
    ::dup2(nullFd, 1);
    ::dup2(nullFd, 2);
    ::dup2(streamFd, kStreamFd);
    ::close_range(kStreamFd + 1, ~0u, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_NOFILE, 64);
    const rlimit cpu{cpuSeconds, cpuSeconds + 2};  // SIGXCPU first, SIGKILL later
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (settings.addressSpaceBytes != 0) {
        limit(RLIMIT_AS, settings.addressSpaceBytes);
    }
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

// The child's environment: the parent's, except that in sanitizer builds a
// crash must still end the child by its signal (the sanitizer's report would
// go to /dev/null anyway), so that it is reported as in a normal build.
std::vector<std::string> childEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
#ifdef KELPRIS_IMPORT_SANITIZED
    constexpr std::string_view kName = "ASAN_OPTIONS=";
    constexpr const char* kSignals =
        "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0";
    auto asan = std::find_if(environment.begin(), environment.end(),
                             [&](const std::string& e) { return e.starts_with(kName); });
    if (asan == environment.end()) {
        environment.push_back(std::string(kName) + kSignals);
    } else {
        *asan += std::string(":") + kSignals;
    }
#endif
    return environment;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string signalName(int sig) {
    const char* abbrev = ::sigabbrev_np(sig);
    return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(sig);
}

// Waits for the child until the deadline, then kills it. True when the
// status is known.
bool reap(pid_t pid, Clock::time_point deadline, int& status, bool& killed) {
    for (;;) {
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        ::usleep(5000);
    }
    ::kill(pid, SIGKILL);
    killed = true;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::string stoppedOn(const std::string& name, const std::string& why) {
    return "the importer stopped on " + name + ": " + why;
}

std::string seconds(std::chrono::milliseconds timeout) {
    const auto whole = std::chrono::ceil<std::chrono::seconds>(timeout).count();
    return std::to_string(whole) + " s";
}

std::string streamError(const StreamContent& content, const std::string& name) {
    switch (content.error) {
        case ChildError::noGeometry:
            return "no faces or lines in " + name;
        case ChildError::outOfMemory:
            return stoppedOn(name, "it ran out of memory");
        default:
            return "cannot import " + name + ": " + content.text;
    }
}

const char* formatName(ExportFormat format) {
    switch (format) {
        case ExportFormat::stl:
            return "stl";
        case ExportFormat::obj:
            return "obj";
        case ExportFormat::ply:
            return "ply";
    }
    return "stl";
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, events, 0};
        const int wait = static_cast<int>(std::min<std::int64_t>(left.count(), 1000));
        const int ready = ::poll(&entry, 1, wait);
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return true;  // the next call on the socket reports the failure
        }
    }
}

// Sends the model; a child that stops reading (it failed and says why in its
// answer) ends the sending quietly. False only when the deadline passed.
bool sendAll(int fd, const std::vector<std::byte>& bytes, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!waitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t n =
            ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            break;
        }
    }
    return true;
}

enum class Received { whole, timedOut, tooLarge };

Received receiveAll(int fd, std::string& answer, Clock::time_point deadline) {
    constexpr std::uint64_t kLimit = kMaxExportBytes + 64;
    char buffer[1 << 16];
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline)) {
            return Received::timedOut;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            if (answer.size() + static_cast<std::size_t>(n) > kLimit) {
                return Received::tooLarge;
            }
            answer.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            return Received::whole;
        }
    }
}

}  // namespace

CancelToken::CancelToken() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;  // cancelled() still works, only later
    }
}

CancelToken::~CancelToken() {
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void CancelToken::cancel() noexcept {
    cancelled_.store(true);
    if (fds_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fds_[1], &byte, 1);
    }
}

std::uint64_t addressSpaceFor(std::uint64_t fileSize) noexcept {
#ifdef KELPRIS_IMPORT_SANITIZED
    (void)fileSize;
    return 0;
#else
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    const std::uint64_t scaled = fileSize > (std::uint64_t{1} << 40) ? fileSize : fileSize * 8;
    return std::clamp(scaled, 768 * kMiB, 4096 * kMiB);
#endif
}

std::filesystem::path defaultImporterPath() {
    // Installed, the importer lives in a folder of its own that is not on
    // PATH; a program of the build tree uses the importer built there. Both
    // are found from the running program, never from the working directory.
    // When the importer is missing, the error names where it belongs.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path bin = error ? KELPRIS_INSTALL_BINDIR : self.parent_path();
    const std::filesystem::path installed = (bin / KELPRIS_IMPORTER_FROM_BINDIR).lexically_normal();
    if (error || ::access(installed.c_str(), X_OK) == 0) {
        return installed;
    }
    const std::filesystem::path buildTree = KELPRIS_BUILD_TREE;
    const bool inBuildTree =
        std::mismatch(buildTree.begin(), buildTree.end(), self.begin(), self.end()).first ==
        buildTree.end();
    return inBuildTree ? KELPRIS_IMPORTER_BUILD_PATH : installed;
}

ChildResult importInChild(const std::filesystem::path& path, const ChildSettings& settings,
                          const CancelToken* cancel, const ProgressFn& progress) {
    const std::string name = path.string();
    ChildResult result;
    const char* up = settings.up == UpAxis::x ? "x" : settings.up == UpAxis::y ? "y" : "z";
    std::vector<std::string> args = {settings.importer.string(), "--up", up, "--", name};
    std::vector<std::string> environment = childEnvironment();
    const std::vector<char*> argv = pointersTo(args);
    const std::vector<char*> envp = pointersTo(environment);

    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        result.error = "cannot start the importer for " + name + ": " + std::strerror(errno);
        return result;
    }
    Fd readEnd(ends[0]);
    Fd writeEnd = highCopy(ends[1]);
    ::close(ends[1]);
    Fd nullFd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    Fd nullHigh = nullFd.get() >= 0 ? highCopy(nullFd.get()) : Fd();
    if (writeEnd.get() < 0 || nullHigh.get() < 0) {
        result.error = "cannot start the importer for " + name + ": " + std::strerror(errno);
        return result;
    }
    const auto start = Clock::now();
    const auto deadline = start + settings.timeout;
    const auto cpuSeconds =
        static_cast<rlim_t>(std::chrono::ceil<std::chrono::seconds>(settings.timeout).count() + 1);

    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = "cannot start the importer for " + name + ": " + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        execImporter(argv.data(), envp.data(), nullHigh.get(), writeEnd.get(), settings,
                     cpuSeconds);
    }
    writeEnd.reset();
    ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);

    PipeSource source(readEnd.get(), cancel, deadline);
    StreamContent content;
    bool noMemory = false;
    try {
        content = readStream(source, progress);
    } catch (const std::bad_alloc&) {
        noMemory = true;
    }
    bool killed = false;
    if (source.stop() != Stop::none || noMemory) {
        ::kill(pid, SIGKILL);
        killed = true;
    }
    // A child still writing after a broken stream gets EPIPE or SIGPIPE once
    // the read end is closed; one that crashed is reaped at once.
    readEnd.reset();
    const bool broken = content.kind == StreamContent::Kind::malformed;
    const auto grace =
        broken ? std::min(deadline, Clock::now() + std::chrono::seconds(2)) : deadline;
    int status = 0;
    const bool reaped = reap(pid, std::max(grace, Clock::now()), status, killed);
    const bool signalled =
        reaped && WIFSIGNALED(status) && !killed && !(broken && WTERMSIG(status) == SIGPIPE);

    if (noMemory) {
        result.error = "not enough memory to load " + name;
    } else if (source.stop() == Stop::cancelled) {
        result.error = "the import of " + name + " was cancelled";
    } else if (source.stop() == Stop::timedOut ||
               (reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) ||
               (killed && !broken)) {
        result.error = stoppedOn(name, "it took longer than " + seconds(settings.timeout));
    } else if (signalled) {
        result.error = stoppedOn(name, "it crashed (" + signalName(WTERMSIG(status)) + ")");
    } else if (reaped && WIFEXITED(status) && WEXITSTATUS(status) == kExitOutOfMemory) {
        result.error = stoppedOn(name, "it ran out of memory");
    } else if (reaped && WIFEXITED(status) && WEXITSTATUS(status) == 127 &&
               content.kind == StreamContent::Kind::malformed) {
        result.error = "cannot start the importer " + settings.importer.string() + " for " + name;
    } else if (content.kind == StreamContent::Kind::error) {
        result.error = streamError(content, name);
    } else if (content.kind == StreamContent::Kind::malformed) {
        result.error = stoppedOn(name, "it sent malformed data (" + content.text + ")");
    } else if (!reaped || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.error = stoppedOn(name, "it failed with exit status " + std::to_string(code));
    } else {
        result.ok = true;
        result.model = std::move(content.model);
    }
    return result;
}

}  // namespace kelpris::mesh

namespace kelpris::mesh {

ExportResult exportInChild(const MeshModel& model, ExportFormat format, const std::string& name,
                           const ChildSettings& settings) {
    ExportResult result;
    const std::string cannotStart = "cannot start the importer to export " + name + ": ";
    const std::vector<std::byte> stream = encodeModel(model);
    std::vector<std::string> args = {settings.importer.string(), "--export", formatName(format)};
    std::vector<std::string> environment = childEnvironment();
    const std::vector<char*> argv = pointersTo(args);
    const std::vector<char*> envp = pointersTo(environment);

    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        result.error = cannotStart + std::strerror(errno);
        return result;
    }
    Fd ours(ends[0]);
    Fd theirs = highCopy(ends[1]);
    ::close(ends[1]);
    Fd nullFd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    Fd nullHigh = nullFd.get() >= 0 ? highCopy(nullFd.get()) : Fd();
    if (theirs.get() < 0 || nullHigh.get() < 0) {
        result.error = cannotStart + std::strerror(errno);
        return result;
    }
    const auto deadline = Clock::now() + settings.timeout;
    const auto cpuSeconds =
        static_cast<rlim_t>(std::chrono::ceil<std::chrono::seconds>(settings.timeout).count() + 1);
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = cannotStart + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        execImporter(argv.data(), envp.data(), nullHigh.get(), theirs.get(), settings, cpuSeconds);
    }
    theirs.reset();

    std::string answer;
    Received received = Received::timedOut;
    if (sendAll(ours.get(), stream, deadline)) {
        ::shutdown(ours.get(), SHUT_WR);
        received = receiveAll(ours.get(), answer, deadline);
    }
    bool killed = false;
    if (received != Received::whole) {
        ::kill(pid, SIGKILL);
        killed = true;
    }
    ours.reset();
    int status = 0;
    const bool reaped = reap(pid, std::max(deadline, Clock::now()), status, killed);
    FileAnswer content = readFileAnswer(answer);
    const std::string stopped = "the exporter stopped on " + name + ": ";

    if (received == Received::tooLarge) {
        result.error = "cannot export " + name + ": the file would be larger than 1 GiB";
    } else if (received == Received::timedOut ||
               (reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) || killed) {
        result.error = stopped + "it took longer than " + seconds(settings.timeout);
    } else if (reaped && WIFSIGNALED(status)) {
        result.error = stopped + "it crashed (" + signalName(WTERMSIG(status)) + ")";
    } else if (reaped && WIFEXITED(status) && WEXITSTATUS(status) == 127 && answer.empty()) {
        result.error =
            "cannot start the importer " + settings.importer.string() + " to export " + name;
    } else if (content.kind == FileAnswer::Kind::error) {
        result.error = content.error == ChildError::outOfMemory
                           ? stopped + "it ran out of memory"
                           : "cannot export " + name + ": " + content.text;
    } else if (content.kind == FileAnswer::Kind::malformed) {
        result.error = stopped + "it sent malformed data (" + content.text + ")";
    } else if (!reaped || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.error = stopped + "it failed with exit status " + std::to_string(code);
    } else {
        result.ok = true;
        result.bytes = std::move(content.bytes);
    }
    return result;
}

}  // namespace kelpris::mesh
