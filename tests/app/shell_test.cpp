// The main window, the document and the File commands, driven in-process.

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <sstream>
#include <string>

#include "app/about_box.h"
#include "app/app.h"
#include "app/file_names.h"
#include "app/main_frame.h"
#include "shell_fixture.h"
#include "view/qt/kelpr_view.h"

namespace kelpris::test {
namespace {

/// Menu texts in order, "-" for a separator, hidden items left out.
QStringList visibleItems(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) {
        if (a->isVisible()) {
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
    }
    return out;
}

class FrameTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        startApp();
    }
};

TEST_F(FrameTest, menusHaveTheExactItemsStatesAndKeys) {
    QStringList titles;
    for (const QAction* a : frame().menuBar()->actions()) {
        titles << a->text();
    }
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));

    EXPECT_EQ(visibleItems(frame().fileMenu()),
              (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                           "Export P&icture...", "Export Stereo &Pair...", "Export &Turntable...",
                           "-", "Recent File", "-", "E&xit"}));
    EXPECT_EQ(visibleItems(frame().editMenu()), (QStringList{"&Undo\tCtrl+Z", "-", "Cu&t\tCtrl+X",
                                                             "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
    EXPECT_EQ(visibleItems(frame().helpMenu()),
              (QStringList{"&Keys and Handles\tF1", "&About KELPRIS..."}));

    struct Item {
        Command id;
        bool enabled;
        QList<QKeySequence> keys;
        const char* tip;
    };
    const Item items[] = {
        {Command::FileNew, true, {QKeySequence("Ctrl+N")}, "Create a new document"},
        {Command::FileOpen, true, {QKeySequence("Ctrl+O")}, "Open an existing document"},
        {Command::FileSave, true, {QKeySequence("Ctrl+S")}, "Save the active document"},
        {Command::FileSaveAs, true, {}, "Save the active document with a new name"},
        {Command::RecentPlaceholder, false, {}, "Open this document"},
        {Command::AppExit, true, {}, "Quit the application; prompts to save documents"},
        {Command::EditUndo,
         false,
         {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")},
         "Undo the last action"},
        {Command::EditCut,
         false,
         {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")},
         "Cut the selection and put it on the Clipboard"},
        {Command::EditCopy,
         false,
         {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")},
         "Copy the selection and put it on the Clipboard"},
        {Command::EditPaste,
         false,
         {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")},
         "Insert Clipboard contents"},
        {Command::AppAbout, true, {}, "Display program information, version number and copyright"},
        {Command::NextPane, false, {QKeySequence("F6")}, "Switch to the next window pane"},
        {Command::PrevPane,
         false,
         {QKeySequence("Shift+F6")},
         "Switch back to the previous window pane"},
    };
    for (const Item& item : items) {
        const QAction& a = frame().action(item.id);
        SCOPED_TRACE(a.text().toStdString());
        EXPECT_EQ(a.isEnabled(), item.enabled);
        EXPECT_EQ(a.shortcuts(), item.keys);
        EXPECT_EQ(a.statusTip(), QString::fromLatin1(item.tip));
    }
    // The hint shown after the text is the first key.
    EXPECT_EQ(frame().action(Command::FileOpen).shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Ctrl+O"));
    EXPECT_EQ(frame().centralWidget(), app_->view());
}

TEST_F(FrameTest, shortcutsReachTheirCommandsAndInertKeysDoNothing) {
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));

    QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(prompts_->openAsked, 1);
    QTest::keyClick(&frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts_->saveAsked, 1) << "Save of an untitled document asks for a name";
    ASSERT_TRUE(frame().openFile(edgeModel()));
    QTest::keyClick(&frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - KELPRIS"));

    ViewState& state = viewState();
    state.yaw = 1.25f;
    const int calls = prompts_->calls();
    const int vertices = scene().vertexCount;
    const QList<QKeyCombination> inert = {
        Qt::CTRL | Qt::Key_Z,      Qt::CTRL | Qt::Key_X,        Qt::CTRL | Qt::Key_C,
        Qt::CTRL | Qt::Key_V,      Qt::ALT | Qt::Key_Backspace, Qt::SHIFT | Qt::Key_Delete,
        Qt::CTRL | Qt::Key_Insert, Qt::SHIFT | Qt::Key_Insert,  QKeyCombination(Qt::Key_F6),
        Qt::SHIFT | Qt::Key_F6,
    };
    int triggered = 0;
    for (QAction* a : frame().findChildren<QAction*>()) {
        QObject::connect(a, &QAction::triggered, [&triggered] { ++triggered; });
    }
    for (const QKeyCombination key : inert) {
        QTest::keyClick(&frame(), key.key(), key.keyboardModifiers());
        QTest::keyClick(app_->view(), key.key(), key.keyboardModifiers());
    }
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(prompts_->calls(), calls);
    EXPECT_EQ(scene().vertexCount, vertices);
    EXPECT_EQ(state.yaw, 1.25f);
    EXPECT_EQ(state.stereoMode, Screen::Setup);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - KELPRIS"));
}

TEST_F(FrameTest, openingReplacesTheModelAndKeepsAnglesAndScreen) {
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - KELPRIS"));
    ASSERT_EQ(doc().scene.get(), &scene()) << "the document shares the view's scene";

    ASSERT_TRUE(frame().openFile(edgeModel()));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("tetra.dat - KELPRIS"));
    EXPECT_EQ(scene().faceModel, 0);
    EXPECT_EQ(scene().edgeCount, 6);

    ViewState& state = viewState();
    state.yaw = 2.0f;
    state.pitch = 1.0f;
    state.stereoMode = Screen::Stereo;
    app_->view()->paintNow();
    const int layoutPlaneX = state.layout.planeX;
    state.layout.planeX += 37;  // as a drag leaves it

    ASSERT_TRUE(frame().openFile(faceModel()));
    EXPECT_EQ(doc().scene.get(), &scene());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("faces.dat - KELPRIS"));
    EXPECT_NE(scene().faceModel, 0);
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(scene().edgeCount, 0);
    EXPECT_TRUE(scene().edges.empty());
    EXPECT_EQ(state.yaw, 2.0f);
    EXPECT_EQ(state.pitch, 1.0f);
    EXPECT_EQ(state.stereoMode, Screen::Stereo);

    app_->view()->paintNow();  // the repaint the open schedules
    EXPECT_EQ(state.layout.planeX, layoutPlaneX) << "dragged positions return to the layout";
    EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(FrameTest, fileNewKeepsModelAnglesAndScreenAndLaysOutAgain) {
    ASSERT_TRUE(frame().openFile(faceModel()));
    ViewState& state = viewState();
    state.yaw = 0.5f;
    state.pitch = 2.0f;
    state.stereoMode = Screen::Stereo;
    const auto centre = std::make_tuple(scene().centreX, scene().centreY, scene().centreZ);

    frame().action(Command::FileNew).trigger();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - KELPRIS"));
    EXPECT_TRUE(doc().path().isEmpty());
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(std::make_tuple(scene().centreX, scene().centreY, scene().centreZ), centre);
    EXPECT_EQ(state.yaw, 0.5f);
    EXPECT_EQ(state.pitch, 2.0f);
    EXPECT_EQ(state.stereoMode, Screen::Stereo);
    EXPECT_EQ(prompts_->calls(), 0);

    // The view is updated as after Open: a plane dragged just before goes back
    // to its layout place, even though the drag's own redraw is still pending.
    CKELPRView& view = *app_->view();
    view.paintNow();
    const int layoutPlaneX = state.layout.planeX;
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(layoutPlaneX + 2, 12));
    QTest::mouseMove(&view, QPoint(layoutPlaneX - 58, 12));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(layoutPlaneX - 58, 12));
    ASSERT_EQ(state.layout.planeX, layoutPlaneX - 60);
    frame().action(Command::FileNew).trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.layout.planeX == layoutPlaneX; }, 2000));
    EXPECT_EQ(state.yaw, 0.5f);
}

TEST_F(FrameTest, filesThatCannotBeLoadedLeaveTheModelAndSayWhy) {
    ASSERT_TRUE(frame().openFile(edgeModel()));
    const QStringList recent = app_->recentFiles().entries();

    const QString broken =
        file(QStringLiteral("broken.dat"), "0\n3 2\n0 0 0\n1 1 1\n2 2 2\n1 2\n1 9\n");
    EXPECT_FALSE(frame().openFile(broken));
    ASSERT_EQ(prompts_->errors.size(), 1);
    EXPECT_TRUE(prompts_->errors[0].contains(QStringLiteral("broken.dat")));
    EXPECT_TRUE(prompts_->errors[0].contains(QStringLiteral("line 7")))
        << prompts_->errors[0].toStdString();

    EXPECT_FALSE(frame().openFile(files_.filePath(QStringLiteral("missing.dat"))));
    ASSERT_EQ(prompts_->errors.size(), 2);
    EXPECT_TRUE(prompts_->errors[1].contains(QStringLiteral("missing.dat")));

    // Still the tetrahedron, under its name, and the list is as it was.
    EXPECT_EQ(scene().edgeCount, 6);
    EXPECT_EQ(scene().vertices.size(), 4u);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("tetra.dat - KELPRIS"));
    EXPECT_EQ(app_->recentFiles().entries(), recent);
}

TEST_F(FrameTest, recentListKeepsFourNewestFirstAndReopensThroughTheSameOperation) {
    EXPECT_TRUE(frame().action(Command::RecentPlaceholder).isVisible());
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        paths << edgeModel(QStringLiteral("m%1.dat").arg(i));
        ASSERT_TRUE(frame().openFile(paths.back()));
    }
    const QStringList expected{paths[4], paths[3], paths[2], paths[1]};
    EXPECT_EQ(app_->recentFiles().entries(), expected);
    EXPECT_FALSE(frame().action(Command::RecentPlaceholder).isVisible());
    EXPECT_EQ(visibleItems(frame().fileMenu()),
              (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                           "Export P&icture...", "Export Stereo &Pair...", "Export &Turntable...",
                           "-", "&1 " + expected[0], "&2 " + expected[1], "&3 " + expected[2],
                           "&4 " + expected[3], "-", "E&xit"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(frame().recentAction(i).statusTip(), QStringLiteral("Open this document"));
    }

    // Stored in the settings as it changes.
    RecentFileList stored;
    QSettings settings;
    stored.load(settings);
    EXPECT_EQ(stored.entries(), expected);

    // Entry 3 is m3.dat; change that file so reopening visibly reloads it.
    file(QStringLiteral("m3.dat"), "1\n3 1\n0 0 0\n1 0 0\n0 1 0\n1 2 3\n");
    QSignalSpy opened(&doc(), &CKELPRDoc::documentOpened);
    frame().recentAction(2).trigger();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("m3.dat - KELPRIS"));
    EXPECT_EQ(scene().faceCount, 1);
    EXPECT_EQ(app_->recentFiles().entries(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));
}

TEST_F(FrameTest, recentEntryWhoseFileIsGoneIsDroppedAfterTheMessage) {
    const QString gone = edgeModel(QStringLiteral("gone.dat"));
    const QString kept = edgeModel(QStringLiteral("kept.dat"));
    ASSERT_TRUE(frame().openFile(kept));
    ASSERT_TRUE(frame().openFile(gone));
    ASSERT_TRUE(QFile::remove(gone));

    EXPECT_FALSE(frame().openRecent(0));
    EXPECT_EQ(prompts_->errors.size(), 1);
    EXPECT_EQ(app_->recentFiles().entries(), QStringList{kept});
    EXPECT_EQ(scene().edgeCount, 6);

    // A file that is there but broken keeps its entry: the user may fix it.
    file(QStringLiteral("kept.dat"), "0\n2 1\n0 0 0\n");
    EXPECT_FALSE(frame().openRecent(0));
    EXPECT_EQ(app_->recentFiles().entries(), QStringList{kept});
    EXPECT_FALSE(frame().openRecent(7));
}

TEST_F(FrameTest, droppedFileOpensLikeFileOpen) {
    const QString path = faceModel();
    QMimeData mime;
    mime.setUrls(
        {QUrl(QStringLiteral("https://example.invalid/x.dat")), QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &drop);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("faces.dat - KELPRIS"));
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(app_->recentFiles().entries().value(0), path);

    QMimeData remoteOnly;
    remoteOnly.setUrls({QUrl(QStringLiteral("https://example.invalid/x.dat"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &remoteOnly, Qt::LeftButton,
                            Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(&frame(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(FrameTest, aPictureGivenAsAModelIsCalledAPicture) {
    QByteArray bmp("BM\x1e\0\0\0", 6);  // "BM" and the file's own size, 30 bytes
    bmp.append(24, '\0');
    const std::pair<QByteArray, const char*> cases[] = {
        {QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "a PNG picture, not a model"},
        {bmp, "a BMP picture, not a model"},
        {QByteArray("BMW\n"), nullptr},  // two letters alone are no picture
    };
    for (const auto& [bytes, says] : cases) {
        QFile f(files_.filePath(QStringLiteral("dropped.dat")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        prompts_->errors.clear();
        EXPECT_FALSE(frame().openFile(f.fileName()));
        ASSERT_EQ(prompts_->errors.size(), 1);
        const QString& told = prompts_->errors[0];
        EXPECT_EQ(told.contains(QStringLiteral("picture")), says != nullptr) << told.toStdString();
        EXPECT_TRUE(says == nullptr || told.contains(f.fileName() + ": this is " + says))
            << told.toStdString();
    }
}

TEST_F(FrameTest, aVeryLongRecentNameIsShortenedInTheMiddleAndWholeInItsTip) {
    const QString name = QStringLiteral("/") + QString(100000, u'x') + QStringLiteral("/end.dat");
    app_->recentFiles().add(name);
    frame().updateRecentMenu();
    const QAction& entry = frame().recentAction(0);
    EXPECT_TRUE(entry.text().startsWith(QStringLiteral("&1 /xxx")))
        << entry.text().left(20).toStdString();
    EXPECT_TRUE(entry.text().endsWith(QStringLiteral("/end.dat")));
    EXPECT_TRUE(entry.text().contains(QChar(0x2026)));
    EXPECT_EQ(entry.toolTip(), name);
    const int averageChar = frame().fileMenu().fontMetrics().averageCharWidth();
    EXPECT_LT(frame().fileMenu().sizeHint().width(), averageChar * (kRecentNameChars + 30));
}

TEST_F(FrameTest, namesThatAreNotTextAreKeptAsBytesThroughDropRecentListAndSave) {
    const QByteArray folder = QFile::encodeName(files_.path());
    const QByteArray model = folder + "/mod\xe8le.dat";  // Latin-1, not valid UTF-8
    std::ofstream(std::string(model.constData(), static_cast<std::size_t>(model.size())))
        << "1\n5 3\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 1 2\n1 2 3 4\n1 2 5\n2 3 5 4\n";

    QMimeData mime;
    mime.setUrls({QUrl::fromEncoded("file://" + model.toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &drop);
    EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join(' ').toStdString();
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(doc().nativePath(), model);
    ASSERT_EQ(app_->recentFiles().nativeEntries().value(0), model);

    // Stored and read back, the entry still names the same bytes and reopens.
    QSettings settings(files_.filePath(QStringLiteral("recent.ini")), QSettings::IniFormat);
    app_->recentFiles().save(settings);
    RecentFileList stored;
    stored.load(settings);
    EXPECT_EQ(stored.nativeEntries(), app_->recentFiles().nativeEntries());
    app_->view()->replaceScene(Scena{});
    EXPECT_TRUE(frame().openRecent(0));
    EXPECT_EQ(scene().faceCount, 3);

    const QByteArray copy = folder + "/copie-\xe9.dat";
    ASSERT_TRUE(doc().saveDocumentAs(copy).ok);
    Scena reloaded;
    EXPECT_TRUE(
        reloaded.load(std::string(copy.constData(), static_cast<std::size_t>(copy.size()))).ok);

    // As text the name has lost its byte: refused with a reason, not another file.
    const QString asText = QFile::decodeName(model);
    for (const FileStatus& status : {doc().openDocument(asText), doc().saveDocumentAs(asText)}) {
        EXPECT_FALSE(status.ok);
        EXPECT_EQ(status.reason, kUnrepresentableName);
    }
    EXPECT_EQ(doc().nativePath(), copy);
}

TEST_F(FrameTest, saveAsWritesTheModelShownAndTakesTheNewName) {
    ASSERT_TRUE(frame().openFile(faceModel()));
    prompts_->saveAnswer = files_.filePath(QStringLiteral("copy.dat"));
    frame().action(Command::FileSaveAs).trigger();
    EXPECT_EQ(prompts_->saveAsked, 1);
    EXPECT_TRUE(prompts_->errors.isEmpty());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("copy.dat - KELPRIS"));
    EXPECT_EQ(app_->recentFiles().entries().value(0), prompts_->saveAnswer);

    Scena reloaded;
    ASSERT_TRUE(reloaded.load(prompts_->saveAnswer.toStdString()).ok);
    EXPECT_EQ(reloaded.faceCount, 3);
    EXPECT_EQ(reloaded.vertices.size(), scene().vertices.size());
    EXPECT_EQ(reloaded.centreX, scene().centreX);

    // Cancelling the dialog writes nothing.
    prompts_->saveAnswer.clear();
    EXPECT_FALSE(frame().fileSaveAs());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("copy.dat - KELPRIS"));
}

TEST_F(FrameTest, saveReplacesTheOpenFileOnlyAfterConfirmation) {
    const QString path = file(QStringLiteral("mine.dat"), "0\n2 1\n 0.5 0 0\n0 0.25 0\n1 2\n");
    ASSERT_TRUE(frame().openFile(path));
    auto contents = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    const QByteArray before = contents();

    prompts_->allowOverwrite = false;
    frame().action(Command::FileSave).trigger();
    EXPECT_EQ(prompts_->overwriteQuestions, QStringList{path});
    EXPECT_EQ(contents(), before) << "declining keeps the file";
    EXPECT_EQ(prompts_->saveAsked, 0);

    prompts_->allowOverwrite = true;
    EXPECT_TRUE(frame().fileSave());
    EXPECT_EQ(contents(), QByteArray("0\n2 1\n1000 0 0\n0 500 0\n1 2\n"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("mine.dat - KELPRIS"));
}

TEST_F(FrameTest, emptyModelIsNotSavedAndTheUserIsTold) {
    app_->view()->replaceScene(Scena{});
    prompts_->saveAnswer = files_.filePath(QStringLiteral("empty.dat"));
    EXPECT_FALSE(frame().fileSave());
    EXPECT_EQ(prompts_->errors.size(), 1);
    EXPECT_FALSE(QFile::exists(prompts_->saveAnswer));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Untitled - KELPRIS"));
}

TEST_F(FrameTest, exitClosesWithoutAsking) {
    ASSERT_TRUE(frame().isVisible());
    frame().action(Command::AppExit).trigger();
    EXPECT_FALSE(frame().isVisible());
    EXPECT_EQ(prompts_->calls(), 0);
}

TEST_F(FrameTest, aboutCommandShowsTheAboutBoxModally) {
    QString caption;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<CAboutBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            modal = box->isModal();
            box->okButton().click();
        }
    });
    frame().action(Command::AppAbout).trigger();
    EXPECT_EQ(caption, QStringLiteral("About KELPRIS"));
    EXPECT_TRUE(modal);
}

TEST(AboutBoxTest, showsIconNameVersionAndADefaultOkButton) {
    QApplication::setWindowIcon(applicationIcon());
    CAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About KELPRIS"));
    EXPECT_EQ(box.versionLabel().text(), QStringLiteral("KELPRIS Version 1.0"));
    EXPECT_EQ(box.versionLabel().textFormat(), Qt::PlainText);
    EXPECT_FALSE(box.descriptionLabel().text().isEmpty());
    EXPECT_EQ(box.okButton().text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.okButton().isDefault());
    ASSERT_FALSE(box.iconLabel().pixmap().isNull());
    EXPECT_EQ(box.iconLabel().pixmap().size(), QSize(32, 32));

    QSignalSpy accepted(&box, &QDialog::accepted);
    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(accepted.size(), 1) << "Enter presses the default button";
}

TEST(ApplicationIconTest, hasEverySizeAndBothColours) {
    const QIcon icon = applicationIcon();
    for (int size : {16, 32, 48, 64, 128}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        bool red = false;
        bool green = false;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QColor c = image.pixelColor(x, y);
                red = red || (c.red() > 150 && c.green() < 60);
                green = green || (c.green() > 150 && c.red() < 60);
            }
        }
        EXPECT_TRUE(red && green) << size;
    }
}

}  // namespace
}  // namespace kelpris::test
