// The view widget: construction, the two kinds of redraw, mouse input and the
// sort-report signal, under the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "paths.h"
#include "pixels.h"
#include "scenes.h"
#include "scratch_dir.h"
#include "view/qt/kelpr_view.h"
#include "view/qt/turntable_export.h"
#include "view/scene_holder.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {
namespace {

using namespace kelpris::testing;

struct RecordingDocument final : SceneHolder {
    void setScene(std::shared_ptr<const Scena> s) override {
        scene = std::move(s);
        ++calls;
    }
    std::shared_ptr<const Scena> scene;
    int calls = 0;
};

class WidgetTest : public ::testing::Test {
  protected:
    ScratchDir scratch{Enter::Yes};
    std::unique_ptr<CKELPRView> view;

    void SetUp() override {
        view = std::make_unique<CKELPRView>();
        view->resize(644, 484);
        Scena dom;
        ASSERT_TRUE(dom.load(kSourceDir / "data" / "dom.dat"));
        view->replaceScene(std::move(dom));
    }
    ViewState& state() { return view->state(); }
    void showView() {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->repaint();
    }
    // Client coordinates to widget coordinates (inside the 2-pixel frame).
    static QPoint w(int x, int y) { return QPoint(x + 2, y + 2); }
};

TEST_F(WidgetTest, aNewViewHasAnEmptySceneAndItsToolsAndPaints) {
    CKELPRView fresh;
    fresh.resize(644, 484);
    EXPECT_TRUE(fresh.scene().vertices.empty());
    EXPECT_TRUE(fresh.state().bmpObserverSide);
    EXPECT_EQ(fresh.state().penFrame.width, 4);
    EXPECT_EQ(fresh.contentsRect().size(), QSize(640, 480));
    EXPECT_EQ(fresh.paintNow().size(), QSize(640, 480));
}

TEST_F(WidgetTest, paintNowLaysOutAndTheDocumentGetsTheModel) {
    RecordingDocument doc;
    view->setDocument(&doc);
    EXPECT_EQ(doc.scene.get(), &view->scene());
    EXPECT_EQ(doc.calls, 1);
    const QImage img = view->paintNow();
    EXPECT_EQ(doc.calls, 1);  // a paint changes nothing the document holds
    ASSERT_EQ(img.size(), QSize(640, 480));
    EXPECT_EQ(state().layout.clientW, 640);
    EXPECT_EQ(state().layout.planeX, 350);
    EXPECT_EQ(rgbAt(img, 350, 100), kFrame);
    EXPECT_EQ(view->currentImage(), img);
    view->setDocument(nullptr);
    view->replaceScene(squareFace());
    EXPECT_EQ(doc.calls, 1);
    // A picture handed out stays as it was when the next paint differs.
    const QImage before = img.copy();
    state().stereoMode = Screen::Stereo;
    const QImage stereo = view->paintNow();
    EXPECT_TRUE(img == before);
    EXPECT_FALSE(stereo == before);
}

TEST_F(WidgetTest, tinyViewDrawsNothingAndDoesNotFail) {
    view->resize(3, 3);
    EXPECT_TRUE(view->paintNow().isNull());
    EXPECT_EQ(state().layout.clientW, -1);
}

// The wheel and the middle drag reach the framing through the widget's own
// client coordinates, and each redraws; the setup screen ignores the wheel.
TEST_F(WidgetTest, wheelZoomsAndMiddleDragPansTheStereoScreen) {
    showView();
    const auto wheel = [&](QPoint at, int notches) {
        QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.get(), &event);
    };
    wheel(w(320, 240), 1);
    EXPECT_EQ(state().framing.zoom, 1.0);

    state().stereoMode = Screen::Stereo;
    const QImage plain = view->paintNow().copy();
    wheel(w(320, 240), 4);
    EXPECT_DOUBLE_EQ(state().framing.zoom, 2.0);
    EXPECT_EQ(state().framing.panX, 0.0);  // about the origin itself
    const QImage zoomed = view->currentImage().copy();
    EXPECT_NE(zoomed, plain);

    QTest::mousePress(view.get(), Qt::MiddleButton, {}, w(100, 100));
    QTest::mouseMove(view.get(), w(130, 90));
    QTest::mouseRelease(view.get(), Qt::MiddleButton, {}, w(130, 90));
    EXPECT_EQ(state().framing.panX, 30.0);
    EXPECT_EQ(state().framing.panY, -10.0);
    EXPECT_NE(view->currentImage(), zoomed);

    // Home: a model drawn as its file places it goes back to zoom 1.
    view->applyKey(ViewKey::Home, false);
    view->paintNow();
    EXPECT_EQ(state().framing.zoom, 1.0);
    EXPECT_EQ(state().framing.panX, 0.0);
}

TEST_F(WidgetTest, draggingTheYawHandleTurnsThePlanView) {
    showView();
    const QImage before = view->currentImage();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, w(190, 300));
    EXPECT_TRUE(state().drags.armed(DragHandle::Yaw));
    QTest::mouseMove(view.get(), w(130, 360));
    EXPECT_EQ(state().yaw, static_cast<float>(static_cast<double>(PI) / 2));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, w(130, 360));
    EXPECT_FALSE(state().drags.armed(DragHandle::Yaw));
    const QImage after = view->currentImage();
    EXPECT_NE(after.copy(0, 250, 500, 230), before.copy(0, 250, 500, 230));  // the plan view
}

TEST_F(WidgetTest, doubleClickShowsTheOtherScreenAtOnce) {
    showView();
    EXPECT_EQ(rgbAt(view->currentImage(), 450, 20), kWhite);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, w(600, 20));
    EXPECT_EQ(state().stereoMode, Screen::Stereo);
    EXPECT_EQ(rgbAt(view->currentImage(), 1, 240), kFrame);
    EXPECT_EQ(rgbAt(view->currentImage(), 450, 20), kBlack);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, w(600, 20));
    EXPECT_EQ(state().stereoMode, Screen::Setup);
    EXPECT_EQ(rgbAt(view->currentImage(), 450, 20), kWhite);
}

TEST_F(WidgetTest, mouseRedrawShowsTheDraggedPlaneWithoutLayingOut) {
    showView();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, w(350, 10));
    QTest::mouseMove(view.get(), w(420, 10));
    EXPECT_EQ(state().layout.planeX, 420);
    EXPECT_EQ(rgbAt(view->currentImage(), 420, 100), kFrame);
    view->repaint();  // shows the freshly drawn buffer
    EXPECT_EQ(state().layout.planeX, 420);
    EXPECT_EQ(rgbAt(view->currentImage(), 420, 100), kFrame);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, w(420, 10));
    view->repaint();  // any other paint is the platform's: lays out again
    EXPECT_EQ(state().layout.planeX, 350);
    EXPECT_EQ(rgbAt(view->currentImage(), 420, 100), kWhite);
}

TEST_F(WidgetTest, resizeLaysOutAgainAndKeepsTheAngles) {
    showView();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, w(190, 300));
    QTest::mouseMove(view.get(), w(130, 360));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, w(130, 360));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, w(350, 10));
    QTest::mouseMove(view.get(), w(400, 10));
    const float yaw = state().yaw;
    view->resize(1004, 705);
    view->repaint();
    EXPECT_EQ(state().layout.clientW, 1000);
    EXPECT_EQ(state().layout.planeX, 546);
    EXPECT_EQ(state().yaw, yaw);
    EXPECT_EQ(view->currentImage().size(), QSize(1000, 701));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, w(400, 10));
}

TEST_F(WidgetTest, replacedSceneGoesToTheDocumentAndLaysOutAgain) {
    RecordingDocument doc;
    view->setDocument(&doc);
    showView();
    state().layout.planeX = 500;
    state().yaw = 1.0f;
    state().stereoMode = Screen::Stereo;
    view->replaceScene(squareFace());
    EXPECT_EQ(doc.scene.get(), &view->scene());
    EXPECT_EQ(doc.calls, 2);
    EXPECT_EQ(view->scene().faceModel, 1);
    QApplication::processEvents();
    view->repaint();
    EXPECT_EQ(state().layout.planeX, 350);
    EXPECT_EQ(state().yaw, 1.0f);
    EXPECT_EQ(state().stereoMode, Screen::Stereo);
    EXPECT_EQ(rgbAt(view->currentImage(), 1, 240), kFrame);
    // The transforms follow the new model's centre at once, with no setup
    // paint in between: its face is in the middle of the stereo picture.
    EXPECT_EQ(rgbAt(view->currentImage(), 320, 240), kFacesOverlap);
    ViewState rebuilt;
    rebuilt.scene = std::make_shared<const Scena>(squareFace());
    rebuilt.yaw = 1.0f;
    buildTransforms(rebuilt);
    EXPECT_EQ(std::memcmp(&rebuilt.stereoXf, &state().stereoXf, sizeof(Matrix4)), 0);
}

TEST_F(WidgetTest, sortReportFailureIsSignalledOncePerRun) {
    QSignalSpy spy(view.get(), &CKELPRView::sortReportFailed);
    view->replaceScene(squareFace());
    state().stereoMode = Screen::Stereo;
    std::filesystem::create_directory(kSortReportFile);  // cannot be written as a file
    view->paintNow();
    view->paintNow();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).toString().isEmpty());
    std::filesystem::remove(kSortReportFile);
    view->paintNow();  // written again
    EXPECT_TRUE(std::filesystem::is_regular_file(kSortReportFile));
    std::filesystem::remove(kSortReportFile);
    std::filesystem::create_directory(kSortReportFile);
    view->paintNow();
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(WidgetTest, stoppedTurntableLeavesTheFileAndTheViewAsTheyWere) {
    state().yaw = 1.25f;
    const QImage shown = view->paintNow();
    const std::filesystem::path gif = scratch.path() / "spin.gif";
    std::ofstream(gif) << "an older animation";
    int told = 0;
    const std::optional<FileStatus> outcome =
        writeTurntable(*view, {QSize(64, 48), 5, 360.0f}, gif, [&told](int done, int total) {
            ++told;
            EXPECT_EQ(total, 5);
            return done < 2;  // Cancel during the second frame
        });
    EXPECT_FALSE(outcome);
    EXPECT_EQ(told, 2);
    std::ifstream in(gif);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "an older animation");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1);
    // The frames were drawn at other sizes and azimuths; the view's are kept.
    EXPECT_EQ(state().yaw, 1.25f);
    EXPECT_EQ(state().layout.clientW, 640);
    EXPECT_EQ(view->paintNow(), shown);
}

// Moves and key repeats queued behind one another are answered by one draw,
// which shows what drawing after each of them would have shown at the end.
TEST_F(WidgetTest, queuedMovesAndKeyRepeatsAreAnsweredByOneDraw) {
    CKELPRView oneByOne;
    oneByOne.resize(644, 484);
    Scena dom;
    ASSERT_TRUE(dom.load(kSourceDir / "data" / "dom.dat"));
    oneByOne.replaceScene(std::move(dom));
    oneByOne.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&oneByOne));
    oneByOne.repaint();
    showView();
    const QPoint path[] = {w(150, 340), w(140, 350), w(130, 360), w(120, 330)};
    auto moveTo = [](QPoint p) {
        return std::make_unique<QMouseEvent>(QEvent::MouseMove, QPointF(p), QPointF(p),
                                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    };
    QTest::mousePress(view.get(), Qt::LeftButton, {}, w(190, 300));
    QTest::mousePress(&oneByOne, Qt::LeftButton, {}, w(190, 300));
    QApplication::processEvents();
    QSignalSpy drawn(view.get(), &CKELPRView::pictureDrawn);
    // The status line listens: told once per picture, it is worked out once.
    QSignalSpy changed(view.get(), &CKELPRView::viewChanged);
    auto letThePaintCome = [&] {  // the platform paces its paints
        for (int i = 0; i < 100 && drawn.count() == 0; ++i) {
            QTest::qWait(5);
        }
        QTest::qWait(20);  // and no second one follows
    };
    // One picture, one status-line update, and the same as one draw per event.
    auto expectOneAnsweringPicture = [&] {
        letThePaintCome();
        EXPECT_EQ(drawn.count(), 1);
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(state().yaw, oneByOne.state().yaw);
        EXPECT_EQ(view->currentImage(), oneByOne.currentImage());
    };
    for (const QPoint& p : path) {
        QCoreApplication::postEvent(view.get(), moveTo(p).release());  // Qt takes it
        QApplication::sendEvent(&oneByOne, moveTo(p).get());
        oneByOne.currentImage();
    }
    expectOneAnsweringPicture();

    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, path[3]);
    QTest::mouseRelease(&oneByOne, Qt::LeftButton, {}, path[3]);
    QTest::qWait(20);
    drawn.clear();
    changed.clear();
    for (int i = 0; i < 3; ++i) {  // repeats are steps: every one counts
        view->applyKey(ViewKey::Right, false);
        oneByOne.applyKey(ViewKey::Right, false);
        oneByOne.currentImage();
    }
    expectOneAnsweringPicture();
}

}  // namespace
}  // namespace kelpris
