#pragma once
// A value or the FileStatus that says why there is none: what every loading,
// importing and exporting function returns. `FileStatus` alone is the result
// of a function that has nothing to hand back.

#include <cassert>
#include <utility>
#include <variant>

#include "base/file_status.h"

namespace kelpris {

template <class T>
class [[nodiscard]] Result {
  public:
    /// Success carrying `value`.
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
    /// Failure; `failure.ok` must be false.
    Result(FileStatus failure)  // NOLINT: implicit
        : state_(std::in_place_index<1>, std::move(failure)) {
        assert(!std::get<1>(state_).ok);
    }

    [[nodiscard]] bool ok() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    /// The value; only when ok().
    [[nodiscard]] T& value() & { return std::get<0>(state_); }
    [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    /// The failure; a success status (ok, no reason) when ok().
    [[nodiscard]] FileStatus status() const { return ok() ? FileStatus{} : std::get<1>(state_); }
    /// The failure's "<path>: line <n>: <reason>" text; empty when ok().
    [[nodiscard]] std::string message() const { return ok() ? std::string{} : status().message(); }

  private:
    std::variant<T, FileStatus> state_;
};

}  // namespace kelpris
