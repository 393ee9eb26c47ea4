#include "app/app.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QSaveFile>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "app/png_encoding.h"
#include "view/qt/kelpr_view.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

QString fromLocal(const std::string& text) {
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

/// Whether the loader could open `path` at all (as opposed to opening it and
/// finding the contents broken).
bool canRead(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    const QByteArray encoded = QFile::encodeName(path);
    std::ifstream probe(std::filesystem::path(std::string(encoded.constData(), encoded.size())));
    return probe.good();
}

QString startupProblem(const FileStatus& status) {
    const QString dir = QDir::toNativeSeparators(QDir::currentPath());
    if (!QFileInfo::exists(QStringLiteral("dom.dat"))) {
        return QStringLiteral(
                   "No dom.dat was found in the working directory %1; starting "
                   "with an empty scene.")
            .arg(dir);
    }
    return QStringLiteral("dom.dat in %1 could not be loaded; starting with an empty scene.\n\n%2")
        .arg(dir, QString::fromStdString(status.message()));
}

}  // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addFile(QStringLiteral(":/kelpris/icons/kelpris-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

CKELPRApp::CKELPRApp(std::unique_ptr<Prompts> prompts) : prompts_(std::move(prompts)) {}

CKELPRApp::~CKELPRApp() = default;

void CKELPRApp::saveRecentFiles() const {
    QSettings settings;
    recent_.save(settings);
}

CKELPRApp::Outcome CKELPRApp::initInstance(const CommandLine& commandLine, std::ostream& err) {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QApplication::setWindowIcon(applicationIcon());
    // Lets desktops match the window with kelpris.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("kelpris"));
    {
        QSettings settings;
        recent_.load(settings);
    }

    const bool rendering = commandLine.renderPath.has_value();
    frame_ = std::make_unique<CMainFrame>(document_, recent_, *prompts_);
    auto view = std::make_unique<CKELPRView>();
    // The document needs the scene before a file named on the command line
    // is opened, which happens before the first paint.
    view->setDocument(&document_);
    view_ = view.get();
    frame_->setView(view.release());
    document_.setSceneSink([this](Scena&& fresh) { view_->replaceScene(std::move(fresh)); });

    connect(frame_.get(), &CMainFrame::aboutRequested, this, &CKELPRApp::onAppAbout);
    connect(frame_.get(), &CMainFrame::recentFilesChanged, this, &CKELPRApp::saveRecentFiles);
    QMetaObject::Connection renderWarnings;
    if (rendering) {
        // Only while rendering below: `err` need not outlive this call.
        renderWarnings =
            connect(view_, &CKELPRView::sortReportFailed, this, [&err](const QString& message) {
                err << "kelpris: warning: " << message.toLocal8Bit().constData() << '\n';
            });
    } else {
        connect(view_, &CKELPRView::sortReportFailed, this, [this](const QString& message) {
            prompts_->notice(frame_.get(), QStringLiteral("The sort report could not be "
                                                          "written.\n\n") +
                                               message);
        });
    }

    ViewState& state = viewState();
    if (commandLine.yaw) {
        state.yaw = wrapAngle(*commandLine.yaw);
    }
    if (commandLine.pitch) {
        state.pitch = clampPitch(*commandLine.pitch);
    }

    bool fileOpened = false;
    QString pendingError;
    if (commandLine.file) {
        const QString path = fromLocal(*commandLine.file);
        const FileStatus status = document_.openDocument(path);
        if (status) {
            fileOpened = true;
        } else if (rendering || !canRead(path)) {
            err << "kelpris: " << status.message() << '\n';
            disconnect(renderWarnings);
            return {false, 1};
        } else {
            pendingError = QStringLiteral(
                               "The file could not be opened; the model shown "
                               "stays.\n\n") +
                           QString::fromStdString(status.message());
        }
    }

    QString pendingNotice;
    if (!view_->startupLoadStatus() && !fileOpened) {
        pendingNotice = startupProblem(view_->startupLoadStatus());
    }

    if (rendering) {
        if (!pendingNotice.isEmpty()) {
            err << "kelpris: note: " << pendingNotice.toLocal8Bit().constData() << '\n';
        }
        const Outcome outcome = render(commandLine, err);
        disconnect(renderWarnings);
        return outcome;
    }

    const QSize area(commandLine.width.value_or(kWindowDefaultWidth) + 4,
                     commandLine.height.value_or(kWindowDefaultHeight) + 4);
    frame_->resize(area.width(), area.height() + frame_->menuBar()->sizeHint().height());
    frame_->show();
    if (view_->size() != area) {
        frame_->resize(frame_->size() + (area - view_->size()));
    }
    if (commandLine.screen == CommandLine::Screen::Stereo) {
        // As after a double-click: the stereo screen uses the transform of
        // the setup paint before it.
        view_->paintNow();
        state.stereoMode = Screen::Stereo;
        view_->update();
    }

    if (!pendingError.isEmpty() || !pendingNotice.isEmpty()) {
        QTimer::singleShot(0, frame_.get(), [this, pendingError, pendingNotice] {
            if (!pendingNotice.isEmpty()) {
                prompts_->notice(frame_.get(), pendingNotice);
            }
            if (!pendingError.isEmpty()) {
                prompts_->error(frame_.get(), pendingError);
            }
        });
    }
    return {true, 0};
}

CKELPRApp::Outcome CKELPRApp::render(const CommandLine& commandLine, std::ostream& err) {
    view_->resize(commandLine.width.value_or(kRenderDefaultWidth) + 4,
                  commandLine.height.value_or(kRenderDefaultHeight) + 4);
    if (commandLine.screen == CommandLine::Screen::Stereo) {
        // The transforms a setup paint would leave, without drawing it.
        buildTransforms(viewState());
        viewState().stereoMode = Screen::Stereo;
    }
    const QImage image = view_->paintNow();
    const QByteArray png = encodePng(image);

    const QString path = fromLocal(*commandLine.renderPath);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        err << "kelpris: cannot write " << commandLine.renderPath->c_str() << ": "
            << out.errorString().toLocal8Bit().constData() << '\n';
        return {false, 1};
    }
    if (png.isEmpty()) {
        out.cancelWriting();
        err << "kelpris: cannot encode the picture as PNG into " << commandLine.renderPath->c_str()
            << '\n';
        return {false, 1};
    }
    if (out.write(png) != png.size() || !out.commit()) {
        err << "kelpris: cannot write " << commandLine.renderPath->c_str() << ": "
            << out.errorString().toLocal8Bit().constData() << '\n';
        return {false, 1};
    }
    return {false, 0};
}

void CKELPRApp::onAppAbout() {
    CAboutBox box(frame_.get());
    box.exec();
}

int runKelpris(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    const CommandLine commandLine = parseCommandLine(args);
    switch (commandLine.action) {
        case CommandLine::Action::Help:
            std::cout << usageText();
            return 0;
        case CommandLine::Action::Version:
            std::cout << kVersionText << '\n';
            return 0;
        case CommandLine::Action::Error:
            std::cerr << "kelpris: " << commandLine.error << "\nTry 'kelpris --help'.\n";
            return 2;
        case CommandLine::Action::Run:
            break;
    }

    // A named file that cannot be read ends the run before any window (or
    // display connection) exists.
    if (commandLine.file && !canRead(fromLocal(*commandLine.file))) {
        Scena probe;
        const FileStatus status = probe.load(*commandLine.file);
        std::cerr << "kelpris: "
                  << (status ? *commandLine.file + ": cannot open the file" : status.message())
                  << '\n';
        return 1;
    }

    // --render needs no display.
    if (commandLine.renderPath && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    CKELPRApp app;
    const CKELPRApp::Outcome outcome = app.initInstance(commandLine, std::cerr);
    if (!outcome.runEventLoop) {
        return outcome.exitCode;
    }
    return QApplication::exec();
}

}  // namespace kelpris
