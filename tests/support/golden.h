#pragma once
// Pictures checked against golden PNG files kept in the source tree.
//
// Pictures are not antialiased, so a picture matches its golden file only
// when every pixel is equal. On a mismatch the picture drawn is written as
// <golden>.new under the build folder (never into the source tree) and the
// failure says where and how many pixels differ. With KELPRIS_UPDATE_GOLDEN=1
// in the environment the golden file itself is rewritten instead: do that on
// purpose, and look at the pictures before committing them.

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

namespace kelpris::testing {

enum class GoldenMode {
    Compare,  ///< check against the golden file
    Update,   ///< rewrite the golden file with the picture
};

/// Update when KELPRIS_UPDATE_GOLDEN is 1, otherwise Compare.
GoldenMode goldenModeFromEnvironment();

struct GoldenFolders {
    std::filesystem::path source;  ///< where golden files are read from and updated
    std::filesystem::path build;   ///< where mismatching pictures are written
};

/// The project's source and build folders.
GoldenFolders projectFolders();

/// Checks `image` against the golden file `relative` (a path from the source
/// folder, e.g. "tests/render/golden/setup_view.png").
[[nodiscard]] ::testing::AssertionResult matchesGolden(
    const QImage& image, const std::filesystem::path& relative,
    GoldenMode mode = goldenModeFromEnvironment(), const GoldenFolders& folders = projectFolders());

}  // namespace kelpris::testing
