// The view widget's keys, pointer shapes and turntable, and the exported
// pictures against the pixels the window shows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <memory>

#include "colours.h"
#include "paths.h"
#include "pixels.h"
#include "scratch_dir.h"
#include "view/qt/kelpr_view.h"
#include "view/qt/picture_export.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using namespace kelpris::testing;

class ViewerOptionsTest : public ::testing::Test {
  protected:
    ScratchDir scratch{Enter::Yes};
    std::unique_ptr<CKELPRView> view;

    void SetUp() override {
        view = std::make_unique<CKELPRView>();
        view->resize(644, 484);
        Scena house;
        ASSERT_TRUE(house.load(kSourceDir / "data" / "samples" / "house_faces.dat"));
        view->replaceScene(std::move(house));
    }
    ViewState& state() { return view->state(); }
    void setGlasses(const GlassesChoice& glasses) {
        ViewOptions options = view->state().options();
        options.glasses = glasses;
        view->setOptions(options);
    }
    QImage stereoPicture() {
        view->paintNow();  // the setup paint builds the transform the stereo screen uses
        state().stereoMode = Screen::Stereo;
        return view->paintNow();
    }
    static bool onFrame(int x, int y, const QImage& image) {
        return x < 5 || y < 5 || x >= image.width() - 5 || y >= image.height() - 5;
    }
};

TEST_F(ViewerOptionsTest, exportedScreenIsThePictureTheWindowShows) {
    for (const Screen screen : {Screen::Setup, Screen::Stereo}) {
        for (const GlassesPair pair : {GlassesPair::RedGreen, GlassesPair::AmberBlue}) {
            setGlasses({pair, false, 0});
            view->paintNow();
            state().stereoMode = screen;
            const QImage shown = view->paintNow();
            EXPECT_EQ(view->renderScreenAt(QSize(640, 480)), shown);
            // Another size draws that size and leaves the window's layout.
            const QImage big = view->renderScreenAt(QSize(900, 700));
            EXPECT_EQ(big.size(), QSize(900, 700));
            EXPECT_EQ(state().layout.clientW, 640);
            EXPECT_EQ(view->paintNow(), shown);
        }
    }
    EXPECT_TRUE(view->renderScreenAt(QSize(0, 10)).isNull());
}

TEST_F(ViewerOptionsTest, eyePicturesAreTheTwoColourChannelsInGrey) {
    const QImage stereo = stereoPicture();
    const QImage left = view->renderEye(Eye::Left);
    const QImage right = view->renderEye(Eye::Right);
    ASSERT_EQ(left.size(), stereo.size());
    // The right eye's green 120 / 100 are grey 215 / 180 on its own.
    const auto greyOfGreen = [](int g) { return g == 120 ? 215 : g == 100 ? 180 : g; };
    int lit = 0;
    for (int y = 0; y < stereo.height(); ++y) {
        for (int x = 0; x < stereo.width(); ++x) {
            if (onFrame(x, y, stereo)) {
                continue;
            }
            const Rgb s = rgbAt(stereo, x, y);
            const Rgb l = rgbAt(left, x, y);
            const Rgb r = rgbAt(right, x, y);
            ASSERT_EQ(l, (Rgb{s.r, s.r, s.r})) << x << "," << y;
            const auto g = static_cast<std::uint8_t>(greyOfGreen(s.g));
            ASSERT_EQ(r, (Rgb{g, g, g})) << x << "," << y;
            lit += s.r != 0 && s.g != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 100);  // the eyes overlap somewhere, so both were compared there

    const QImage both = sideBySide(left, right);
    EXPECT_EQ(both.size(), QSize(1280, 480));
    EXPECT_EQ(both.copy(0, 0, 640, 480), left);
    EXPECT_EQ(both.copy(640, 0, 640, 480), right);
}

TEST_F(ViewerOptionsTest, glassesColourTheStereoScreenWithoutSharedChannels) {
    setGlasses({GlassesPair::RedCyan, false, 0});
    const QImage picture = stereoPicture();
    int cyan = 0;
    for (int y = 5; y < picture.height() - 5; ++y) {
        for (int x = 5; x < picture.width() - 5; ++x) {
            const Rgb c = rgbAt(picture, x, y);
            EXPECT_TRUE(c.r == 0 || c.r == 215 || c.r == 180) << c;
            EXPECT_EQ(c.g, c.b) << c;
            EXPECT_TRUE(c.g == 0 || c.g == 150 || c.g == 125) << c;
            cyan += c.g != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(cyan, 100);
}

TEST_F(ViewerOptionsTest, keysTurnTheStereoScreenAndHomeComesBack) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const QImage start = stereoPicture();
    view->applyKey(ViewKey::Right, false);
    const QImage turned = view->currentImage();
    EXPECT_NE(turned, start);
    view->applyKey(ViewKey::Home, false);
    EXPECT_EQ(view->paintNow(), start);
}

TEST_F(ViewerOptionsTest, pointerShowsWhatAPressWouldGrab) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->paintNow();
    struct Case {
        int x, y;
        Qt::CursorShape want;
    };
    const Case cases[] = {{352, 10, Qt::SizeHorCursor},
                          {192, 122, Qt::SizeAllCursor},
                          {102, 402, Qt::CrossCursor},
                          {622, 242, Qt::ArrowCursor}};
    for (const Case& c : cases) {
        QMouseEvent move(QEvent::MouseMove, QPointF(c.x, c.y), view->mapToGlobal(QPointF(c.x, c.y)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &move);
        EXPECT_EQ(view->cursor().shape(), c.want) << c.x << "," << c.y;
        EXPECT_FALSE(state().dragging());
    }
}

TEST_F(ViewerOptionsTest, anyKeyOrClickStopsTheTurntable) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->setSpinning(true);
    EXPECT_TRUE(view->isSpinning());
    QTest::keyClick(view.get(), Qt::Key_A);
    EXPECT_FALSE(view->isSpinning());
    view->setSpinning(true);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(600, 20));
    EXPECT_FALSE(view->isSpinning());
}

TEST_F(ViewerOptionsTest, pngWritingReportsFailures) {
    const QImage image = stereoPicture();
    const QString good = QString::fromStdString((scratch.path() / "out.png").string());
    EXPECT_TRUE(writePng(image, good));
    EXPECT_EQ(QImage(good).convertToFormat(QImage::Format_RGB32), image);
    const FileStatus missingDir = writePng(image, QStringLiteral("/nonexistent-dir/out.png"));
    EXPECT_FALSE(missingDir);
    EXPECT_NE(missingDir.message().find("/nonexistent-dir/out.png"), std::string::npos);
    EXPECT_FALSE(writePng(QImage(), good));
}

}  // namespace
}  // namespace kelpris
