#pragma once
// Test helpers for number formatting under a German locale (decimal comma,
// '.' between thousands).
//
// CommaLocale switches the C library to de_DE.UTF-8 for one scope,
// generating it into a private folder when the system has not got it, and
// sets a C++ global locale with the same punctuation. The C++ side is built
// from a facet rather than by name: glibc's newlocale leaks when LOCPATH is
// set, which the leak checker would report.

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>
#include <system_error>

namespace kelpris::testing {

/// Restores the classic C++ global locale when it goes out of scope.
class GermanGlobalLocale {
  public:
    GermanGlobalLocale() { std::locale::global(std::locale(std::locale::classic(), new Punct)); }
    ~GermanGlobalLocale() { std::locale::global(std::locale::classic()); }
    GermanGlobalLocale(const GermanGlobalLocale&) = delete;
    GermanGlobalLocale& operator=(const GermanGlobalLocale&) = delete;

  private:
    // The locale takes ownership of the facet (its reference count starts
    // at 0).
    struct Punct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
};

class CommaLocale {
  public:
    CommaLocale() { active_ = activate(); }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    /// False when the C library could not be switched.
    [[nodiscard]] bool active() const { return active_; }

  private:
    static constexpr const char* kName = "de_DE.UTF-8";

    // glibc looks in $LOCPATH first, so a locale built there needs no root
    // and leaves the system alone; one folder per process, as tests run in
    // parallel.
    bool activate() {
        if (std::setlocale(LC_ALL, kName) != nullptr) {
            return true;
        }
        dir_ = std::filesystem::temp_directory_path() /
               ("kelpris_locales_" + std::to_string(getpid()));
        std::error_code ec;
        std::filesystem::create_directories(dir_, ec);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + (dir_ / kName).string() + "' >/dev/null 2>&1";
        if (ec || std::system(command.c_str()) != 0) {
            return false;
        }
        setenv("LOCPATH", dir_.c_str(), 1);
        return std::setlocale(LC_ALL, kName) != nullptr;
    }

    std::filesystem::path dir_;
    GermanGlobalLocale cxx_;
    bool active_ = false;
};

}  // namespace kelpris::testing
