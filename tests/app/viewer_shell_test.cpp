// The View menu, its keys and settings, exporting pictures, the status line,
// and the viewer's command-line options run through the program.

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sstream>
#include <tuple>

#include "app/app.h"
#include "app/export_menu.h"
#include "app/main_frame.h"
#include "app/view_menu.h"
#include "app/view_settings.h"
#include "gif_frames.h"
#include "render/gif_animation.h"
#include "shell_fixture.h"
#include "view/qt/kelpr_view.h"
#include "view/turntable.h"

namespace kelpris::test {
namespace {

class ViewerShellTest : public AppTest {
  protected:
    void start(const CommandLine& commandLine = CommandLine{}) {
        startApp(commandLine);
        frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    }
    ViewMenu& menu() { return *app_->viewMenu(); }
    ExportMenu& exportMenu() { return *app_->exportMenu(); }
    CKELPRView& view() { return *app_->view(); }
};

TEST_F(ViewerShellTest, keysOfTheViewMenuTurnSwitchAndReset) {
    start();
    ViewState& s = viewState();
    struct Case {
        QKeyCombination key;
        float yaw, pitch;
        Screen screen;
    };
    const float step = kKeyStep;
    const Case cases[] = {
        {QKeyCombination(Qt::Key_Right), step, PI / 2, Screen::Setup},
        {Qt::SHIFT | Qt::Key_Left, static_cast<float>(double(step) - double(kFineKeyStep)), PI / 2,
         Screen::Setup},
        {QKeyCombination(Qt::Key_Tab), s.yaw, PI / 2, Screen::Stereo},
        {QKeyCombination(Qt::Key_Home), 0.0f, PI / 2, Screen::Stereo},
    };
    float yaw = 0.0f;
    for (const Case& c : cases) {
        const float want = c.key.key() == Qt::Key_Tab ? yaw : c.yaw;
        QTest::keyClick(&frame(), c.key.key(), c.key.keyboardModifiers());
        EXPECT_NEAR(s.yaw, want, 1e-6) << c.key.key();
        EXPECT_EQ(s.pitch, c.pitch);
        EXPECT_EQ(s.stereoMode, c.screen);
        yaw = s.yaw;
    }
    QTest::keyClick(&frame(), Qt::Key_Up);
    EXPECT_NEAR(s.pitch, PI / 2 - kKeyStep, 1e-6);
}

TEST_F(ViewerShellTest, fullScreenHidesTheMenuAndEscapeLeaves) {
    start();
    QTest::keyClick(&frame(), Qt::Key_F11);
    EXPECT_TRUE(frame().isFullScreen());
    EXPECT_FALSE(frame().menuBar()->isVisible());
    EXPECT_TRUE(menu().action(ViewCommand::FullScreen).isChecked());
    QTest::keyClick(&frame(), Qt::Key_Right);  // the keys work with the menu hidden
    EXPECT_NEAR(viewState().yaw, kKeyStep, 1e-6);
    QTest::keyClick(&frame(), Qt::Key_Escape);
    EXPECT_FALSE(frame().isFullScreen());
    EXPECT_TRUE(frame().menuBar()->isVisible());
    EXPECT_TRUE(frame().statusBar()->isVisible());
    EXPECT_FALSE(menu().action(ViewCommand::LeaveFullScreen).isEnabled());
    QTest::keyClick(&frame(), Qt::Key_Escape);  // Esc outside full screen does nothing
    EXPECT_FALSE(frame().isFullScreen());
}

TEST_F(ViewerShellTest, choicesChangeThePensAndAreRemembered) {
    start();
    menu().glassesAction(GlassesPair::AmberBlue).trigger();
    menu().action(ViewCommand::SwapEyes).trigger();
    menu().action(ViewCommand::ShadingLit).trigger();
    menu().eyeSeparationAction(4).trigger();
    menu().action(ViewCommand::StatusBar).trigger();
    const ViewState& s = viewState();
    EXPECT_EQ(s.options().glasses.pair, GlassesPair::AmberBlue);
    EXPECT_EQ(s.penRed.colour, (Rgb{0, 0, 255}));  // left eye, swapped to blue
    EXPECT_EQ(s.brushGreen.colour, (Rgb{180, 134, 0}));
    EXPECT_FALSE(frame().statusBar()->isVisible());
    view().paintNow();
    EXPECT_EQ(s.layout.eyeHalfSep, kEyeHalfSepSteps[4]);

    app_.reset();
    start();
    const ViewOptions& o = viewState().options();
    EXPECT_EQ(o.glasses.pair, GlassesPair::AmberBlue);
    EXPECT_TRUE(o.glasses.swapEyes);
    EXPECT_EQ(o.shading, Shading::Lit);
    EXPECT_EQ(o.eyeHalfSep, kEyeHalfSepSteps[4]);
    EXPECT_TRUE(menu().glassesAction(GlassesPair::AmberBlue).isChecked());
    EXPECT_TRUE(menu().action(ViewCommand::ShadingLit).isChecked());
    EXPECT_FALSE(frame().statusBar()->isVisible());
    EXPECT_EQ(viewState().penRed.colour, (Rgb{0, 0, 255}));
}

TEST_F(ViewerShellTest, damagedSettingsGiveTheDefaults) {
    QSettings settings;
    settings.setValue(QStringLiteral("View/glasses"), QStringLiteral("purple-plaid"));
    settings.setValue(QStringLiteral("View/eyeBalance"), QStringLiteral("lots"));
    settings.setValue(QStringLiteral("View/shadingChoice"), 7);
    settings.setValue(QStringLiteral("View/stereoMouse"), QStringLiteral("paw"));
    settings.setValue(QStringLiteral("View/eyeHalfSeparation"), 11);
    EXPECT_EQ(loadViewOptions(settings).glasses, GlassesChoice{});
    EXPECT_EQ(loadViewOptions(settings).shading, Shading::Automatic);
    EXPECT_EQ(loadViewOptions(settings).stereoMouse, StereoMouse::Automatic);
    EXPECT_EQ(loadViewOptions(settings).eyeHalfSep, kDefaultEyeHalfSep);
    settings.setValue(QStringLiteral("View/eyeBalance"), 5000);
    EXPECT_EQ(loadViewOptions(settings).glasses.eyeBalance, kMaxEyeBalance);
}

// The old outline key's "darker" and the old shading key's "flat" were
// everyone's defaults, read back as what draws scene files the same; the new
// keys keep each choice.
TEST_F(ViewerShellTest, outlineAndShadingSettingsReadOldAndNewKeys) {
    QSettings settings;
    settings.setValue(QStringLiteral("View/outline"), QStringLiteral("darker"));
    settings.setValue(QStringLiteral("View/shading"), QStringLiteral("flat"));
    EXPECT_EQ(loadViewOptions(settings).outline, LitOutline::AsShaded);
    EXPECT_EQ(loadViewOptions(settings).shading, Shading::Automatic);
    settings.setValue(QStringLiteral("View/outline"), QStringLiteral("none"));
    settings.setValue(QStringLiteral("View/shading"), QStringLiteral("lit"));
    EXPECT_EQ(loadViewOptions(settings).outline, LitOutline::None);
    EXPECT_EQ(loadViewOptions(settings).shading, Shading::Lit);
    for (const auto& [outline, shading, mouse] :
         {std::tuple{LitOutline::Darker, Shading::Flat, StereoMouse::TurnModel},
          std::tuple{LitOutline::AsShaded, Shading::Automatic, StereoMouse::SetupHandles},
          std::tuple{LitOutline::None, Shading::Lit, StereoMouse::Automatic}}) {
        ViewOptions options;
        options.outline = outline;
        options.shading = shading;
        options.stereoMouse = mouse;
        saveViewOptions(settings, options, true);
        const ViewOptions loaded = loadViewOptions(settings);
        EXPECT_EQ(loaded.outline, outline);
        EXPECT_EQ(loaded.shading, shading);
        EXPECT_EQ(loaded.stereoMouse, mouse);
    }
}

TEST_F(ViewerShellTest, commandLineChoicesWinOverTheSettings) {
    {
        QSettings settings;
        saveViewOptions(settings, ViewOptions{{GlassesPair::RedBlue, false, 0}}, true);
    }
    CommandLine line;
    line.viewer.glasses = GlassesPair::GreenMagenta;
    line.viewer.shading = Shading::Lit;
    start(line);
    EXPECT_EQ(viewState().options().glasses.pair, GlassesPair::GreenMagenta);
    EXPECT_EQ(viewState().options().shading, Shading::Lit);
    EXPECT_EQ(viewState().penRed.colour, (Rgb{0, 150, 0}));
}

TEST_F(ViewerShellTest, exportsWriteTheWindowsPixelsAndSayWhyTheyFail) {
    start();
    view().repaint();
    const QImage shown = view().currentImage();
    ASSERT_FALSE(shown.isNull());
    QTemporaryDir dir;
    ExportRequest request{dir.filePath(QStringLiteral("screen.png")), {}, shown.size(), false};
    QStringList startFolders;
    exportMenu().setAsker([&](bool, QSize size, const QString& folder) {
        EXPECT_EQ(size, shown.size());
        startFolders << folder;
        return std::optional<ExportRequest>(request);
    });
    exportMenu().pictureAction().trigger();
    EXPECT_EQ(QImage(request.path).convertToFormat(QImage::Format_RGB32), shown);

    request = {dir.filePath(QStringLiteral("l.png")), dir.filePath(QStringLiteral("r.png")),
               QSize(320, 200), false};
    exportMenu().pairAction().trigger();
    EXPECT_EQ(QImage(request.path).size(), QSize(320, 200));
    EXPECT_EQ(QImage(request.rightPath).size(), QSize(320, 200));
    request = {dir.filePath(QStringLiteral("sbs.png")), {}, QSize(320, 200), true};
    exportMenu().pairAction().trigger();
    EXPECT_EQ(QImage(request.path).size(), QSize(640, 200));
    EXPECT_EQ(view().currentImage(), shown);  // the window's picture is untouched
    EXPECT_TRUE(prompts_->errors.isEmpty());

    request = {QStringLiteral("/nonexistent-dir/x.png"), {}, shown.size(), false};
    exportMenu().pictureAction().trigger();
    ASSERT_EQ(prompts_->errors.size(), 1);
    EXPECT_TRUE(prompts_->errors.front().contains(QStringLiteral("/nonexistent-dir/x.png")));

    // Each dialog starts where the last picture went, also in the next run;
    // a failed export is no such place.
    EXPECT_EQ(startFolders, (QStringList{QString(), dir.path(), dir.path(), dir.path()}));
    app_.reset();
    start();
    EXPECT_EQ(exportMenu().folder(), dir.path());
}

TEST_F(ViewerShellTest, turntableExportWritesTheFramesAndKeepsTheView) {
    start();
    QTest::keyClick(&frame(), Qt::Key_Tab);  // the stereo screen
    view().repaint();
    const QImage shown = view().currentImage();
    const float yaw = viewState().yaw;
    QTemporaryDir dir;
    TurntableExportRequest request{dir.filePath(QStringLiteral("spin.gif")),
                                   {QSize(120, 90), 3, 360.0f}};
    exportMenu().setTurntableAsker([&](QSize size, const QString&) {
        EXPECT_EQ(size, shown.size());
        return std::optional<TurntableExportRequest>(request);
    });
    exportMenu().turntableAction().trigger();
    const testing::DecodedGif gif = testing::decodeGif(request.path.toStdString());
    ASSERT_TRUE(gif.error.empty()) << gif.error;
    EXPECT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames.front().size(), QSize(120, 90));
    EXPECT_EQ(viewState().yaw, yaw);
    view().repaint();
    EXPECT_EQ(view().currentImage(), shown);
    EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(ViewerShellTest, statusLineFollowsTheModelAndTheAngles) {
    start();  // dom.dat is in the working directory
    view().repaint();
    const QString first = menu().readout().text();
    EXPECT_TRUE(first.startsWith(QStringLiteral("dom.dat | "))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("azimuth 0.0\u00b0"))) << first.toStdString();
    QTest::keyClick(&frame(), Qt::Key_Right);
    EXPECT_TRUE(menu().readout().text().contains(QStringLiteral("azimuth 5.0\u00b0")));
    ASSERT_TRUE(frame().openFile(faceModel()));
    view().repaint();
    EXPECT_TRUE(
        menu().readout().text().startsWith(QStringLiteral("faces.dat | 5 vertices, 3 faces")))
        << menu().readout().text().toStdString();
}

TEST_F(ViewerShellTest, statusLineShowsWhatIsThereAndKeepsTheVerdictInView) {
    start();
    // A header's count below 1 still reads one face: that is what is shown
    // (here and by --info, which counts the same way).
    for (const char* claimed : {"-1", "-2147483648"}) {
        ASSERT_TRUE(frame().openFile(
            file(QStringLiteral("claims.dat"),
                 (std::string("1\n3 ") + claimed + "\n0 0 0\n1 0 0\n0 1 0\n1 2 3\n").c_str())));
        view().repaint();
        EXPECT_TRUE(menu().readout().text().startsWith(
            QStringLiteral("claims.dat | 3 vertices, 1 faces |")))
            << claimed << ": " << menu().readout().text().toStdString();
    }

    // A name too long for the window gives way to the figures and the verdict.
    ASSERT_TRUE(frame().openFile(faceModel(QString(200, u'n') + QStringLiteral(".dat"))));
    frame().resize(800, frame().height());
    view().repaint();
    const QLabel& readout = menu().readout();
    const QString whole = readout.toolTip();
    ASSERT_TRUE(whole.startsWith(QString(200, u'n'))) << whole.toStdString();
    EXPECT_TRUE(readout.text().endsWith(whole.mid(whole.lastIndexOf(QStringLiteral(" | ")))))
        << readout.text().toStdString();
    EXPECT_TRUE(readout.text().contains(QChar(0x2026)));
    EXPECT_LE(readout.fontMetrics().horizontalAdvance(readout.text()),
              readout.contentsRect().width());

    // File > New: no file, no note of the model before.
    frame().statusBar()->showMessage(QStringLiteral("1 polygon split into triangles"));
    frame().action(Command::FileNew).trigger();
    view().repaint();
    EXPECT_TRUE(frame().statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(readout.text().startsWith(QStringLiteral("(no file) | 5 vertices, 3 faces")))
        << readout.text().toStdString();

    // A note has the room the readout leaves.
    const QString note = QStringLiteral("Opening model.stl was cancelled; the model shown stays.");
    frame().resize(1200, frame().height());
    frame().statusBar()->showMessage(note);
    QCoreApplication::processEvents();
    EXPECT_GT(readout.x(), frame().statusBar()->fontMetrics().horizontalAdvance(note));

    // Nothing to measure, nothing to judge.
    view().replaceScene(Scena{});
    view().repaint();
    EXPECT_TRUE(readout.text().endsWith(QStringLiteral("parallax: none")))
        << readout.text().toStdString();
}

TEST_F(ViewerShellTest, noTwoItemsOfAMenuShareAMnemonic) {
    start();
    const std::function<void(const QList<QAction*>&)> check = [&](const QList<QAction*>& items) {
        QMap<QChar, QString> taken;
        for (const QAction* a : items) {
            const QString text = a->text();
            for (qsizetype i = 0; i + 1 < text.size(); ++i) {
                if (text[i] == u'&' && text[i + 1] != u'&') {
                    const QChar key = text[i + 1].toLower();
                    EXPECT_FALSE(taken.contains(key))
                        << taken.value(key).toStdString() << " and " << text.toStdString();
                    taken.insert(key, text);
                    break;
                }
                i += text[i] == u'&' ? 1 : 0;  // "&&" is a shown '&'
            }
            if (a->menu() != nullptr) {
                check(a->menu()->actions());
            }
        }
    };
    check(frame().menuBar()->actions());
}

// --- The program ------------------------------------------------------------

class ViewerCliTest : public ShellTest {
  protected:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
        QProcess process;
        process.setWorkingDirectory(work_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work_.filePath(QStringLiteral("cfg")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KELPRIS_EXE), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        if (out != nullptr) {
            *out = QString::fromUtf8(process.readAllStandardOutput());
        }
        if (err != nullptr) {
            *err = QString::fromLocal8Bit(process.readAllStandardError());
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString path(const QString& name) const { return work_.filePath(name); }
    QTemporaryDir work_;
};

TEST_F(ViewerCliTest, infoPrintsTheModelAndItsParallax) {
    QString out;
    const QString house = QStringLiteral(KELPRIS_DATA_DIR "/samples/house_faces.dat");
    EXPECT_EQ(
        run({QStringLiteral("--info"), house, QStringLiteral("--size"), QStringLiteral("800x600")},
            &out),
        0);
    EXPECT_TRUE(out.contains(QStringLiteral("model: faces, "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("\ncentre: "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("\nbounding box: "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("\nstereo screen 800x600: parallax ")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("\nframing: as the file places it, zoom 1\n")))
        << out.toStdString();

    // Other formats go through the importer, as every other way of opening
    // does, and are fitted unless --no-fit keeps the import's placement.
    const QString bunny = QStringLiteral(KELPRIS_DATA_DIR "/samples/bunny.stl");
    EXPECT_EQ(run({QStringLiteral("--info"), bunny, QStringLiteral("--size=1280x800")}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("model: faces, 1839 vertices, 3674 faces")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(" px: comfortable\nframing: fitted, zoom ")))
        << out.toStdString();
    EXPECT_EQ(run({QStringLiteral("--info"), bunny, QStringLiteral("--no-fit")}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("framing: as the file places it")))
        << out.toStdString();

    QString err;
    EXPECT_EQ(run({QStringLiteral("--info"), path(QStringLiteral("missing.dat"))}, &out, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("missing.dat"))) << err.toStdString();
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(run({QStringLiteral("--info"), house, house}, &out, &err), 2);
}

TEST_F(ViewerCliTest, eyePicturesAndGlassesFromTheCommandLine) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELPRIS_DATA_DIR "/dom.dat"), path("dom.dat")));
    EXPECT_EQ(run({QStringLiteral("--render-pair"), path("l.png"), path("r.png"),
                   QStringLiteral("--render-sbs"), path("sbs.png"), QStringLiteral("--size"),
                   QStringLiteral("300x200")}),
              0);
    const QImage left(path("l.png"));
    const QImage right(path("r.png"));
    const QImage both(path("sbs.png"));
    ASSERT_EQ(left.size(), QSize(300, 200));
    EXPECT_EQ(both.size(), QSize(600, 200));
    EXPECT_EQ(both.copy(0, 0, 300, 200), left);
    EXPECT_EQ(both.copy(300, 0, 300, 200), right);
    EXPECT_NE(left, right);
    // A model read through the importer is loaded before the pictures are drawn.
    EXPECT_EQ(
        run({QStringLiteral("--render-sbs"), path("bunny.png"), QStringLiteral("--size"),
             QStringLiteral("300x200"), QStringLiteral(KELPRIS_DATA_DIR "/samples/bunny.stl")}),
        0);
    EXPECT_NE(QImage(path("bunny.png")), both);

    EXPECT_EQ(
        run({QStringLiteral("--glasses"), QStringLiteral("red-blue"), QStringLiteral("--screen"),
             QStringLiteral("stereo"), QStringLiteral("--render"), path("blue.png")}),
        0);
    const QImage blue = QImage(path("blue.png")).convertToFormat(QImage::Format_RGB32);
    int blues = 0;
    for (int y = 5; y < blue.height() - 5; ++y) {
        for (int x = 5; x < blue.width() - 5; ++x) {
            const QColor c = blue.pixelColor(x, y);
            EXPECT_EQ(c.green(), 0);
            blues += c.blue() == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(blues, 10);
    EXPECT_EQ(run({QStringLiteral("--glasses"), QStringLiteral("plaid")}), 2);
    EXPECT_EQ(run({QStringLiteral("--render-pair"), path("only.png")}), 2);

    // A model where the second picture's name belongs is left as it was.
    const qint64 modelSize = QFileInfo(path("dom.dat")).size();
    EXPECT_EQ(run({QStringLiteral("--render-pair"), path("l2.png"), path("dom.dat")}), 2);
    EXPECT_EQ(QFileInfo(path("dom.dat")).size(), modelSize);
    EXPECT_FALSE(QFile::exists(path("l2.png")));
}

// Each frame of the animation is the picture --render draws at the frame's
// azimuth after the palette: the fixed one of the eyes' levels on the stereo
// screen, one of the frame's own colours on the setup screen.
TEST_F(ViewerCliTest, turntableFramesAreTheScreenAtTheirAzimuths) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELPRIS_DATA_DIR "/dom.dat"), path("dom.dat")));
    const QString teapot = QStringLiteral(KELPRIS_DATA_DIR "/samples/teapot.obj");
    // Not fitted: a fit is made at the starting azimuth and kept while the
    // model turns, whereas each --render below would fit at its own.
    const QStringList stereo = {QStringLiteral("--size"),    QStringLiteral("160x120"),
                                QStringLiteral("--screen"),  QStringLiteral("stereo"),
                                QStringLiteral("--glasses"), QStringLiteral("red-cyan"),
                                QStringLiteral("--shading"), QStringLiteral("lit"),
                                QStringLiteral("--no-fit"),  teapot};
    const QStringList setup = {QStringLiteral("--size"), QStringLiteral("200x150")};
    struct Case {
        QStringList options;
        int frames;
        float degrees;
        std::vector<int> compared;
        bool stereo;
    };
    const Case cases[] = {
        {stereo, 4, 90.0f, {0, 3}, true},
        {setup, 2, 360.0f, {1}, false},
    };
    const StereoPalette palette(stereoColours({GlassesPair::RedCyan, false, 0}), Rgb{200, 0, 200});
    for (const Case& c : cases) {
        QString out;
        QString err;
        ASSERT_EQ(run(c.options + QStringList{QStringLiteral("--yaw"), QStringLiteral("6"),
                                              QStringLiteral("--render-turntable"), path("t.gif"),
                                              QStringLiteral("--frames"), QString::number(c.frames),
                                              QStringLiteral("--degrees"),
                                              QString::number(double(c.degrees))},
                      &out, &err),
                  0)
            << err.toStdString();
        EXPECT_TRUE(out.isEmpty() && err.isEmpty()) << err.toStdString();
        const testing::DecodedGif gif = testing::decodeGif(path("t.gif").toStdString());
        ASSERT_TRUE(gif.error.empty()) << gif.error;
        ASSERT_EQ(gif.frames.size(), static_cast<std::size_t>(c.frames));
        EXPECT_TRUE(gif.loopsForever);
        EXPECT_EQ(gif.delays,
                  std::vector<int>(gif.frames.size(), turntableFrameDelay(c.frames, c.degrees)));
        const std::vector<float> angles = turntableAngles(6.0f, c.frames, c.degrees);
        for (int k : c.compared) {
            const QString yaw = QString::number(double(angles[k]), 'g', 9);
            ASSERT_EQ(run(c.options + QStringList{QStringLiteral("--yaw"), yaw,
                                                  QStringLiteral("--render"), path("r.png")}),
                      0);
            QImage want = QImage(path("r.png")).convertToFormat(QImage::Format_RGB32);
            const PixelView pixels{reinterpret_cast<Pixel*>(want.bits()), want.width(),
                                   want.height(), want.bytesPerLine() / 4};
            IndexedPicture indexed;
            if (c.stereo) {
                indexed.palette = palette.colours();
                palette.quantise(pixels, indexed.indices);
            } else {
                indexed = indexedPicture(pixels);
            }
            for (int i = 0; i < want.width() * want.height(); ++i) {
                const Rgb q = indexed.palette.at(indexed.indices.at(static_cast<std::size_t>(i)));
                want.setPixel(i % want.width(), i / want.width(), qRgb(q.r, q.g, q.b));
            }
            EXPECT_EQ(gif.frames[static_cast<std::size_t>(k)], want) << "frame " << k;
        }
    }
    // A file that cannot be written is told, and nothing is left behind.
    QString err;
    EXPECT_EQ(run({QStringLiteral("--render-turntable"), path("none/t.gif"),
                   QStringLiteral("--frames"), QStringLiteral("2")},
                  nullptr, &err),
              1);
    EXPECT_TRUE(err.contains(path("none/t.gif"))) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("none")));
}

}  // namespace
}  // namespace kelpris::test
