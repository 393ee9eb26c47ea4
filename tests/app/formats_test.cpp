// Model files other than scene files in the window: every way of opening
// reaches the importer, slow loads run in the background with a progress
// dialog and Cancel, failures keep the model shown, Save As writes other
// formats, and the up axis is chosen in the View menu.

#include <QDirIterator>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "app/app.h"
#include "app/main_frame.h"
#include "shell_fixture.h"
#include "view/qt/kelpr_view.h"

namespace kelpris::test {
namespace {

constexpr int kWaitMs = 60000;  // generous: the machine may be busy; never a speed check

QString sample(const char* name) {
    return QStringLiteral(KELPRIS_DATA_DIR "/samples/") + QString::fromLatin1(name);
}

/// Processes whose parent is this test program.
int childProcesses() {
    int count = 0;
    QDirIterator proc(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (proc.hasNext()) {
        std::ifstream stat((proc.next() + QStringLiteral("/stat")).toStdString());
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        long parent = 0;
        rest >> state >> parent;
        count += parent == ::getpid() ? 1 : 0;
    }
    return count;
}

class FormatsTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        startApp();
    }

    /// Opens `path` and waits until a background load has ended.
    bool open(const QString& path) {
        const bool started = frame().openFile(path);
        waitForLoad();
        return started;
    }
    void waitForLoad() { QTRY_VERIFY_WITH_TIMEOUT(!frame().loading(), kWaitMs); }
    /// A file telling the stand-in importer what to do (.obj: no checks apply).
    QString order(const char* word) {
        doc().importOptions().importer = KELPRIS_FAKE_IMPORTER;
        return file(QString::fromLatin1(word) + QStringLiteral(".obj"), word);
    }
};

// With the automatic choices (the defaults) each format opens upright by its
// custom and imported meshes are lit and turned by a drag on the stereo
// screen, while a scene file keeps the flat faces and the unseen handles.
TEST_F(FormatsTest, everySampleFormatOpensInTheWindowWithItsAutomaticChoices) {
    using mesh::UpAxis;
    const struct {
        const char* file;
        std::int32_t faceModel, vertices, records;
        std::optional<UpAxis> up;
    } cases[] = {
        {"bunny.stl", 1, 1839, 3674, UpAxis::z},   {"teapot.obj", 1, 529, 992, UpAxis::y},
        {"teapot.gltf", 1, 529, 992, UpAxis::y},   {"teapot.glb", 1, 529, 992, UpAxis::y},
        {"teapot.3mf", 1, 529, 992, UpAxis::z},    {"house_faces.ply", 1, 71, 48, UpAxis::y},
        {"house_edges.obj", 0, 58, 59, UpAxis::y}, {"teapot.dat", 1, 792, 992, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(open(sample(c.file)));
        EXPECT_EQ(scene().faceModel, c.faceModel);
        EXPECT_EQ(scene().vertexCount, c.vertices);
        EXPECT_EQ(c.faceModel ? scene().faceCount : scene().edgeCount, c.records);
        EXPECT_EQ(doc().isImported(), c.up.has_value());
        EXPECT_EQ(doc().upAxis(), c.up);
        const ViewState& state = viewState();
        EXPECT_EQ(state.shading(), c.up ? Shading::Lit : Shading::Flat);
        EXPECT_EQ(state.stereoMouse(), c.up ? StereoMouse::TurnModel : StereoMouse::SetupHandles);
        EXPECT_EQ(frame().windowTitle(),
                  QString::fromLatin1(c.file) + QStringLiteral(" - KELPRIS"));
        EXPECT_EQ(app_->recentFiles().entries().value(0), sample(c.file));
    }
    EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join(' ').toStdString();
}

TEST_F(FormatsTest, aDroppedModelAndARecentEntryOpenThroughTheImporter) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(sample("bunny.stl"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame(), &drop);
    EXPECT_TRUE(frame().loading());
    waitForLoad();
    EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join(' ').toStdString();
    EXPECT_EQ(scene().faceCount, 3674);

    ASSERT_TRUE(open(faceModel()));
    EXPECT_EQ(scene().faceCount, 3);
    ASSERT_EQ(app_->recentFiles().entries().value(1), sample("bunny.stl"));
    ASSERT_TRUE(frame().openRecent(1));
    waitForLoad();
    EXPECT_EQ(scene().faceCount, 3674);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("bunny.stl - KELPRIS"));
    EXPECT_TRUE(prompts_->errors.isEmpty());

    // An entry whose model is gone is dropped once the failure is told.
    const QString gone = files_.filePath("gone.stl");
    ASSERT_TRUE(QFile::copy(sample("bunny.stl"), gone));
    ASSERT_TRUE(open(gone));
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(open(faceModel()));
    ASSERT_EQ(app_->recentFiles().entries().value(1), gone);
    ASSERT_TRUE(frame().openRecent(1));
    waitForLoad();
    EXPECT_EQ(prompts_->errors.size(), 1);
    EXPECT_FALSE(app_->recentFiles().entries().contains(gone));
    EXPECT_EQ(scene().faceCount, 3);
}

TEST_F(FormatsTest, aSlowLoadShowsProgressAndCancelKeepsTheModelAndEndsTheChild) {
    ASSERT_TRUE(open(faceModel()));
    const int childrenBefore = childProcesses();
    ASSERT_TRUE(frame().openFile(order("hang")));
    EXPECT_TRUE(frame().loading());
    QTRY_VERIFY_WITH_TIMEOUT(frame().progressDialog() && frame().progressDialog()->isVisible(),
                             kWaitMs);
    EXPECT_EQ(childProcesses(), childrenBefore + 1);
    // The window goes on painting while the child works.
    const QImage before = app_->view()->paintNow();
    EXPECT_FALSE(before.isNull());

    auto* cancel = frame().progressDialog()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    waitForLoad();
    EXPECT_EQ(frame().progressDialog(), nullptr);
    EXPECT_EQ(childProcesses(), childrenBefore);
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("faces.dat - KELPRIS"));
    EXPECT_TRUE(prompts_->errors.isEmpty());
    EXPECT_TRUE(frame().statusBar()->currentMessage().contains(QStringLiteral("cancelled")));
}

TEST_F(FormatsTest, aSecondOpenStopsTheFirstLoad) {
    ASSERT_TRUE(frame().openFile(order("hang")));
    ASSERT_TRUE(open(faceModel()));
    EXPECT_FALSE(frame().loading());
    EXPECT_EQ(scene().faceCount, 3);
    QTest::qWait(0);  // a late word from the stopped load would arrive now
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(FormatsTest, anImportErrorKeepsTheModelAndNamesTheFileAndReason) {
    ASSERT_TRUE(open(faceModel()));
    const QString crash = order("crash");
    ASSERT_TRUE(open(crash));
    ASSERT_EQ(prompts_->errors.size(), 1);
    EXPECT_TRUE(
        prompts_->errors[0].contains(crash + QStringLiteral(": the importer crashed (SIGSEGV)")))
        << prompts_->errors[0].toStdString();
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("faces.dat - KELPRIS"));
    EXPECT_EQ(app_->recentFiles().entries().value(0), files_.filePath("faces.dat"));
}

TEST_F(FormatsTest, whatAnImportLeftOutIsNotedInTheStatusLine) {
    ASSERT_TRUE(open(file("pentagon.obj",
                          "v 0 0 0\nv 2 0 0\nv 3 2 0\nv 1 3 0\nv -1 2 0\n"
                          "f 1 2 3 4 5\n")));
    EXPECT_EQ(scene().faceCount, 3);
    EXPECT_EQ(frame().statusBar()->currentMessage(),
              QStringLiteral("1 polygon split into triangles"));
    EXPECT_TRUE(prompts_->notices.isEmpty());
    ASSERT_TRUE(open(faceModel()));
    EXPECT_TRUE(frame().statusBar()->currentMessage().isEmpty());
}

TEST_F(FormatsTest, saveAsWritesModelFormatsThatOpenAgainAndRefusesTheRest) {
    ASSERT_TRUE(open(sample("bunny.stl")));
    const QString stl = files_.filePath("copy.stl");
    prompts_->saveAnswer = stl;
    ASSERT_TRUE(frame().fileSaveAs());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("copy.stl - KELPRIS"));
    ASSERT_TRUE(open(faceModel()));
    ASSERT_TRUE(open(stl));
    EXPECT_EQ(scene().faceCount, 3674);
    EXPECT_EQ(scene().vertexCount, 1839);

    // A model format that cannot be written, and an export that fails.
    prompts_->saveAnswer = files_.filePath("copy.gltf");
    EXPECT_FALSE(frame().fileSaveAs());
    prompts_->saveAnswer = files_.filePath("missing/broken.ply");
    EXPECT_FALSE(frame().fileSaveAs());
    ASSERT_EQ(prompts_->errors.size(), 2);
    EXPECT_TRUE(prompts_->errors[0].contains(QStringLiteral(".dat, .stl, .obj or .ply")));
    EXPECT_TRUE(prompts_->errors[1].contains(QStringLiteral("broken.ply")));
    EXPECT_FALSE(QFile::exists(files_.filePath("copy.gltf")));
    EXPECT_FALSE(QFile::exists(files_.filePath("missing/broken.ply")));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("copy.stl - KELPRIS"));
}

TEST_F(FormatsTest, saveOfAnImportedModelAsksForANewSceneFile) {
    // Written back, even in a format that can be written, the model would
    // lose its file's scale, precision and everything else it held.
    prompts_->allowOverwrite = true;
    for (const char* name : {"bunny.stl", "house_faces.ply", "teapot.gltf"}) {
        SCOPED_TRACE(name);
        const QString copy = files_.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(QFile::copy(sample(name), copy));
        ASSERT_TRUE(open(copy));
        const int asked = prompts_->saveAsked;
        EXPECT_FALSE(frame().fileSave());  // the user cancels the Save As dialog
        EXPECT_EQ(prompts_->saveAsked, asked + 1);
        EXPECT_EQ(prompts_->saveSuggested,
                  files_.filePath(QFileInfo(copy).completeBaseName() + ".dat"))
            << prompts_->saveSuggested.toStdString();
        EXPECT_TRUE(prompts_->overwriteQuestions.isEmpty()) << "nothing is written in place";
    }
    // Saved as a scene file, it is one: Save then writes it in place.
    prompts_->saveAnswer = files_.filePath("teapot.dat");
    ASSERT_TRUE(frame().fileSave());
    const int asked = prompts_->saveAsked;
    ASSERT_TRUE(frame().fileSave());
    EXPECT_EQ(prompts_->saveAsked, asked);
    EXPECT_EQ(prompts_->overwriteQuestions, QStringList{prompts_->saveAnswer});
}

TEST_F(FormatsTest, upAxisMenuReloadsAnImportedModelAndIsRemembered) {
    EXPECT_TRUE(frame().upAxisAction(mesh::UpAxis::automatic).isChecked());
    ASSERT_TRUE(open(sample("house_faces.ply")));
    const std::vector<Vertex> byFormat = scene().vertices;  // PLY: y up
    QSignalSpy opened(&doc(), &CKELPRDoc::documentOpened);

    frame().upAxisAction(mesh::UpAxis::z).trigger();
    waitForLoad();
    ASSERT_EQ(opened.count(), 1);
    const std::vector<Vertex> zUp = scene().vertices;
    ASSERT_EQ(zUp.size(), byFormat.size());
    // y up turns (x, y, z) into (-x, z, y), then the box starts at 0 again.
    EXPECT_NEAR(byFormat[1].x, 1000 - zUp[1].x, 1);
    EXPECT_EQ(byFormat[1].y, zUp[1].z);
    EXPECT_EQ(byFormat[1].z, zUp[1].y);
    EXPECT_TRUE(frame().upAxisAction(mesh::UpAxis::z).isChecked());
    EXPECT_EQ(QSettings().value(QStringLiteral("View/UpAxis")).toString(), QStringLiteral("z"));

    // A load on its way starts again with the new axis.
    ASSERT_TRUE(open(faceModel()));
    ASSERT_TRUE(frame().openFile(sample("house_faces.ply")));
    frame().upAxisAction(mesh::UpAxis::y).trigger();
    waitForLoad();
    EXPECT_EQ(scene().vertices[1].x, byFormat[1].x);
    EXPECT_EQ(scene().vertices[1].z, byFormat[1].z);

    // A scene file has no up axis to choose: nothing reloads.
    ASSERT_TRUE(open(faceModel()));
    opened.clear();
    frame().upAxisAction(mesh::UpAxis::x).trigger();
    EXPECT_FALSE(frame().loading());
    EXPECT_EQ(opened.count(), 0);
    EXPECT_EQ(doc().importOptions().up, mesh::UpAxis::x);
}

TEST_F(FormatsTest, aRememberedUpAxisAppliesAtStartUnlessTheCommandLineSaysOtherwise) {
    QSettings().setValue(QStringLiteral("View/UpAxis"), QStringLiteral("x"));
    for (const auto& [given, expected] :
         {std::pair{std::optional<mesh::UpAxis>{}, mesh::UpAxis::x},
          std::pair{std::optional{mesh::UpAxis::y}, mesh::UpAxis::y}}) {
        CKELPRApp app(std::make_unique<RecordingPrompts>());
        CommandLine line;
        line.up = given;
        line.file = sample("house_faces.ply").toStdString();
        std::ostringstream err;
        ASSERT_TRUE(app.initInstance(line, err).runEventLoop) << err.str();
        EXPECT_EQ(app.document().importOptions().up, expected);
        EXPECT_TRUE(app.mainFrame()->upAxisAction(expected).isChecked());
        // The window is up first; the model follows from the background.
        EXPECT_TRUE(app.mainFrame()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!app.mainFrame()->loading(), kWaitMs);
        EXPECT_EQ(app.view()->scene().faceCount, 48);
    }
    EXPECT_EQ(QSettings().value(QStringLiteral("View/UpAxis")).toString(), QStringLiteral("x"));
}

TEST_F(FormatsTest, aModelNamedAtStartThatFailsIsToldOnceTheWindowIsUp) {
    auto prompts = std::make_unique<RecordingPrompts>();
    RecordingPrompts& told = *prompts;
    CKELPRApp app(std::move(prompts));
    app.document().importOptions().importer = KELPRIS_FAKE_IMPORTER;
    CommandLine line;
    line.file = file(QStringLiteral("crash.obj"), "crash").toStdString();
    std::ostringstream err;
    ASSERT_TRUE(app.initInstance(line, err).runEventLoop) << err.str();
    QTRY_VERIFY_WITH_TIMEOUT(!app.mainFrame()->loading(), kWaitMs);
    ASSERT_EQ(told.errors.size(), 1);
    EXPECT_TRUE(told.errors[0].contains(QStringLiteral("crash.obj: the importer crashed")));
    EXPECT_EQ(app.mainFrame()->windowTitle(), QStringLiteral("Untitled - KELPRIS"));
    EXPECT_TRUE(err.str().empty());
}

TEST(SaveDialog, theChosenFilterGivesANameWithoutExtensionItsFormat) {
    const struct {
        const char* path;
        const char* filter;
        const char* expected;
    } cases[] = {
        {"/m/a", "STL models (*.stl)", "/m/a.stl"},
        {"/m/a", "Scene files (*.dat)", "/m/a.dat"},
        {"/m/a.obj", "STL models (*.stl)", "/m/a.obj"},  // the name's own extension wins
        {"/m/a", "", "/m/a"},
        {"", "PLY models (*.ply)", ""},  // cancelled
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withFilterExtension(QString::fromLatin1(c.path), QString::fromLatin1(c.filter)),
                  QString::fromLatin1(c.expected))
            << c.path << " " << c.filter;
    }
    for (const QString& filter : saveFilters()) {
        EXPECT_TRUE(withFilterExtension(QStringLiteral("x"), filter).startsWith("x."));
    }
    const QStringList open = openFilters();
    ASSERT_EQ(open.size(), 3);
    EXPECT_EQ(open[0], QStringLiteral("Scene files (*.dat)"));
    for (const char* pattern :
         {"*.dat", "*.stl", "*.obj", "*.ply", "*.off", "*.gltf", "*.glb", "*.3mf", "*.dae"}) {
        EXPECT_TRUE(open[1].contains(QString::fromLatin1(pattern))) << pattern;
    }
    EXPECT_EQ(open[2], QStringLiteral("All files (*)"));
}

}  // namespace
}  // namespace kelpris::test
