#pragma once
// The main window: menus and keys, the view as its only content, the window
// title, dropped files, and the File commands.

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <array>
#include <memory>

#include "app/document.h"
#include "app/prompts.h"
#include "app/recent_files.h"

namespace kelpris {

class CKELPRView;
class BackgroundLoad;

/// How long a load runs before its progress dialog appears.
inline constexpr int kProgressDelayMs = 500;
/// The widest a recent file's name is shown in the File menu, in average
/// characters of the menu's font.
inline constexpr int kRecentNameChars = 60;

/// Every command of the menus and keys.
enum class Command {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    RecentPlaceholder,  ///< disabled "Recent File" while the list is empty
    AppExit,
    EditUndo,
    EditCut,
    EditCopy,
    EditPaste,
    AppAbout,
    NextPane,
    PrevPane,
};

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    /// `document`, `recent` and `prompts` must outlive the frame.
    CMainFrame(CKELPRDoc& document, RecentFileList& recent, Prompts& prompts,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    /// Makes `view` the window's content (the frame owns it from then on).
    void setView(CKELPRView* view);
    CKELPRView* view() const { return view_; }

    QAction& action(Command command) const;
    /// The recent-file entries of the File menu; only the first
    /// recent.entries().size() are visible.
    QAction& recentAction(int index) const;
    QMenu& fileMenu() const { return *fileMenu_; }
    QMenu& editMenu() const { return *editMenu_; }
    QMenu& viewMenu() const { return *viewMenu_; }
    QMenu& helpMenu() const { return *helpMenu_; }
    /// The View > Up Axis item for `axis`.
    QAction& upAxisAction(mesh::UpAxis axis) const;

    /// Opens `path` through the document; on failure tells the user and keeps
    /// the model shown. Returns whether the file was opened. A model read
    /// through the importer loads on a worker thread instead: this returns
    /// true once the load has started, a progress dialog with Cancel appears
    /// if it takes longer than kProgressDelayMs, and the model replaces the
    /// one shown only when it has arrived whole. Any open (or New) stops a
    /// load still running, whose outcome is then dropped.
    [[nodiscard]] bool openFile(const QByteArray& path);
    [[nodiscard]] bool openFile(const QString& path);
    /// Opens recent entry `index`. An entry whose file is gone is dropped
    /// from the list after the user has been told.
    [[nodiscard]] bool openRecent(int index);

    /// Whether a model is loading in the background.
    bool loading() const;
    /// The progress dialog of the running load; null when none runs.
    QProgressDialog* progressDialog() const { return progress_.get(); }

    /// The up axis for models whose file states none: checks its View menu
    /// item and tells the document; reloads nothing.
    void setUpAxis(mesh::UpAxis axis);

    /// File New: the document becomes untitled; the model, the angles and the
    /// screen stay, and the view is updated as after Open.
    void fileNew();
    void fileOpen();
    /// Save: writes to the document's file after the user agrees to replace
    /// it; a document that is no scene file (untitled, or a model imported
    /// from another format) goes to fileSaveAs(), which then suggests a scene
    /// file. Returns whether written.
    [[nodiscard]] bool fileSave();
    [[nodiscard]] bool fileSaveAs();

    /// Rebuilds the recent-file entries of the File menu from the list. A
    /// long name is shortened in the middle to kRecentNameChars average
    /// characters; the whole name is the entry's tool tip.
    void updateRecentMenu();
    /// Window title "<document title> - KELPRIS".
    void updateTitle();

  signals:
    void aboutRequested();
    /// The recent list changed and should be stored.
    void recentFilesChanged();
    /// The user chose another up axis; to be remembered.
    void upAxisChanged(mesh::UpAxis axis);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildMenus();
    void buildUpAxisMenu();
    /// View > Up Axis: remembers the choice and reloads an imported model
    /// (or restarts the load on its way).
    void chooseUpAxis(mesh::UpAxis axis);
    [[nodiscard]] bool openPath(const QByteArray& path, bool fromRecent);
    void startBackgroundLoad(const QByteArray& path, bool fromRecent);
    void showLoadProgress(std::uint64_t done, std::uint64_t total);
    void backgroundLoadEnded(const QByteArray& path, Result<mesh::LoadedModel>&& result,
                             bool cancelled);
    /// Drops a recent entry whose file is gone, after a failed open.
    void forgetIfGone(const QByteArray& path);
    /// A short message in the status line, which never blocks.
    void showNote(const QString& text);
    /// Tells the user about a failed open; whether `status` was a success.
    [[nodiscard]] bool reportOpen(const FileStatus& status);
    /// Tells the user about a failed save; whether `status` was a success.
    [[nodiscard]] bool reportSave(const FileStatus& status);

    CKELPRDoc& document_;
    RecentFileList& recent_;
    Prompts& prompts_;
    CKELPRView* view_ = nullptr;  // child widget, owned through Qt parenting

    QMenu* fileMenu_ = nullptr;  // owned by the menu bar
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    std::array<QAction*, 13> actions_{};  // indexed by Command; owned by menus/frame
    std::array<QAction*, RecentFileList::kDefaultCapacity> recentActions_{};
    std::array<QAction*, 4> upAxisActions_{};  // x, y, z, automatic; owned by the View menu

    BackgroundLoad* loader_ = nullptr;  // child object
    std::unique_ptr<QProgressDialog> progress_;
    bool loadFromRecent_ = false;
    QByteArray loadingPath_;
};

}  // namespace kelpris
