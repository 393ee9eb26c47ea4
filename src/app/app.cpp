#include "app/app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "app/about_box.h"
#include "app/export_menu.h"
#include "app/file_names.h"
#include "app/help_menu.h"
#include "app/main_frame.h"
#include "app/picture_files.h"
#include "app/settings_access.h"
#include "app/view_menu.h"
#include "app/view_settings.h"
#include "base/file_io.h"
#include "import/model_check.h"
#include "import/model_loader.h"
#include "render/qt/png_encoding.h"
#include "view/depth_readout.h"
#include "view/qt/kelpr_view.h"
#include "view/qt/picture_export.h"
#include "view/qt/turntable_export.h"
#include "view/view_logic.h"

namespace kelpris {

namespace {

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr const char* kUpAxisKey = "View/UpAxis";

mesh::UpAxis storedUpAxis(const SettingsAccess& access) {
    const std::unique_ptr<QSettings> settings = access.open();
    const QByteArray text =
        settings ? settings->value(QString::fromLatin1(kUpAxisKey)).toByteArray() : QByteArray();
    return mesh::parseUpAxis(
               std::string_view(text.constData(), static_cast<std::size_t>(text.size())))
        .value_or(mesh::UpAxis::automatic);
}

void storeUpAxis(const SettingsAccess& access, mesh::UpAxis axis) {
    const std::string_view text = mesh::upAxisName(axis);
    if (const std::unique_ptr<QSettings> settings = access.open()) {
        settings->setValue(QString::fromLatin1(kUpAxisKey),
                           QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
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
    if (const std::unique_ptr<QSettings> settings = settings_.open()) {
        recent_.save(*settings);
    }
}

void CKELPRApp::saveViewOptions() const {
    if (const std::unique_ptr<QSettings> settings = settings_.open()) {
        kelpris::saveViewOptions(
            *settings, view_->state().options(),
            viewMenu_ == nullptr || viewMenu_->action(ViewCommand::StatusBar).isChecked());
        if (exportMenu_ != nullptr) {
            saveExportFolder(*settings, exportMenu_->folder());
        }
    }
}

void CKELPRApp::setUpViewOptions(const CommandLine& commandLine, bool rendering) {
    ViewOptions options;
    bool statusBarShown = true;
    const std::unique_ptr<QSettings> settings = rendering ? nullptr : settings_.open();
    if (settings) {
        options = loadViewOptions(*settings);
        statusBarShown = loadStatusBarShown(*settings);
    }
    applyViewerFlags(commandLine.viewer, options);
    view_->setOptions(options);
    if (!rendering) {
        const QString modelName = startupStatus_ ? QStringLiteral("dom.dat") : QString();
        viewMenu_ = new ViewMenu(*frame_, *view_, document_, modelName, statusBarShown);
        connect(viewMenu_, &ViewMenu::optionsChanged, this, &CKELPRApp::saveViewOptions);
        exportMenu_ = new ExportMenu(*frame_, *view_, *prompts_);
        if (settings) {
            exportMenu_->setFolder(loadExportFolder(*settings));
        }
        connect(exportMenu_, &ExportMenu::folderChanged, this, &CKELPRApp::saveViewOptions);
        addKeysHelp(*frame_);
    }
}

void CKELPRApp::setUpApplication() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QApplication::setWindowIcon(applicationIcon());
    // Lets desktops match the window with kelpris.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("kelpris"));
    settings_ = SettingsAccess::check();
    if (const std::unique_ptr<QSettings> settings = settings_.open()) {
        recent_.load(*settings);
    }
}

void CKELPRApp::createWindows(bool rendering) {
    frame_ = std::make_unique<CMainFrame>(document_, recent_, *prompts_);
    auto view = std::make_unique<CKELPRView>();
    view->setDocument(&document_);
    view_ = view.get();
    frame_->setView(view.release());
    document_.setSceneSink([this](Scena&& fresh, ModelSource source) {
        showScene(std::move(fresh), source == ModelSource::Imported);
    });
    loadStartupModel();
    connect(frame_.get(), &CMainFrame::aboutRequested, this, &CKELPRApp::onAppAbout);
    // A picture or report written from the command line is no opening by the
    // user: the list stays as the window left it.
    if (!rendering) {
        connect(frame_.get(), &CMainFrame::recentFilesChanged, this, &CKELPRApp::saveRecentFiles);
    }
    connect(frame_.get(), &CMainFrame::upAxisChanged, this,
            [this](mesh::UpAxis axis) { storeUpAxis(settings_, axis); });
}

void CKELPRApp::showScene(Scena&& scene, bool imported) {
    view_->replaceScene(std::move(scene),
                        imported ? ModelSource::Imported : ModelSource::SceneFile);
    if (opensFitted(fitOnOpen_, imported)) {
        view_->fitToWindow();
    }
}

void CKELPRApp::loadStartupModel() {
    Scena scene;
    startupStatus_ = scene.load("dom.dat");
    showScene(std::move(scene), false);
}

QMetaObject::Connection CKELPRApp::reportSortFailures(bool rendering, std::ostream& err) {
    if (rendering) {
        // The caller disconnects before returning: `err` need not outlive it.
        return connect(view_, &CKELPRView::sortReportFailed, this, [&err](const QString& message) {
            err << "kelpris: warning: the sort report could not be written: "
                << message.toLocal8Bit().constData() << '\n';
        });
    }
    return connect(view_, &CKELPRView::sortReportFailed, this, [this](const QString& message) {
        prompts_->notice(frame_.get(),
                         QStringLiteral("The sort report could not be written.\n\n") + message);
    });
}

void CKELPRApp::applyAngles(const CommandLine& commandLine) {
    ViewState& state = view_->state();
    if (commandLine.yaw) {
        state.yaw = wrapAngle(*commandLine.yaw);
    }
    if (commandLine.pitch) {
        state.pitch = clampPitch(*commandLine.pitch);
    }
}

bool CKELPRApp::openCommandLineFile(const CommandLine& commandLine, std::ostream& err,
                                    StartupMessages& messages) {
    if (!commandLine.file) {
        return true;
    }
    const QByteArray path = bytesOf(*commandLine.file);
    if (!commandLine.writesPictures() && mesh::isImportedModel(fsPath(path))) {
        if (const FileStatus readable = checkRegularFile(fsPath(path)); !readable) {
            err << "kelpris: " << readable.message() << '\n';
            return false;
        }
        // A large model must not keep the window from appearing.
        messages.fileOpened = true;
        messages.loadLater = path;
        return true;
    }
    const FileStatus status = explainOpenFailure(document_.openDocument(path), path);
    if (status) {
        messages.fileOpened = true;
        return true;
    }
    if (commandLine.writesPictures() || !checkRegularFile(fsPath(path))) {
        err << "kelpris: " << status.message() << '\n';
        return false;
    }
    messages.error = QStringLiteral("The file could not be opened; the model shown stays.\n\n") +
                     QString::fromStdString(status.message());
    return true;
}

void CKELPRApp::showMainWindow(const CommandLine& commandLine) {
    const QSize area(commandLine.width.value_or(kWindowDefaultWidth) + 4,
                     commandLine.height.value_or(kWindowDefaultHeight) + 4);
    frame_->resize(area.width(), area.height() + frame_->menuBar()->sizeHint().height());
    frame_->show();
    if (view_->size() != area) {
        frame_->resize(frame_->size() + (area - view_->size()));
    }
    if (commandLine.screen == Screen::Stereo) {
        // As after a double-click: the stereo screen uses the transform of
        // the setup paint before it.
        view_->paintNow();
        view_->state().stereoMode = Screen::Stereo;
        view_->update();
    }
}

void CKELPRApp::showStartupMessages(const StartupMessages& messages) {
    if (messages.error.isEmpty() && messages.notice.isEmpty()) {
        return;
    }
    // Once the event loop runs, so the window is up behind them.
    QTimer::singleShot(0, frame_.get(), [this, messages] {
        if (!messages.notice.isEmpty()) {
            prompts_->notice(frame_.get(), messages.notice);
        }
        if (!messages.error.isEmpty()) {
            prompts_->error(frame_.get(), messages.error);
        }
    });
}

CKELPRApp::Outcome CKELPRApp::initInstance(const CommandLine& commandLine, std::ostream& err) {
    setUpApplication();
    if (!settings_.usable()) {
        err << "kelpris: note: " << settings_.problem().toLocal8Bit().constData()
            << "; running with the default settings, which are not saved\n";
    }
    const bool rendering = commandLine.writesPictures();
    fitOnOpen_ = commandLine.fit;
    createWindows(rendering);
    // --up holds for this run; only a choice in the View menu is remembered.
    frame_->setUpAxis(commandLine.up.value_or(storedUpAxis(settings_)));
    setUpViewOptions(commandLine, rendering);
    const QMetaObject::Connection sortMessages = reportSortFailures(rendering, err);
    applyAngles(commandLine);

    StartupMessages messages;
    if (!openCommandLineFile(commandLine, err, messages)) {
        disconnect(sortMessages);
        return {false, 1};
    }
    if (!startupStatus_ && !messages.fileOpened) {
        messages.notice = startupProblem(startupStatus_);
    }
    if (rendering) {
        if (!messages.notice.isEmpty()) {
            err << "kelpris: note: " << messages.notice.toLocal8Bit().constData() << '\n';
        }
        const Outcome outcome = render(commandLine, err);
        disconnect(sortMessages);
        return outcome;
    }
    showMainWindow(commandLine);
    showStartupMessages(messages);
    if (!messages.loadLater.isEmpty()) {
        static_cast<void>(frame_->openFile(messages.loadLater));  // a failure is told to the user
    }
    return {true, 0};
}

CKELPRApp::Outcome CKELPRApp::render(const CommandLine& commandLine, std::ostream& err) {
    view_->resize(commandLine.width.value_or(kRenderDefaultWidth) + 4,
                  commandLine.height.value_or(kRenderDefaultHeight) + 4);
    if (commandLine.screen == Screen::Stereo) {
        // The transforms a setup paint would leave, without drawing it.
        buildTransforms(view_->state());
        view_->state().stereoMode = Screen::Stereo;
    }
    // Also lays out, and on the setup screen builds the transforms, for the
    // eye pictures below.
    const QImage image = view_->paintNow();

    const auto write = [&err](const QImage& picture, const std::string& name) {
        const FileStatus written = writePngFile(picture, fsPath(bytesOf(name)));
        if (!written) {
            err << "kelpris: " << written.message() << '\n';
        }
        return static_cast<bool>(written);
    };
    if (commandLine.renderPath && !write(image, *commandLine.renderPath)) {
        return {false, 1};
    }
    const ViewerFlags& viewer = commandLine.viewer;
    if (viewer.rendersEyes()) {
        const QImage left = view_->renderEye(Eye::Left);
        const QImage right = view_->renderEye(Eye::Right);
        if (viewer.renderPair &&
            (!write(left, viewer.renderPair->first) || !write(right, viewer.renderPair->second))) {
            return {false, 1};
        }
        if (viewer.renderSbs && !write(sideBySide(left, right), *viewer.renderSbs)) {
            return {false, 1};
        }
    }
    if (viewer.turntable && !writeTurntableFile(*viewer.turntable, image.size(), err)) {
        return {false, 1};
    }
    return {false, 0};
}

bool CKELPRApp::writeTurntableFile(const TurntableFlags& flags, QSize size, std::ostream& err) {
    const TurntableRequest request{size, flags.frames, flags.degrees};
    const std::optional<FileStatus> written =
        writeTurntable(*view_, request, fsPath(bytesOf(flags.path)));
    // The frames were paints too: paint the view as it stands once more, so
    // that the sort report describes the picture at the starting azimuth.
    static_cast<void>(view_->paintNow());
    if (written && !*written) {
        err << "kelpris: " << written->message() << '\n';
        return false;
    }
    return true;
}

void CKELPRApp::onAppAbout() {
    CAboutBox box(frame_.get());
    box.exec();
}

int printSceneInfo(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
    const std::string& path = *commandLine.viewer.infoFile;
    mesh::ImportOptions options;
    options.up = commandLine.up.value_or(mesh::UpAxis::automatic);
    Result<mesh::LoadedModel> loaded = mesh::loadModelFile(fsPath(bytesOf(path)), options);
    if (!loaded) {
        err << "kelpris: " << loaded.message() << '\n';
        return 1;
    }
    ViewState state;
    state.scene = std::make_shared<const Scena>(std::move(loaded->scene));
    if (commandLine.yaw) {
        state.yaw = wrapAngle(*commandLine.yaw);
    }
    if (commandLine.pitch) {
        state.pitch = clampPitch(*commandLine.pitch);
    }
    if (opensFitted(commandLine.fit, loaded->imported)) {
        requestFit(state.framing);
    }
    out << sceneInfo(state, path, commandLine.width.value_or(kRenderDefaultWidth),
                     commandLine.height.value_or(kRenderDefaultHeight));
    if (loaded->imported) {
        const std::string note = mesh::conversionNote(loaded->counts);
        out << "up axis: " << mesh::upAxisName(loaded->up) << '\n'
            << "conversion: " << (note.empty() ? "nothing left out" : note) << '\n';
    }
    return out ? 0 : 1;
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
    if (commandLine.viewer.infoFile) {
        return printSceneInfo(commandLine, std::cout, std::cerr);
    }

    // A named file that cannot be read ends the run before any window (or
    // display connection) exists.
    if (commandLine.file) {
        if (const FileStatus readable = checkRegularFile(*commandLine.file); !readable) {
            std::cerr << "kelpris: " << readable.message() << '\n';
            return 1;
        }
    }

    // --render needs no display.
    if (commandLine.writesPictures() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
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
