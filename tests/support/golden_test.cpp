// The golden picture check: exact, and it never writes into the source tree
// unless asked to.

#include "golden.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "scratch_dir.h"

namespace kelpris::testing {
namespace {

namespace fs = std::filesystem;

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(1, 1, qRgb(215, 0, 0));
    return image;
}

class GoldenTest : public ::testing::Test {
  protected:
    ScratchDir source;
    ScratchDir build;
    GoldenFolders folders{source.path(), build.path()};
    const fs::path relative = fs::path("tests") / "x" / "golden" / "pic.png";
    fs::path golden() const { return source / relative; }
    fs::path newFile() const { return build / "tests/x/golden/pic.png.new"; }

    void SetUp() override {
        ASSERT_TRUE(matchesGolden(picture(4, 3), relative, GoldenMode::Update, folders));
    }
};

TEST_F(GoldenTest, mismatchesFailAndLeaveThePictureInTheBuildFolderOnly) {
    QImage onePixel = picture(4, 3);
    onePixel.setPixel(3, 2, qRgb(0, 0, 1));  // the smallest change still counts
    const struct {
        const char* what;
        QImage image;
        std::optional<std::string> message;  // none: a match
    } cases[] = {
        {"same", picture(4, 3), std::nullopt},
        {"one pixel", onePixel, "1 of 12 pixels differ"},
        {"wider", picture(5, 3), "is 4x3 but the picture drawn is 5x3"},
    };
    for (const auto& c : cases) {
        const auto result = matchesGolden(c.image, relative, GoldenMode::Compare, folders);
        EXPECT_EQ(bool(result), !c.message.has_value()) << c.what;
        if (c.message) {
            EXPECT_NE(std::string(result.message()).find(*c.message), std::string::npos)
                << c.what << ": " << result.message();
            EXPECT_NE(std::string(result.message()).find(newFile().string()), std::string::npos);
            EXPECT_EQ(QImage(QString::fromStdString(newFile().string())), c.image) << c.what;
        } else {
            EXPECT_FALSE(fs::exists(newFile())) << c.what;
        }
        EXPECT_EQ(QImage(QString::fromStdString(golden().string())), picture(4, 3)) << c.what;
        EXPECT_FALSE(fs::exists(golden().string() + ".new")) << c.what;
    }
}

TEST_F(GoldenTest, missingGoldenFails) {
    const auto result =
        matchesGolden(picture(4, 3), "tests/x/golden/other.png", GoldenMode::Compare, folders);
    EXPECT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("no golden file"), std::string::npos);
    EXPECT_TRUE(fs::exists(build / "tests/x/golden/other.png.new"));
    EXPECT_FALSE(fs::exists(source / "tests/x/golden/other.png"));
}

TEST_F(GoldenTest, updateRewritesTheGoldenAndClearsTheOldMismatch) {
    ASSERT_FALSE(matchesGolden(picture(5, 3), relative, GoldenMode::Compare, folders));
    ASSERT_TRUE(fs::exists(newFile()));
    EXPECT_TRUE(matchesGolden(picture(5, 3), relative, GoldenMode::Update, folders));
    EXPECT_FALSE(fs::exists(newFile()));
    EXPECT_TRUE(matchesGolden(picture(5, 3), relative, GoldenMode::Compare, folders));
}

TEST(GoldenMode, onlyOneInTheEnvironmentUpdates) {
    const struct {
        const char* value;  // null: unset
        GoldenMode mode;
    } cases[] = {{nullptr, GoldenMode::Compare},
                 {"0", GoldenMode::Compare},
                 {"", GoldenMode::Compare},
                 {"yes", GoldenMode::Compare},
                 {"1", GoldenMode::Update}};
    for (const auto& c : cases) {
        if (c.value == nullptr) {
            ::unsetenv("KELPRIS_UPDATE_GOLDEN");
        } else {
            ::setenv("KELPRIS_UPDATE_GOLDEN", c.value, 1);
        }
        EXPECT_EQ(goldenModeFromEnvironment(), c.mode) << (c.value ? c.value : "unset");
    }
    ::unsetenv("KELPRIS_UPDATE_GOLDEN");
}

}  // namespace
}  // namespace kelpris::testing
