#pragma once
// Test helper: switches the C library and the C++ global locale to German
// (decimal comma, '.' grouping) for one scope, generating the locale into a
// private folder when the system has not got it. Restores "C" on exit.

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kelpris::testing {

class CommaLocale {
  public:
    CommaLocale() { active_ = activate(); }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    [[nodiscard]] bool active() const { return active_; }

  private:
    static constexpr const char* kName = "de_DE.UTF-8";

    static bool select() {
        if (std::setlocale(LC_ALL, kName) == nullptr) {
            return false;
        }
        try {
            std::locale::global(std::locale(kName));
        } catch (const std::runtime_error&) {
            return false;
        }
        return true;
    }

    // glibc looks in $LOCPATH first, so a locale built there needs no root
    // and leaves the system alone; one folder per process, as tests run in
    // parallel.
    bool activate() {
        if (select()) {
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
        return select();
    }

    std::filesystem::path dir_;
    bool active_ = false;
};

}  // namespace kelpris::testing
