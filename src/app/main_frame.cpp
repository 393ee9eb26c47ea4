#include "app/main_frame.h"

#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "app/background_load.h"
#include "app/file_names.h"
#include "app/picture_files.h"
#include "import/model_check.h"
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
    loader_ = new BackgroundLoad(  // owned through Qt parenting
        [this](std::uint64_t done, std::uint64_t total) { showLoadProgress(done, total); },
        [this](const QByteArray& path, Result<mesh::LoadedModel>&& result, bool cancelled) {
            backgroundLoadEnded(path, std::move(result), cancelled);
        },
        this);
    setAcceptDrops(true);
    buildMenus();
    updateRecentMenu();
    updateTitle();
    connect(&document_, &CKELPRDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(&document_, &CKELPRDoc::documentOpened, this, [this](const QByteArray& path) {
        recent_.add(path);
        updateRecentMenu();
        emit recentFilesChanged();
        if (QStatusBar* bar = findChild<QStatusBar*>()) {
            bar->clearMessage();  // a note of the model before
        }
    });
    connect(&document_, &CKELPRDoc::conversionNoted, this, &CMainFrame::showNote);
}

CMainFrame::~CMainFrame() {
    loader_->abandon();  // before the members its report would touch go
}

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
    fileMenu_->setToolTipsVisible(true);  // the whole name of a shortened recent entry
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

    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    buildUpAxisMenu();

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

void CMainFrame::buildUpAxisMenu() {
    QMenu* menu = viewMenu_->addMenu(QStringLiteral("&Up Axis"));
    auto* group = new QActionGroup(menu);  // owned by the menu
    const struct {
        mesh::UpAxis axis;
        const char* text;
    } items[] = {{mesh::UpAxis::automatic, "&Automatic (by format)"},
                 {mesh::UpAxis::x, "&X"},
                 {mesh::UpAxis::y, "&Y"},
                 {mesh::UpAxis::z, "&Z"}};
    for (const auto& item : items) {
        QAction* a = menu->addAction(QString::fromLatin1(item.text));
        a->setCheckable(true);
        a->setActionGroup(group);
        a->setStatusTip(item.axis == mesh::UpAxis::automatic
                            ? QStringLiteral("Up as models of the file's format usually have it: "
                                             "z for STL, y for OBJ, PLY and OFF")
                            : QStringLiteral("The axis that points up in models whose file "
                                             "does not say"));
        const mesh::UpAxis axis = item.axis;
        connect(a, &QAction::triggered, this, [this, axis] { chooseUpAxis(axis); });
        upAxisActions_[static_cast<std::size_t>(axis)] = a;
    }
    setUpAxis(document_.importOptions().up);
}

QAction& CMainFrame::upAxisAction(mesh::UpAxis axis) const {
    return *upAxisActions_[static_cast<std::size_t>(axis)];
}

void CMainFrame::setUpAxis(mesh::UpAxis axis) {
    document_.importOptions().up = axis;
    upAxisAction(axis).setChecked(true);
}

void CMainFrame::chooseUpAxis(mesh::UpAxis axis) {
    const bool changed = document_.importOptions().up != axis;
    setUpAxis(axis);
    if (!changed) {
        return;
    }
    emit upAxisChanged(axis);
    if (loading()) {
        // The model on its way was asked for with the old axis.
        static_cast<void>(openPath(loadingPath_, loadFromRecent_));
    } else if (document_.isImported() && !document_.nativePath().isEmpty()) {
        static_cast<void>(openFile(document_.nativePath()));  // a failure is told to the user
    }
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
    return openPath(path, false);
}

bool CMainFrame::openFile(const QString& path) {
    if (!isRepresentable(path)) {
        return reportOpen(document_.openDocument(path));  // says why it cannot
    }
    return openPath(nativeName(path), false);
}

bool CMainFrame::openRecent(int index) {
    if (index < 0 || index >= recent_.nativeEntries().size()) {
        return false;
    }
    return openPath(recent_.nativeEntries().at(index), true);
}

bool CMainFrame::openPath(const QByteArray& path, bool fromRecent) {
    // The newest open wins: a load still running would replace its model.
    loader_->abandon();
    progress_.reset();
    if (mesh::isImportedModel(fsPath(path))) {
        startBackgroundLoad(path, fromRecent);
        return true;
    }
    if (reportOpen(explainOpenFailure(document_.openDocument(path), path))) {
        return true;
    }
    if (fromRecent) {
        forgetIfGone(path);
    }
    return false;
}

void CMainFrame::forgetIfGone(const QByteArray& path) {
    if (!std::filesystem::is_regular_file(fsPath(path))) {
        recent_.remove(path);
        updateRecentMenu();
        emit recentFilesChanged();
    }
}

bool CMainFrame::loading() const {
    return loader_->running();
}

void CMainFrame::startBackgroundLoad(const QByteArray& path, bool fromRecent) {
    loadFromRecent_ = fromRecent;
    loadingPath_ = path;
    const std::string name = fsPath(path).filename().string();
    const QString shown = shownName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    progress_ = std::make_unique<QProgressDialog>(QStringLiteral("Opening %1...").arg(shown),
                                                  QStringLiteral("Cancel"), 0, 0, this);
    progress_->setWindowTitle(QStringLiteral("KELPRIS"));
    // Not modal: a modal dialog would run the event loop inside setValue.
    progress_->setWindowModality(Qt::NonModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(kProgressDelayMs);
    progress_->setValue(0);
    connect(progress_.get(), &QProgressDialog::canceled, this, [this] { loader_->cancel(); });
    loader_->start(path, document_.importOptions());
}

void CMainFrame::showLoadProgress(std::uint64_t done, std::uint64_t total) {
    if (!progress_ || total == 0) {
        return;
    }
    constexpr int kSteps = 1000;
    progress_->setMaximum(kSteps);
    progress_->setValue(static_cast<int>(std::min(done, total) * kSteps / total));
}

void CMainFrame::backgroundLoadEnded(const QByteArray& path, Result<mesh::LoadedModel>&& result,
                                     bool cancelled) {
    progress_.reset();
    if (cancelled) {
        showNote(QStringLiteral("Opening %1 was cancelled; the model shown stays.")
                     .arg(shownName(path)));
        return;
    }
    if (!reportOpen(explainOpenFailure(document_.adoptLoaded(path, std::move(result)), path)) &&
        loadFromRecent_) {
        forgetIfGone(path);
    }
}

void CMainFrame::showNote(const QString& text) {
    statusBar()->showMessage(text);
}

void CMainFrame::fileNew() {
    loader_->abandon();
    progress_.reset();
    document_.newDocument();
    if (QStatusBar* bar = findChild<QStatusBar*>()) {
        bar->clearMessage();  // a note of the model before
    }
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
    // Only a scene file is written in place; anything else gets a new name.
    if (!document_.isSceneFile()) {
        return fileSaveAs();
    }
    if (!prompts_.confirmOverwrite(this, document_.path())) {
        return false;
    }
    return reportSave(document_.saveDocumentAs(document_.nativePath()));
}

bool CMainFrame::fileSaveAs() {
    QString suggested =
        document_.path().isEmpty() ? QStringLiteral("untitled.dat") : document_.path();
    if (!document_.nativePath().isEmpty() && !document_.isSceneFile()) {
        const std::string dat = fsPath(document_.nativePath()).replace_extension(".dat").string();
        suggested = shownName(QByteArray(dat.data(), static_cast<qsizetype>(dat.size())));
    }
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
            const QFontMetrics metrics = fileMenu_->fontMetrics();
            const QString shown = metrics.elidedText(entries.at(index), Qt::ElideMiddle,
                                                     metrics.averageCharWidth() * kRecentNameChars);
            a->setText(RecentFileList::menuText(index, shown));
            a->setToolTip(entries.at(index));
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
