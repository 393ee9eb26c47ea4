#include "app/main_frame.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "app/file_names.h"
#include "view/qt/kelpr_view.h"

namespace kelpris {

namespace {

/// The first dropped local file, as the bytes of its name.
QByteArray firstLocalFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return nativeNameOfUrl(url);
        }
    }
    return {};
}

QString failureText(const QString& what, const FileStatus& status) {
    return what + QStringLiteral("\n\n") + QString::fromStdString(status.message());
}

}  // namespace

CMainFrame::CMainFrame(CKELPRDoc& document, RecentFileList& recent, Prompts& prompts,
                       QWidget* parent)
    : QMainWindow(parent), document_(document), recent_(recent), prompts_(prompts) {
    setAcceptDrops(true);
    buildMenus();
    updateRecentMenu();
    updateTitle();
    connect(&document_, &CKELPRDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(&document_, &CKELPRDoc::documentOpened, this, [this](const QByteArray& path) {
        recent_.add(path);
        updateRecentMenu();
        emit recentFilesChanged();
    });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::buildMenus() {
    const auto add = [this](QMenu* menu, Command id, const QString& text,
                            const QList<QKeySequence>& keys, const QString& tip) {
        QAction* a = menu != nullptr ? menu->addAction(text) : addAction(text);
        a->setShortcuts(keys);
        a->setStatusTip(tip);
        actions_[static_cast<std::size_t>(id)] = a;
        return a;
    };
    const auto inert = [&](QMenu* menu, Command id, const QString& text,
                           const QList<QKeySequence>& keys, const QString& tip) {
        // No handler anywhere: shown disabled, and its keys do nothing.
        add(menu, id, text, keys, tip)->setEnabled(false);
    };

    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    connect(add(fileMenu_, Command::FileNew, QStringLiteral("&New\tCtrl+N"),
                {QKeySequence(Qt::CTRL | Qt::Key_N)}, QStringLiteral("Create a new document")),
            &QAction::triggered, this, &CMainFrame::fileNew);
    connect(add(fileMenu_, Command::FileOpen, QStringLiteral("&Open...\tCtrl+O"),
                {QKeySequence(Qt::CTRL | Qt::Key_O)}, QStringLiteral("Open an existing document")),
            &QAction::triggered, this, &CMainFrame::fileOpen);
    connect(add(fileMenu_, Command::FileSave, QStringLiteral("&Save\tCtrl+S"),
                {QKeySequence(Qt::CTRL | Qt::Key_S)}, QStringLiteral("Save the active document")),
            &QAction::triggered, this, &CMainFrame::fileSave);
    connect(add(fileMenu_, Command::FileSaveAs, QStringLiteral("Save &As..."), {},
                QStringLiteral("Save the active document with a new name")),
            &QAction::triggered, this, &CMainFrame::fileSaveAs);
    fileMenu_->addSeparator();
    add(fileMenu_, Command::RecentPlaceholder, QStringLiteral("Recent File"), {},
        QStringLiteral("Open this document"))
        ->setEnabled(false);
    for (std::size_t i = 0; i < recentActions_.size(); ++i) {
        QAction* a = fileMenu_->addAction(QString());
        a->setStatusTip(QStringLiteral("Open this document"));
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] {
            // A failure has been told to the user already.
            static_cast<void>(openRecent(static_cast<int>(i)));
        });
        recentActions_[i] = a;
    }
    fileMenu_->addSeparator();
    connect(add(fileMenu_, Command::AppExit, QStringLiteral("E&xit"), {},
                QStringLiteral("Quit the application; prompts to save documents")),
            &QAction::triggered, this, &QWidget::close);

    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    inert(editMenu_, Command::EditUndo, QStringLiteral("&Undo\tCtrl+Z"),
          {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
          QStringLiteral("Undo the last action"));
    editMenu_->addSeparator();
    inert(editMenu_, Command::EditCut, QStringLiteral("Cu&t\tCtrl+X"),
          {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
          QStringLiteral("Cut the selection and put it on the Clipboard"));
    inert(editMenu_, Command::EditCopy, QStringLiteral("&Copy\tCtrl+C"),
          {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
          QStringLiteral("Copy the selection and put it on the Clipboard"));
    inert(editMenu_, Command::EditPaste, QStringLiteral("&Paste\tCtrl+V"),
          {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
          QStringLiteral("Insert Clipboard contents"));

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(add(helpMenu_, Command::AppAbout, QStringLiteral("&About KELPRIS..."), {},
                QStringLiteral("Display program information, version number and copyright")),
            &QAction::triggered, this, &CMainFrame::aboutRequested);

    // Keys without a menu item; inert like the Edit commands.
    inert(nullptr, Command::NextPane, QStringLiteral("Next Pane"), {QKeySequence(Qt::Key_F6)},
          QStringLiteral("Switch to the next window pane"));
    inert(nullptr, Command::PrevPane, QStringLiteral("Previous Pane"),
          {QKeySequence(Qt::SHIFT | Qt::Key_F6)},
          QStringLiteral("Switch back to the previous window pane"));
}

void CMainFrame::setView(CKELPRView* view) {
    view_ = view;
    setCentralWidget(view);
}

QAction& CMainFrame::action(Command command) const {
    return *actions_[static_cast<std::size_t>(command)];
}

QAction& CMainFrame::recentAction(int index) const {
    return *recentActions_.at(static_cast<std::size_t>(index));
}

bool CMainFrame::reportOpen(const FileStatus& status) {
    if (!status) {
        prompts_.error(this, failureText(QStringLiteral("The file could not be opened; the "
                                                        "model shown stays."),
                                         status));
        return false;
    }
    return true;
}

bool CMainFrame::reportSave(const FileStatus& status) {
    if (!status) {
        prompts_.error(this, failureText(QStringLiteral("The model could not be saved."), status));
        return false;
    }
    return true;
}

bool CMainFrame::openFile(const QByteArray& path) {
    return reportOpen(document_.openDocument(path));
}

bool CMainFrame::openFile(const QString& path) {
    return reportOpen(document_.openDocument(path));
}

bool CMainFrame::openRecent(int index) {
    if (index < 0 || index >= recent_.nativeEntries().size()) {
        return false;
    }
    const QByteArray path = recent_.nativeEntries().at(index);
    if (openFile(path)) {
        return true;
    }
    if (!std::filesystem::is_regular_file(fsPath(path))) {
        recent_.remove(path);
        updateRecentMenu();
        emit recentFilesChanged();
    }
    return false;
}

void CMainFrame::fileNew() {
    document_.newDocument();
    if (view_ != nullptr) {
        view_->updateView();  // as after Open: the repaint lays out again
    }
}

void CMainFrame::fileOpen() {
    const QString path = prompts_.openPath(this);
    if (!path.isEmpty()) {
        static_cast<void>(openFile(path));  // a failure is told to the user
    }
}

bool CMainFrame::fileSave() {
    if (document_.nativePath().isEmpty()) {
        return fileSaveAs();
    }
    if (!prompts_.confirmOverwrite(this, document_.path())) {
        return false;
    }
    return reportSave(document_.saveDocumentAs(document_.nativePath()));
}

bool CMainFrame::fileSaveAs() {
    const QString suggested =
        document_.path().isEmpty() ? QStringLiteral("untitled.dat") : document_.path();
    const QString path = prompts_.savePath(this, suggested);
    if (path.isEmpty()) {
        return false;
    }
    return reportSave(document_.saveDocumentAs(path));
}

void CMainFrame::updateRecentMenu() {
    const QStringList entries = recent_.entries();
    action(Command::RecentPlaceholder).setVisible(entries.isEmpty());
    for (std::size_t i = 0; i < recentActions_.size(); ++i) {
        QAction* a = recentActions_[i];
        const auto index = static_cast<int>(i);
        if (index < entries.size()) {
            a->setText(RecentFileList::menuText(index, entries.at(index)));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
}

void CMainFrame::updateTitle() {
    setWindowTitle(document_.title() + QStringLiteral(" - KELPRIS"));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!firstLocalFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QByteArray path = firstLocalFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    static_cast<void>(openFile(path));  // a failure is told to the user
}

}  // namespace kelpris
