// Event-to-picture time of the real main window: opens kelpris's window at
// 1920x1080 on the stereo screen of a model, queues bursts of yaw-drag moves
// and of Right-key repeats (the View menu's action, as a held key triggers
// it), and reports, for every event, the time from its arrival in the queue
// to the end of the paint that shows its effect, with how many pictures were
// drawn for how many events. Run it under a real X server, e.g.
//
//   xvfb-run -s '-screen 0 1920x1200x24' build/bench/event_latency MODEL
//
// A burst stands for the events that pile up while one frame is drawn; the
// paint's end is when the picture goes to the window system.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "view/qt/kelpr_view.h"

namespace {

using namespace kelpris;

// Times every picture the window shows: the start and end of the view's
// paint (the draw and the copy into the window's buffer) and the end of the
// window's flush to the window system after it; counts the pictures drawn.
class PaintClock : public QObject {
  public:
    PaintClock(CKELPRView& view, QWidget& window) : view_(view), window_(window) {
        view.installEventFilter(this);
        window.installEventFilter(this);
        connect(&view, &CKELPRView::pictureDrawn, this, [this] { ++drawn; });
    }
    qint64 paintStartNs = 0;
    qint64 paintEndNs = 0;
    qint64 shownNs = 0;
    int shown = 0;
    int drawn = 0;
    QElapsedTimer clock;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &view_ && event->type() == QEvent::Paint) {
            paintStartNs = clock.nsecsElapsed();
            static_cast<QObject&>(view_).event(event);
            paintEndNs = clock.nsecsElapsed();
            viewPainted_ = true;
            return true;
        }
        if (watched == &window_ && event->type() == QEvent::UpdateRequest) {
            // The window paints what is due and flushes it; then the
            // picture is with the window system.
            static_cast<QObject&>(window_).event(event);
            if (viewPainted_) {
                viewPainted_ = false;
                shownNs = clock.nsecsElapsed();
                ++shown;
            }
            return true;
        }
        return false;
    }

  private:
    CKELPRView& view_;
    QWidget& window_;
    bool viewPainted_ = false;
};

struct Totals {
    std::vector<double> latenciesMs;
    // The answering picture's stages: from the last event of the burst to the
    // start of the view's paint, the paint, and from its end to the picture
    // shown.
    std::vector<double> waitMs, paintMs, flushMs;
    double cpuMs = 0;  // the process's CPU time, all threads
    int events = 0;
    int drawn = 0;
    int drawnAfter = 0;  // pictures drawn after the last event was answered
};

double percentile(std::vector<double> v, double q) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

void print(const char* what, const Totals& t) {
    std::printf(
        "%-6s events %4d  pictures drawn %4d  after the last %d  "
        "event-to-picture median %5.1f ms  max %5.1f ms\n"
        "       medians: wait %4.1f ms  paint %4.1f ms  flush %4.1f ms  "
        "CPU per picture %5.1f ms\n",
        what, t.events, t.drawn, t.drawnAfter, percentile(t.latenciesMs, 0.5),
        percentile(t.latenciesMs, 1.0), percentile(t.waitMs, 0.5), percentile(t.paintMs, 0.5),
        percentile(t.flushMs, 0.5), t.drawn > 0 ? t.cpuMs / t.drawn : 0.0);
}

// Queues `burst` events through `post`, then runs the loop until a paint
// after them has ended, and records each event's wait.
template <typename Post>
void runBurst(PaintClock& clock, int burst, Post post, Totals& totals) {
    std::vector<qint64> arrived;
    for (int i = 0; i < burst; ++i) {
        arrived.push_back(clock.clock.nsecsElapsed());
        post(i);
    }
    const int shownBefore = clock.shown;
    QElapsedTimer limit;
    limit.start();
    while (clock.shown == shownBefore) {
        if (limit.elapsed() > 5000) {
            std::fprintf(stderr, "no picture answered the events\n");
            std::exit(1);
        }
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    for (qint64 t : arrived) {
        totals.latenciesMs.push_back(static_cast<double>(clock.shownNs - t) / 1e6);
    }
    auto ms = [](qint64 from, qint64 to) { return static_cast<double>(to - from) / 1e6; };
    totals.waitMs.push_back(ms(arrived.back(), clock.paintStartNs));
    totals.paintMs.push_back(ms(clock.paintStartNs, clock.paintEndNs));
    totals.flushMs.push_back(ms(clock.paintEndNs, clock.shownNs));
    totals.events += burst;
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void settle(PaintClock& clock, Totals& totals) {
    const int drawn = clock.drawn;
    QTest::qWait(200);
    totals.drawnAfter = clock.drawn - drawn;
}

QAction* turnRightAction(CMainFrame& frame) {
    for (QAction* action : frame.findChildren<QAction*>()) {
        if (action->shortcut() == QKeySequence(Qt::Key_Right)) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: event_latency MODEL [BURSTS [EVENTS_PER_BURST]]\n");
        return 2;
    }
    const std::string model = QFileInfo(argv[1]).absoluteFilePath().toStdString();
    const int bursts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const int perBurst = argc > 3 ? std::max(1, std::atoi(argv[3])) : 4;
    // The sort reports go to a folder of their own, beside the dom.dat that
    // start-up opens.
    QTemporaryDir work;
    if (!work.isValid() || !QFile::copy(QStringLiteral(KELPRIS_SOURCE_DIR "/data/dom.dat"),
                                        work.filePath("dom.dat"))) {
        std::fprintf(stderr, "cannot set up a working folder\n");
        return 1;
    }
    QDir::setCurrent(work.path());

    CKELPRApp app;
    const CommandLine cl = parseCommandLine({"--size", "1920x1080", "--screen", "stereo", model});
    if (!app.initInstance(cl, std::cerr).runEventLoop) {
        return 1;
    }
    CKELPRView& view = *app.view();
    if (!QTest::qWaitForWindowExposed(app.mainFrame())) {
        return 1;
    }
    QTest::qWait(300);
    PaintClock clock(view, *app.mainFrame());
    clock.clock.start();

    // Drag the yaw handle round the model centre.
    const Layout& l = view.state().layout;
    const QPointF centre(l.modelX + 2, l.planY + 2);
    auto at = [&](double angle) {
        return centre + QPointF(60 * std::sin(angle), 60 * std::cos(angle));
    };
    QMouseEvent press(QEvent::MouseButtonPress, at(0), view.mapToGlobal(at(0)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    Totals drag;
    const int drawnBefore = clock.drawn;
    double cpuBefore = processCpuMs();
    int step = 0;
    for (int b = 0; b < bursts; ++b) {
        runBurst(
            clock, perBurst,
            [&](int) {
                const QPointF p = at(0.02 * ++step);
                // The queue owns posted events.
                QCoreApplication::postEvent(&view, std::make_unique<QMouseEvent>(
                                                       QEvent::MouseMove, p, view.mapToGlobal(p),
                                                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier)
                                                       .release());
            },
            drag);
    }
    drag.drawn = clock.drawn - drawnBefore;
    drag.cpuMs = processCpuMs() - cpuBefore;
    settle(clock, drag);
    QMouseEvent release(QEvent::MouseButtonRelease, at(0.02 * step),
                        view.mapToGlobal(at(0.02 * step)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&view, &release);
    QTest::qWait(100);

    Totals keys;
    QAction* right = turnRightAction(*app.mainFrame());
    if (right == nullptr) {
        std::fprintf(stderr, "no Right-key action\n");
        return 1;
    }
    const int keysBefore = clock.drawn;
    cpuBefore = processCpuMs();
    for (int b = 0; b < bursts; ++b) {
        runBurst(
            clock, perBurst,
            [&](int) { QMetaObject::invokeMethod(right, &QAction::trigger, Qt::QueuedConnection); },
            keys);
    }
    keys.drawn = clock.drawn - keysBefore;
    keys.cpuMs = processCpuMs() - cpuBefore;
    settle(clock, keys);

    std::printf("%s (%zu faces), %dx%d stereo, %d bursts of %d, azimuth now %.3f\n", argv[1],
                view.scene().faces.size(), l.clientW, l.clientH, bursts, perBurst,
                static_cast<double>(view.state().yaw));
    print("drag", drag);
    print("keys", keys);
    // What the X server shows is what was drawn, as far as the window lies
    // on the screen.
    const QPoint inWindow = view.mapTo(app.mainFrame(), view.contentsRect().topLeft());
    const QRect onScreenPart =
        QRect(view.mapToGlobal(view.contentsRect().topLeft()), view.contentsRect().size())
            .intersected(view.screen()->geometry())
            .translated(-view.mapToGlobal(view.contentsRect().topLeft()));
    const QImage drawn =
        view.currentImage().copy(onScreenPart).convertToFormat(QImage::Format_RGB32);
    const QImage shown = view.screen()
                             ->grabWindow(app.mainFrame()->winId(), inWindow.x() + onScreenPart.x(),
                                          inWindow.y() + onScreenPart.y(), onScreenPart.width(),
                                          onScreenPart.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    std::printf("the window shows the picture drawn (%dx%d on the screen): %s\n", drawn.width(),
                drawn.height(), shown == drawn ? "yes" : "NO");
    return shown == drawn ? 0 : 1;
}
