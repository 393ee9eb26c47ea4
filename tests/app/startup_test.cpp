// Start-up of the window from a parsed command line, in-process.

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <sstream>

#include <sys/stat.h>

#include "app/app.h"
#include "app/main_frame.h"
#include "app/view_menu.h"
#include "shell_fixture.h"
#include "view/qt/kelpr_view.h"

namespace kelpris::test {
namespace {

class StartupTest : public ShellTest {
  protected:
    void TearDown() override {
        app_.reset();
        if (!savedDir_.isEmpty()) {
            QDir::setCurrent(savedDir_);
        }
    }
    ViewState& viewState() { return app_->view()->state(); }

    CKELPRApp::Outcome start(std::vector<std::string> args) {
        const CommandLine cl = parseCommandLine(args);
        EXPECT_EQ(cl.action, CommandLine::Action::Run) << cl.error;
        auto prompts = std::make_unique<RecordingPrompts>();
        prompts_ = prompts.get();
        app_ = std::make_unique<CKELPRApp>(std::move(prompts));
        const auto outcome = app_->initInstance(cl, err_);
        QCoreApplication::processEvents();
        return outcome;
    }
    /// Runs the next start from `dir` instead of the directory with dom.dat.
    void workIn(const QString& dir) {
        savedDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir));
    }

    std::ostringstream err_;
    RecordingPrompts* prompts_ = nullptr;
    std::unique_ptr<CKELPRApp> app_;
    QString savedDir_;
};

TEST_F(StartupTest, plainStartShowsTheSetupScreenOfDomDat) {
    const auto outcome = start({});
    ASSERT_TRUE(outcome.runEventLoop);
    EXPECT_TRUE(app_->mainFrame()->isVisible());
    EXPECT_EQ(app_->mainFrame()->windowTitle(), QStringLiteral("Untitled - KELPRIS"));
    EXPECT_TRUE(app_->startupLoadStatus().ok);
    EXPECT_GT(app_->view()->scene().vertexCount, 0);
    EXPECT_EQ(viewState().stereoMode, Screen::Setup);
    EXPECT_EQ(app_->view()->size(), QSize(kWindowDefaultWidth + 4, kWindowDefaultHeight + 4));
    EXPECT_EQ(prompts_->calls(), 0);
    EXPECT_EQ(err_.str(), "");
    EXPECT_EQ(QCoreApplication::organizationName(),
              QStringLiteral("Local AppWizard-Generated Applications"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("KELPRIS"));
}

TEST_F(StartupTest, sizeAnglesAndScreenOptionsAreApplied) {
    ASSERT_TRUE(start({"--size", "300x200", "--yaw", "-1", "--pitch", "3", "--screen", "stereo"})
                    .runEventLoop);
    EXPECT_EQ(app_->view()->size(), QSize(304, 204));
    const ViewState& state = viewState();
    EXPECT_EQ(state.yaw, wrapAngle(-1.0f));
    EXPECT_GT(state.yaw, 5.0f);
    EXPECT_EQ(state.pitch, clampPitch(3.0f));
    EXPECT_EQ(state.stereoMode, Screen::Stereo);
    // The setup paint before the switch built the stereo transform.
    EXPECT_NE(std::memcmp(state.stereoXf.m, Matrix4{}.m, sizeof state.stereoXf.m), 0);

    app_->view()->repaint();
    const QImage shown = app_->view()->currentImage();
    ASSERT_EQ(shown.size(), QSize(300, 200));
    EXPECT_EQ(shown.pixelColor(2, 100), QColor(200, 0, 200)) << "the stereo frame";
}

TEST_F(StartupTest, fileOnTheCommandLineIsOpenedBeforeTheWindowShows) {
    const QString path = faceModel();
    ASSERT_TRUE(start({path.toStdString()}).runEventLoop);
    EXPECT_EQ(app_->mainFrame()->windowTitle(), QStringLiteral("faces.dat - KELPRIS"));
    EXPECT_EQ(app_->view()->scene().faceCount, 3);
    EXPECT_EQ(app_->recentFiles().entries(), QStringList{path});
    EXPECT_EQ(prompts_->calls(), 0);
}

TEST_F(StartupTest, unreadableFileEndsTheRunWithoutAWindow) {
    const QString missing = files_.filePath(QStringLiteral("nowhere.dat"));
    const auto outcome = start({missing.toStdString()});
    EXPECT_FALSE(outcome.runEventLoop);
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_NE(err_.str().find("nowhere.dat"), std::string::npos) << err_.str();
    EXPECT_FALSE(app_->mainFrame()->isVisible());

    // A directory cannot be read as a scene either.
    err_.str("");
    const auto dir = start({files_.path().toStdString()});
    EXPECT_FALSE(dir.runEventLoop);
    EXPECT_NE(dir.exitCode, 0);
    EXPECT_FALSE(err_.str().empty());
}

TEST_F(StartupTest, brokenFileShowsTheWindowWithDomDatAndAMessage) {
    const QString broken = file(QStringLiteral("broken.dat"), "1\n3 1\n0 0 0\n1 0 0\n0 1 0\n1 2\n");
    const auto outcome = start({broken.toStdString()});
    ASSERT_TRUE(outcome.runEventLoop);
    EXPECT_TRUE(app_->mainFrame()->isVisible());
    ASSERT_EQ(prompts_->errors.size(), 1);
    EXPECT_TRUE(prompts_->errors[0].contains(QStringLiteral("broken.dat")));
    EXPECT_EQ(app_->mainFrame()->windowTitle(), QStringLiteral("Untitled - KELPRIS"));
    EXPECT_EQ(app_->view()->scene().faceModel, 0) << "dom.dat stays";
    EXPECT_TRUE(app_->recentFiles().entries().isEmpty());
}

TEST_F(StartupTest, missingDomDatStartsEmptyAndSaysSoOnceWithoutBlocking) {
    QTemporaryDir empty;
    workIn(empty.path());
    ASSERT_TRUE(start({}).runEventLoop);
    EXPECT_FALSE(app_->startupLoadStatus().ok);
    EXPECT_TRUE(app_->view()->scene().vertices.empty());
    ASSERT_EQ(prompts_->notices.size(), 1);
    EXPECT_TRUE(prompts_->notices[0].contains(QStringLiteral("dom.dat")));
    EXPECT_TRUE(prompts_->notices[0].contains(QDir::toNativeSeparators(QDir::currentPath())));
    EXPECT_TRUE(prompts_->errors.isEmpty());
    for (int i = 0; i < 3; ++i) {
        app_->view()->repaint();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(prompts_->notices.size(), 1);
}

TEST_F(StartupTest, missingDomDatIsNotMentionedWhenTheNamedFileOpens) {
    const QString path = edgeModel();
    QTemporaryDir empty;
    workIn(empty.path());
    ASSERT_TRUE(start({path.toStdString()}).runEventLoop);
    EXPECT_EQ(app_->view()->scene().edgeCount, 6);
    EXPECT_EQ(prompts_->calls(), 0);
}

TEST_F(StartupTest, aPictureFromTheCommandLineLeavesTheRecentListAlone) {
    const auto outcome =
        start({"--render", files_.filePath(QStringLiteral("out.png")).toStdString(),
               faceModel().toStdString()});
    ASSERT_EQ(outcome.exitCode, 0) << err_.str();
    RecentFileList stored;
    QSettings settings;
    stored.load(settings);
    EXPECT_TRUE(stored.entries().isEmpty()) << stored.entries().join(' ').toStdString();
}

TEST_F(StartupTest, aSettingsFileThatIsNoRegularFileIsLeftAloneAndTheDefaultsUsed) {
    // Qt would wait for ever for a writer to this FIFO, before any window.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/") + QString::fromLatin1(kOrganisationName);
    const QString conf = folder + QStringLiteral("/KELPRIS.conf");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::remove(conf);
    const QByteArray fifo = QFile::encodeName(conf);
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0) << std::strerror(errno);
    const auto removeFifo = qScopeGuard([&] { QFile::remove(conf); });

    ASSERT_TRUE(start({faceModel().toStdString()}).runEventLoop);
    EXPECT_TRUE(app_->mainFrame()->isVisible());
    const std::string told = err_.str();
    EXPECT_NE(told.find(fifo.toStdString() + ": "), std::string::npos) << told;
    EXPECT_NE(told.find("default settings"), std::string::npos) << told;
    EXPECT_EQ(told.find("default settings"), told.rfind("default settings")) << "told once";

    // Choices and the recent list change in this run only.
    app_->mainFrame()->upAxisAction(mesh::UpAxis::y).trigger();
    app_->viewMenu()->action(ViewCommand::SwapEyes).trigger();
    ASSERT_TRUE(app_->mainFrame()->openFile(edgeModel()));
    app_.reset();
    struct stat status {};
    ASSERT_EQ(::lstat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(StartupTest, sortReportFailureIsToldOnce) {
    QTemporaryDir dir;
    // A folder where the report should go makes every write fail.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(kSortReportFile)));
    workIn(dir.path());
    ASSERT_TRUE(start({faceModel().toStdString(), "--screen", "stereo"}).runEventLoop);
    for (int i = 0; i < 3; ++i) {
        app_->view()->paintNow();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(prompts_->notices.size(), 1);
    // The whole path, so the user can find it, and the system's reason.
    const QString where = QDir(QDir::currentPath()).filePath(QString::fromLatin1(kSortReportFile));
    EXPECT_TRUE(prompts_->notices[0].contains(where + QStringLiteral(": cannot write: ") +
                                              QString::fromLocal8Bit(std::strerror(EISDIR))))
        << prompts_->notices[0].toStdString();
}

}  // namespace
}  // namespace kelpris::test
