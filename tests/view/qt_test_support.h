#pragma once
// Shared helpers of the picture and widget tests: a scratch working
// directory, pixel probes and colour names.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>
#include <ostream>
#include <string>

#include "render/drawing_surface.h"
#include "render/qt/qt_surface.h"

namespace kelpris::testing {

inline const std::filesystem::path kSourceDir = KELPRIS_SOURCE_DIR;

/// Runs the test inside a fresh temporary directory (the view reads dom.dat
/// and writes the sort report in the working directory).
class ScratchDir {
  public:
    ScratchDir() : previous_(std::filesystem::current_path()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("kelpris_viewqt_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void copyIn(const std::filesystem::path& source, const char* name) const {
        std::filesystem::copy_file(source, path_ / name);
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

/// Number of pixels of exactly `colour` in the rectangle [x0, x1) x [y0, y1).
inline int count(const QImage& image, Rgb colour, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += rgbAt(image, x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kFrame{200, 0, 200};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kRedLine{215, 0, 0};
inline constexpr Rgb kGreenLine{0, 120, 0};
inline constexpr Rgb kRedFace{180, 0, 0};
inline constexpr Rgb kGreenFace{0, 100, 0};
inline constexpr Rgb kLinesOverlap{215, 120, 0};
inline constexpr Rgb kFacesOverlap{180, 100, 0};
inline constexpr Rgb kText{255, 0, 0};

}  // namespace kelpris::testing

namespace kelpris {
inline std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << "RGB(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}
}  // namespace kelpris
