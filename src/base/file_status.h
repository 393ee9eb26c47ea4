#pragma once
// Outcome of reading or writing a file, for every layer of the program.

#include <string>
#include <utility>

namespace kelpris {

/// `ok` false carries the reason; `line` is the 1-based line where the
/// problem was found, or 0 when no line applies. Ignoring one is a bug, so
/// every function returning it must be looked at by its caller.
struct [[nodiscard]] FileStatus {
    bool ok = true;
    std::string path;
    int line = 0;
    std::string reason;

    explicit operator bool() const noexcept { return ok; }
    /// "<path>: line <n>: <reason>" or "<path>: <reason>"; the reason alone
    /// when there is no path (it names the file itself); empty when ok.
    [[nodiscard]] std::string message() const;

    static FileStatus success(std::string path) { return {true, std::move(path), 0, {}}; }
    static FileStatus failure(std::string path, int line, std::string reason) {
        return {false, std::move(path), line, std::move(reason)};
    }
};

}  // namespace kelpris
