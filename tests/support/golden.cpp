#include "golden.h"

#include <QString>
#include <iostream>
#include <system_error>

#include "render/qt/qt_surface.h"

namespace kelpris::testing {

namespace {

namespace fs = std::filesystem;

QString qPath(const fs::path& p) {
    return QString::fromStdString(p.string());
}

/// Saves `image` as a PNG, making the folder first; false when it cannot.
bool savePng(const QImage& image, const fs::path& file) {
    std::error_code ignored;
    fs::create_directories(file.parent_path(), ignored);
    return image.save(qPath(file), "PNG");
}

long long differingPixels(const QImage& a, const QImage& b) {
    long long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            n += rgbAt(a, x, y) == rgbAt(b, x, y) ? 0 : 1;
        }
    }
    return n;
}

/// Writes the picture drawn beside the golden file's place in the build
/// folder and says where it went.
std::string keepForInspection(const QImage& image, const fs::path& newFile) {
    if (savePng(image, newFile)) {
        return "; the picture drawn is in " + newFile.string() +
               " (KELPRIS_UPDATE_GOLDEN=1 makes it the golden file)";
    }
    return "; the picture drawn could not be written to " + newFile.string();
}

}  // namespace

GoldenMode goldenModeFromEnvironment() {
    return qEnvironmentVariable("KELPRIS_UPDATE_GOLDEN") == QLatin1String("1")
               ? GoldenMode::Update
               : GoldenMode::Compare;
}

GoldenFolders projectFolders() {
    return {KELPRIS_TEST_SOURCE_DIR, KELPRIS_TEST_BUILD_DIR};
}

::testing::AssertionResult matchesGolden(const QImage& image, const fs::path& relative,
                                         GoldenMode mode, const GoldenFolders& folders) {
    const fs::path golden = folders.source / relative;
    fs::path newFile = folders.build / relative;
    newFile += ".new";
    std::error_code ignored;
    fs::remove(newFile, ignored);  // never leave a stale picture from an earlier run

    if (mode == GoldenMode::Update) {
        if (!savePng(image, golden)) {
            return ::testing::AssertionFailure() << "could not write " << golden.string();
        }
        std::cout << "golden file rewritten: " << golden.string() << '\n';
        return ::testing::AssertionSuccess();
    }

    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    const QImage expected = QImage(qPath(golden)).convertToFormat(QImage::Format_RGB32);
    if (expected.isNull()) {
        return ::testing::AssertionFailure()
               << "no golden file " << golden.string() << keepForInspection(drawn, newFile);
    }
    if (expected.size() != drawn.size()) {
        return ::testing::AssertionFailure()
               << golden.string() << " is " << expected.width() << "x" << expected.height()
               << " but the picture drawn is " << drawn.width() << "x" << drawn.height()
               << keepForInspection(drawn, newFile);
    }
    const long long differing = differingPixels(expected, drawn);
    if (differing != 0) {
        return ::testing::AssertionFailure()
               << differing << " of " << static_cast<long long>(drawn.width()) * drawn.height()
               << " pixels differ from " << golden.string() << keepForInspection(drawn, newFile);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kelpris::testing
