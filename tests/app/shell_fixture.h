#pragma once
// Shared pieces of the shell tests: prompts that record instead of asking,
// a fixture with a fresh view state and scratch files, and one with the
// whole application started.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "app/app.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "view/qt/kelpr_view.h"
#include "view/view_state.h"

namespace kelpris::test {

/// A scratch folder that is also emptied by its names' bytes: QTemporaryDir
/// cannot name, and so leaves behind, files whose names are not text in the
/// locale's encoding, which some tests make on purpose.
class ScratchFolder : public QTemporaryDir {
  public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(path()).toStdString(), ignored);
    }
};

class RecordingPrompts final : public Prompts {
  public:
    QStringList errors;
    QStringList notices;
    QStringList overwriteQuestions;
    int openAsked = 0;
    int saveAsked = 0;
    bool allowOverwrite = false;
    QString openAnswer;
    QString saveAnswer;
    QString saveSuggested;  ///< the name the last Save As dialog started from

    void error(QWidget*, const QString& text) override { errors << text; }
    void notice(QWidget*, const QString& text) override { notices << text; }
    bool confirmOverwrite(QWidget*, const QString& path) override {
        overwriteQuestions << path;
        return allowOverwrite;
    }
    QString openPath(QWidget*) override {
        ++openAsked;
        return openAnswer;
    }
    QString savePath(QWidget*, const QString& suggested) override {
        ++saveAsked;
        saveSuggested = suggested;
        return saveAnswer;
    }
    int calls() const {
        return static_cast<int>(errors.size() + notices.size() + overwriteQuestions.size()) +
               openAsked + saveAsked;
    }
};

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings().clear();
        ASSERT_TRUE(files_.isValid());
    }

    /// Writes `text` to a scratch file and returns its absolute path.
    QString file(const QString& name, const char* text) {
        const QString path = files_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }

    /// A small edge model: a tetrahedron's wire frame.
    QString edgeModel(const QString& name = QStringLiteral("tetra.dat")) {
        return file(name, "0\n4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 2\n1 3\n1 4\n2 3\n2 4\n3 4\n");
    }
    /// A small face model: two quads and a triangle.
    QString faceModel(const QString& name = QStringLiteral("faces.dat")) {
        return file(name, "1\n5 3\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n1 1 2\n1 2 3 4\n1 2 5\n2 3 5 4\n");
    }

    ScratchFolder files_;
};

/// A shell test with the whole application started: document, frame and
/// view, with prompts answered by a RecordingPrompts.
class AppTest : public ShellTest {
  protected:
    void TearDown() override { app_.reset(); }

    /// Starts the application as the command line says; the window is up.
    void startApp(const CommandLine& commandLine = CommandLine{}) {
        auto prompts = std::make_unique<RecordingPrompts>();
        prompts_ = prompts.get();
        app_ = std::make_unique<CKELPRApp>(std::move(prompts));
        std::ostringstream err;
        ASSERT_TRUE(app_->initInstance(commandLine, err).runEventLoop) << err.str();
        QCoreApplication::processEvents();
    }

    CMainFrame& frame() { return *app_->mainFrame(); }
    CKELPRDoc& doc() { return app_->document(); }
    const Scena& scene() { return app_->view()->scene(); }
    ViewState& viewState() { return app_->view()->state(); }

    RecordingPrompts* prompts_ = nullptr;
    std::unique_ptr<CKELPRApp> app_;
};

}  // namespace kelpris::test
