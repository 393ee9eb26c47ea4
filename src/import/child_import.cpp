#include "import/child_import.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/file_io.h"
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

// A copy of `fd` numbered 10 or above (close-on-exec), so that the child can
// move it onto 0..3 without overwriting another.
FileDescriptor highCopy(int fd) {
    return FileDescriptor(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
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
                               const ChildSettings& settings, rlim_t cpuSeconds,
                               pid_t parent) noexcept {
    // The child must not outlive the viewer (the signal comes when the
    // thread that forked ends); a parent gone before this call is seen here.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
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

std::string seconds(std::chrono::milliseconds timeout) {
    const auto whole = std::chrono::ceil<std::chrono::seconds>(timeout).count();
    return std::to_string(whole) + " s";
}

std::string outOfMemory(std::uint64_t limit) {
    if (limit == 0) {
        return "the importer ran out of memory";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(limit) / double(1ull << 30));
    std::string amount = text;
    if (amount.ends_with(".0")) {
        amount.resize(amount.size() - 2);
    }
    return "the importer needed more than " + amount + " GiB";
}

std::string streamError(const StreamContent& content, std::uint64_t limit) {
    switch (content.error) {
        case ChildError::outOfMemory:
            return outOfMemory(limit);
        default:
            return content.text;
    }
}

}  // namespace

std::uint64_t importerAddressSpace() noexcept {
#ifdef KELPRIS_IMPORT_SANITIZED
    return 0;
#else
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    const std::uint64_t memory =
        pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize) : 2 * kGiB;
    return std::max(memory / 2, kGiB);
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

Result<MeshModel> importInChild(const std::filesystem::path& path, const ChildSettings& settings,
                                const CancelToken* cancel, const ProgressFn& progress) {
    const std::string name = path.string();
    const auto failure = [&name](std::string reason) -> Result<MeshModel> {
        return FileStatus::failure(name, 0, std::move(reason));
    };
    std::vector<std::string> args = {settings.importer.string(), "--up",
                                     std::string(upAxisName(settings.up)), "--", name};
    std::vector<std::string> environment = childEnvironment();
    const std::vector<char*> argv = pointersTo(args);
    const std::vector<char*> envp = pointersTo(environment);

    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return failure(std::string("cannot start the importer: ") + std::strerror(errno));
    }
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd = highCopy(ends[1]);
    ::close(ends[1]);
    FileDescriptor nullFd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    FileDescriptor nullHigh = nullFd.valid() ? highCopy(nullFd.get()) : FileDescriptor();
    if (!writeEnd.valid() || !nullHigh.valid()) {
        return failure(std::string("cannot start the importer: ") + std::strerror(errno));
    }
    const auto deadline = Clock::now() + settings.timeout;
    const auto cpuSeconds =
        static_cast<rlim_t>(std::chrono::ceil<std::chrono::seconds>(settings.timeout).count() + 1);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        return failure(std::string("cannot start the importer: ") + std::strerror(errno));
    }
    if (pid == 0) {
        execImporter(argv.data(), envp.data(), nullHigh.get(), writeEnd.get(), settings, cpuSeconds,
                     parent);
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
        return failure("not enough memory to load the model");
    }
    if (source.stop() == Stop::cancelled) {
        return failure("the import was cancelled");
    }
    if (source.stop() == Stop::timedOut ||
        (reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) || (killed && !broken)) {
        return failure("the importer took longer than " + seconds(settings.timeout));
    }
    if (signalled) {
        return failure("the importer crashed (" + signalName(WTERMSIG(status)) + ")");
    }
    if (reaped && WIFEXITED(status) && WEXITSTATUS(status) == kExitOutOfMemory) {
        return failure(outOfMemory(settings.addressSpaceBytes));
    }
    if (reaped && WIFEXITED(status) && WEXITSTATUS(status) == 127 && broken) {
        return failure("cannot start the importer " + settings.importer.string());
    }
    if (content.kind == StreamContent::Kind::error) {
        return failure(streamError(content, settings.addressSpaceBytes));
    }
    if (broken) {
        return failure("the importer sent malformed data (" + content.text + ")");
    }
    if (!reaped || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return failure("the importer failed with exit status " + std::to_string(code));
    }
    return std::move(content.model);
}

}  // namespace kelpris::mesh
