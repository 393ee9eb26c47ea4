// Both screens drawn on the Qt surface, checked by probing pixels. Golden
// pictures of whole screens are in tests/pictures.

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>

#include "pixels.h"
#include "render/qt/qt_surface.h"
#include "scenes.h"
#include "scratch_dir.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using namespace kelpris::testing;

class PicturesTest : public ::testing::Test {
  protected:
    ScratchDir scratch{Enter::Yes};
    ViewState s;

    void SetUp() override {
        QtImageSurface tools(1, 1);
        createTools(s, tools);
    }

    QImage paint(Scena scene, Screen screen, int w = 640, int h = 480) {
        s.scene = std::make_shared<const Scena>(std::move(scene));
        computeLayout(s, {0, 0, w + 4, h + 4});
        s.stereoMode = Screen::Setup;
        PaintBuffers buffers;
        {
            QtImageSurface setup(w, h);
            EXPECT_TRUE(DrawScreen(s, setup, buffers));  // builds the stereo transform
            if (screen == Screen::Setup) {
                return setup.image();
            }
        }
        s.stereoMode = screen;
        QtImageSurface stereo(w, h);
        const Result<SortReport> report = DrawScreen(s, stereo, buffers);
        EXPECT_TRUE(report) << report.message();
        return stereo.image();
    }
};

TEST_F(PicturesTest, setupScreenOfAnEdgeModel) {
    const QImage img = paint(squareEdges(), Screen::Setup);
    ASSERT_EQ(img.size(), QSize(640, 480));
    EXPECT_EQ(rgbAt(img, 450, 20), kWhite);
    EXPECT_EQ(rgbAt(img, 450, 240), kBlack);  // middle line
    // Picture-plane lines, 4 pixels wide, and only where they belong.
    EXPECT_EQ(rgbAt(img, 349, 100), kFrame);
    EXPECT_EQ(rgbAt(img, 350, 400), kFrame);
    EXPECT_EQ(rgbAt(img, 350, 30), kWhite);
    EXPECT_EQ(rgbAt(img, 350, 460), kWhite);
    // Yellow rings round both views' centres (the lower right quarter is
    // under the opaque axis label written at the centre).
    EXPECT_EQ(rgbAt(img, 187, 117), kYellow);
    EXPECT_EQ(rgbAt(img, 187, 357), kYellow);
    // The square is seen edge on in both views: a black line through x = 190.
    EXPECT_EQ(rgbAt(img, 190, 70), kBlack);
    EXPECT_EQ(rgbAt(img, 190, 410), kBlack);
    // Red text in the top left of each half.
    EXPECT_GT(count(img, kText, 5, 5, 150, 22), 20);
    EXPECT_GT(count(img, kText, 5, 245, 150, 262), 20);
}

TEST_F(PicturesTest, setupScreenCopiesTheObserverPictures) {
    const QImage img = paint(squareEdges(), Screen::Setup);
    const QImage side = QImage(":/kelpris/bitmaps/132.png").convertToFormat(QImage::Format_RGB32);
    const QImage top = QImage(":/kelpris/bitmaps/133.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(side.size(), QSize(140, 140));
    ASSERT_EQ(top.size(), QSize(70, 140));
    EXPECT_EQ(img.copy(500, 70, 140, 140), side);
    EXPECT_EQ(img.copy(550, 290, 70, 140), top);
}

TEST_F(PicturesTest, previewBoxShowsRedOverGreenOnBlack) {
    const QImage img = paint(squareEdges(), Screen::Setup);
    // Outline in the frame colour, black inside away from the model.
    EXPECT_EQ(rgbAt(img, 150, 240), kFrame);
    EXPECT_EQ(rgbAt(img, 300, 240), kFrame);
    EXPECT_EQ(rgbAt(img, 200, 189), kFrame);
    EXPECT_EQ(rgbAt(img, 200, 292), kFrame);
    EXPECT_EQ(rgbAt(img, 156, 285), kBlack);
    EXPECT_EQ(rgbAt(img, 225, 240), kBlack);  // the box centre: inside the square
    const int green = count(img, kGreenLine, 152, 191, 299, 291);
    const int red = count(img, kRedLine, 152, 191, 299, 291);
    EXPECT_GT(green, 20);
    EXPECT_GT(red, green);  // the shared horizontal edges show red
    EXPECT_EQ(count(img, kLinesOverlap, 152, 191, 299, 291), 0);  // no OR in the preview
}

TEST_F(PicturesTest, previewOfAFaceModelIsWhiteOutlinedFaces) {
    const QImage img = paint(squareFace(), Screen::Setup);
    EXPECT_EQ(rgbAt(img, 225, 240), kWhite);
    EXPECT_GT(count(img, kRedLine, 152, 191, 299, 291), 20);
    EXPECT_GT(count(img, kGreenLine, 152, 191, 299, 291), 20);
    EXPECT_EQ(count(img, kGreenFace, 152, 191, 299, 291), 0);
    EXPECT_FALSE(std::filesystem::exists(kSortReportFile));
}

TEST_F(PicturesTest, stereoScreenOfAnEdgeModel) {
    const QImage img = paint(squareEdges(), Screen::Stereo);
    // Frame: 4 pixels centred 2 pixels inside each edge.
    for (auto [x, y] :
         {std::pair{0, 240}, {3, 240}, {639, 240}, {636, 240}, {320, 0}, {320, 479}}) {
        EXPECT_EQ(rgbAt(img, x, y), kFrame) << x << "," << y;
    }
    EXPECT_EQ(rgbAt(img, 4, 240), kBlack);
    EXPECT_EQ(rgbAt(img, 320, 240), kBlack);
    EXPECT_EQ(rgbAt(img, 60, 60), kBlack);
    // Horizontal edges of both eyes share rows: there the colours OR.
    EXPECT_GT(count(img, kLinesOverlap, 4, 4, 636, 476), 100);
    EXPECT_GT(count(img, kRedLine, 4, 4, 636, 476), 50);
    EXPECT_GT(count(img, kGreenLine, 4, 4, 636, 476), 50);
    EXPECT_FALSE(std::filesystem::exists(kSortReportFile));
}

TEST_F(PicturesTest, stereoScreenOfAFaceModel) {
    const QImage img = paint(squareFace(), Screen::Stereo);
    EXPECT_EQ(rgbAt(img, 320, 240), kFacesOverlap);
    EXPECT_EQ(rgbAt(img, 60, 60), kBlack);
    EXPECT_EQ(rgbAt(img, 1, 100), kFrame);
    EXPECT_GT(count(img, kGreenFace, 4, 4, 636, 476), 50);  // the eyes' pictures differ
    EXPECT_GT(count(img, kRedFace, 4, 4, 636, 476), 50);
    EXPECT_TRUE(std::filesystem::exists(kSortReportFile));
}

TEST_F(PicturesTest, narrowWindowDrawsWithoutFault) {
    // eyeDistance is 0 or negative here: degenerate projections must stay
    // defined, and the preview box hangs off the left edge.
    for (int w : {165, 40, 1}) {
        EXPECT_EQ(paint(squareFace(), Screen::Setup, w, 120).width(), w);
        EXPECT_EQ(paint(squareFace(), Screen::Stereo, w, 120).width(), w);
    }
}

}  // namespace
}  // namespace kelpris
