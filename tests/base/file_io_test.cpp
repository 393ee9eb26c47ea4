// Whole-file reading and the atomic writer, on real files in a scratch folder.

#include "base/file_io.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelpris {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("kelpris_io_") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path put(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    /// Names in the folder other than `expected`: leftovers.
    std::vector<std::string> strays(const std::vector<std::string>& expected) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
                found.push_back(name);
            }
        }
        return found;
    }

    fs::path dir_;
};

TEST_F(FileIoTest, readsRegularFilesExactlyAndRefusesEverythingElseWithoutBlocking) {
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would hang
    const fs::path socketPath = dir_ / "socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string text = "0\n1 1\n0 0 0\n1 1\n";
    const struct Case {
        fs::path path;
        std::uintmax_t limit;
        bool ok;
        std::string reason;
    } cases[] = {
        {put("model.dat", text), 1000, true, ""},
        {put("empty.dat", ""), 1000, true, ""},
        {put("exact.dat", text), text.size(), true, ""},
        {put("over.dat", text), text.size() - 1, false,
         "file too large: 16 bytes, the limit is 15 bytes"},
        {fifo, 1000, false, "cannot read file: not a regular file"},
        {socketPath, 1000, false, "cannot open file: No such device or address"},
        {"/dev/zero", 1000, false, "cannot read file: not a regular file"},
        // Says it is empty, then gives text: a file that grows while read.
        {"/proc/self/status", 1000, false, "the file grew while it was read"},
        {dir_, 1000, false, "cannot read file: Is a directory"},
        {dir_ / "missing", 1000, false, "cannot open file: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        std::string out = "stale";
        const FileStatus status = readRegularFile(c.path, c.limit, out);
        EXPECT_EQ(status.ok, c.ok);
        EXPECT_EQ(status.path, c.path.string());
        EXPECT_EQ(status.reason, c.reason);
        EXPECT_EQ(out, c.ok ? contents(c.path) : "");

        // The head reader opens alike and refuses alike; it reads at most
        // the limit, so a large file is no failure for it.
        std::string head = "stale";
        std::uintmax_t size = 0;
        const FileStatus headStatus = readFileHead(c.path, c.limit, head, size);
        const bool growing = c.path == "/proc/self/status";
        const bool tooLarge = c.reason.rfind("file too large", 0) == 0;
        EXPECT_EQ(headStatus.ok, c.ok || tooLarge || growing);
        if (headStatus.ok && !growing) {
            EXPECT_EQ(head, contents(c.path).substr(0, c.limit));
            EXPECT_EQ(size, contents(c.path).size());
        } else if (!headStatus.ok) {
            EXPECT_EQ(headStatus.reason, c.reason);
            EXPECT_EQ(head, "");
        }
    }
    ::close(sock);
}

TEST_F(FileIoTest, linkPolicyDecidesWhetherALinkIsFollowedOrReplaced) {
    for (const LinkPolicy policy : {LinkPolicy::FollowLinks, LinkPolicy::ReplaceLinks}) {
        const bool follow = policy == LinkPolicy::FollowLinks;
        SCOPED_TRACE(follow ? "follow" : "replace");
        const fs::path target = put("target.txt", "precious");
        fs::permissions(target,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const fs::path link = dir_ / "link.txt";
        fs::remove(link);
        fs::create_symlink("target.txt", link);  // relative, as users make them

        const FileStatus status = writeFileAtomically(link, "new", policy);
        ASSERT_TRUE(status.ok) << status.message();
        EXPECT_EQ(status.path, link.string());
        EXPECT_EQ(fs::is_symlink(link), follow);
        EXPECT_EQ(contents(link), "new");
        EXPECT_EQ(contents(target), follow ? "new" : "precious");
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_EQ(strays({"target.txt", "link.txt"}), std::vector<std::string>{});
        fs::remove(target);
    }
}

TEST_F(FileIoTest, replacesFifosAndSocketsButRefusesWhatMustStay) {
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path readOnly = put("read-only.txt", "keep");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    const fs::path toDevice = dir_ / "null-link";
    fs::create_symlink("/dev/null", toDevice);
    const fs::path folder = dir_ / "folder";
    fs::create_directory(folder);
    const struct Case {
        fs::path path;
        bool ok;
        std::string reason;
    } cases[] = {
        {fifo, true, ""},
        {readOnly, false, "the file is read-only; it was not replaced"},
        {toDevice, false, "cannot write: it is a device, not a file; it was not replaced"},
        {folder, false, "cannot write: Is a directory"},
        {dir_ / "no-folder" / "x", false,
         "cannot create a file in " + (dir_ / "no-folder").string() +
             ": No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        const FileStatus status = writeFileAtomically(c.path, "data");
        EXPECT_EQ(status.ok, c.ok);
        EXPECT_EQ(status.reason, c.reason);
    }
    EXPECT_TRUE(fs::is_regular_file(fifo));
    EXPECT_EQ(contents(fifo), "data");
    EXPECT_EQ(contents(readOnly), "keep");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(strays({"fifo", "read-only.txt", "null-link", "folder"}), std::vector<std::string>{});
}

TEST_F(FileIoTest, unwritableFolderGivesTheSystemsReason) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write into any folder";
    }
    const fs::path locked = dir_ / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const FileStatus status = writeFileAtomically(locked / "out.txt", "data");
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.reason.find("Permission denied"), std::string::npos) << status.reason;
}

TEST_F(FileIoTest, temporariesOfDeadWritersAreRemovedAndLiveOnesKept) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // its PID is now free
    const std::string prefix = file_io_detail::temporaryPrefix(dir_ / "out.txt");
    EXPECT_EQ(prefix, ".out.txt.kelpris-tmp-");
    const std::string dead = prefix + std::to_string(child) + "-1f";
    const std::string live = prefix + std::to_string(::getpid()) + "-2e";
    const std::string other = ".other.txt.kelpris-tmp-" + std::to_string(child) + "-3d";
    for (const std::string& name : {dead, live, other}) {
        put(name, "half");
    }
    ASSERT_TRUE(writeFileAtomically(dir_ / "out.txt", "whole").ok);
    EXPECT_EQ(contents(dir_ / "out.txt"), "whole");
    EXPECT_FALSE(fs::exists(dir_ / dead));
    EXPECT_TRUE(fs::exists(dir_ / live));
    EXPECT_TRUE(fs::exists(dir_ / other));
}

TEST_F(FileIoTest, writeFailuresCarryTheSystemsReasonAndLeaveTheTargetAlone) {
    // A full device: the low-level write reports it.
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    EXPECT_EQ(file_io_detail::writeAll(full, "x"), ENOSPC);
    ::close(full);

    // A file size limit makes the whole write fail part way, as a full disk
    // would: the old file stays and no temporary is left.
    const fs::path target = put("out.txt", "old");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileStatus status = writeFileAtomically(target, "longer than four bytes");
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.path, target.string());
    EXPECT_EQ(status.reason, std::string("cannot write: ") + std::strerror(EFBIG));
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(strays({"out.txt"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace kelpris
