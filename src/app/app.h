#pragma once
// The application: start-up (settings, the recent-file list, document, frame
// and view, the command line), the About command, and rendering to a PNG
// without a window.

#include <QObject>
#include <QSize>
#include <memory>
#include <ostream>

#include "app/command_line.h"
#include "app/document.h"
#include "app/prompts.h"
#include "app/recent_files.h"
#include "app/settings_access.h"

class QIcon;

namespace kelpris {

class CMainFrame;
class CKELPRView;
class ExportMenu;
class ViewMenu;

inline constexpr const char* kOrganisationName = "Local AppWizard-Generated Applications";
inline constexpr const char* kApplicationName = "KELPRIS";

/// Drawing area used when --size is not given.
inline constexpr int kWindowDefaultWidth = 800;
inline constexpr int kWindowDefaultHeight = 600;
inline constexpr int kRenderDefaultWidth = 640;
inline constexpr int kRenderDefaultHeight = 480;

/// The application icon in all its sizes.
QIcon applicationIcon();

class CKELPRApp : public QObject {
    Q_OBJECT

  public:
    /// `prompts` answers for the user (QtPrompts when running for real).
    explicit CKELPRApp(std::unique_ptr<Prompts> prompts = std::make_unique<QtPrompts>());
    ~CKELPRApp() override;

    struct Outcome {
        bool runEventLoop = false;  ///< the window is up; run the event loop
        int exitCode = 0;           ///< otherwise: exit with this status
    };

    /// Start-up for a parsed command line whose action is Run. Needs a
    /// QApplication. Sets the application and organisation names, loads the
    /// recent list from the settings, creates the document, the frame and the
    /// view, shows dom.dat from the working directory in it, then opens FILE
    /// if given and applies the angles and the screen.
    ///
    /// With --render (or another picture option): paints without a window,
    /// writes the pictures and returns {false, 0}; any failure (FILE not
    /// readable or broken, a picture not writable) returns {false, 1} with
    /// the reason on `err` and no such picture.
    /// Without them: a FILE that cannot be read returns {false, 1} with
    /// the reason on `err` and no window; otherwise the window is shown,
    /// a broken FILE or a missing dom.dat is told to the user once it is up,
    /// and {true, 0} is returned. A FILE read through the importer loads in
    /// the background once the window is up, as from File > Open.
    [[nodiscard]] Outcome initInstance(const CommandLine& commandLine, std::ostream& err);

    CMainFrame* mainFrame() const { return frame_.get(); }
    /// The outcome of loading dom.dat at start-up.
    const FileStatus& startupLoadStatus() const { return startupStatus_; }
    CKELPRView* view() const { return view_; }
    CKELPRDoc& document() { return document_; }
    RecentFileList& recentFiles() { return recent_; }
    /// The View menu with its status bar and keys; null when rendering.
    ViewMenu* viewMenu() const { return viewMenu_; }
    /// File > Export; null when rendering.
    ExportMenu* exportMenu() const { return exportMenu_; }

    /// Help > About: the About box, modal, over the main window.
    void onAppAbout();

  private:
    /// What start-up has to tell the user once the window is up.
    struct StartupMessages {
        bool fileOpened = false;  ///< FILE replaced the dom.dat model
        QByteArray loadLater;     ///< FILE, a model to load once the window is up
        QString error;            ///< FILE was readable but broken
        QString notice;           ///< dom.dat missing or broken
    };

    void setUpApplication();
    void createWindows(bool rendering);
    /// Loads dom.dat from the working directory into the view; an empty
    /// scene when it cannot be loaded (the status says why).
    void loadStartupModel();
    QMetaObject::Connection reportSortFailures(bool rendering, std::ostream& err);
    void applyAngles(const CommandLine& commandLine);
    /// Opens FILE, if given. False when the run must end (status 1, the
    /// reason on `err`): FILE cannot be read, or is broken with --render.
    [[nodiscard]] bool openCommandLineFile(const CommandLine& commandLine, std::ostream& err,
                                           StartupMessages& messages);
    void showMainWindow(const CommandLine& commandLine);
    void showStartupMessages(const StartupMessages& messages);
    Outcome render(const CommandLine& commandLine, std::ostream& err);
    /// --render-turntable at the drawing area `size`; false (with the
    /// reason on `err`) when the GIF cannot be written.
    bool writeTurntableFile(const TurntableFlags& flags, QSize size, std::ostream& err);
    /// The options from the settings (not when rendering, so pictures
    /// written from the command line never depend on them) and the command
    /// line; then, for a window, the View menu, File > Export and Help >
    /// Keys and Handles.
    void setUpViewOptions(const CommandLine& commandLine, bool rendering);
    void saveRecentFiles() const;
    void saveViewOptions() const;

    /// Shows a loaded model in the view, fitted when fitOnOpen_ says so.
    void showScene(Scena&& scene, bool imported);

    std::unique_ptr<Prompts> prompts_;
    FitOnOpen fitOnOpen_ = FitOnOpen::Imported;  ///< --fit, --no-fit
    FileStatus startupStatus_;
    SettingsAccess settings_;  ///< checked at start-up
    CKELPRDoc document_;
    RecentFileList recent_;
    std::unique_ptr<CMainFrame> frame_;  // destroyed first: it holds the view
    CKELPRView* view_ = nullptr;         // owned by frame_
    ViewMenu* viewMenu_ = nullptr;       // owned by frame_
    ExportMenu* exportMenu_ = nullptr;   // owned by frame_
};

/// The --info report: loads `commandLine.viewer.infoFile` and writes its
/// counts, centre, bounding box and parallax range to `out`. A file that
/// cannot be loaded gives status 1 with the reason on `err`.
int printSceneInfo(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

/// The whole program for main(): parses the command line, answers --help,
/// --version, --info and errors (status 2) without a GUI, selects the
/// off-screen platform for the picture options, then runs the application.
int runKelpris(int argc, char** argv);

}  // namespace kelpris
