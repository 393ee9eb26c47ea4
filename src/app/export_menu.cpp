#include "app/export_menu.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QProgressDialog>
#include <QSpinBox>
#include <tuple>
#include <utility>

#include "app/file_names.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "view/qt/kelpr_view.h"
#include "view/qt/picture_export.h"

namespace kelpris {

namespace {

/// NAME.png -> NAME-left.png and NAME-right.png, beside it.
std::pair<QString, QString> pairPaths(const QString& path) {
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName());
    return {stem + QStringLiteral("-left.png"), stem + QStringLiteral("-right.png")};
}

struct SizeRows {
    QSpinBox* width;
    QSpinBox* height;
};

// Width and height of the pictures, starting at the window's.
SizeRows addSizeRows(QDialog& dialog, QFormLayout& form, QSize windowSize) {
    auto* width = new QSpinBox(&dialog);  // owned by the dialog
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* box : {width, height}) {
        box->setRange(1, 10000);
        box->setSuffix(QStringLiteral(" px"));
    }
    width->setValue(windowSize.width());
    height->setValue(windowSize.height());
    form.addRow(QStringLiteral("&Width:"), width);
    form.addRow(QStringLiteral("&Height:"), height);
    return {width, height};
}

bool accepted(QDialog& dialog, QFormLayout& form) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form.addRow(buttons);
    return dialog.exec() == QDialog::Accepted;
}

// `name` in the folder last exported to, if any.
QString suggestedPath(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

std::optional<ExportRequest> askExport(QWidget* parent, bool pair, QSize windowSize,
                                       const QString& folder) {
    QDialog dialog(parent);
    dialog.setWindowTitle(pair ? QStringLiteral("Export Stereo Pair")
                               : QStringLiteral("Export Picture"));
    auto* form = new QFormLayout(&dialog);  // owned by the dialog
    const SizeRows size = addSizeRows(dialog, *form, windowSize);
    QComboBox* layout = nullptr;
    if (pair) {
        layout = new QComboBox(&dialog);
        layout->addItem(QStringLiteral("Two pictures (NAME-left.png, NAME-right.png)"));
        layout->addItem(QStringLiteral("Side by side in one picture (left eye left)"));
        form->addRow(QStringLiteral("&Pictures:"), layout);
    }
    if (!accepted(dialog, *form)) {
        return std::nullopt;
    }
    ExportRequest request;
    request.size = QSize(size.width->value(), size.height->value());
    request.sideBySide = layout != nullptr && layout->currentIndex() == 1;
    const QString name =
        pair && !request.sideBySide ? QStringLiteral("stereo.png") : QStringLiteral("picture.png");
    const QString path =
        QFileDialog::getSaveFileName(parent, dialog.windowTitle(), suggestedPath(folder, name),
                                     QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    request.path = path;
    if (pair && !request.sideBySide) {
        std::tie(request.path, request.rightPath) = pairPaths(path);
    }
    return request;
}

std::optional<TurntableExportRequest> askTurntable(QWidget* parent, QSize windowSize,
                                                   const QString& folder) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export Turntable"));
    auto* form = new QFormLayout(&dialog);  // owned by the dialog
    const SizeRows size = addSizeRows(dialog, *form, windowSize);
    auto* frames = new QSpinBox(&dialog);
    frames->setRange(1, kMaxTurntableFrames);
    frames->setValue(TurntableRequest{}.frames);
    form->addRow(QStringLiteral("&Frames:"), frames);
    auto* degrees = new QDoubleSpinBox(&dialog);
    degrees->setDecimals(1);
    degrees->setRange(0.1, static_cast<double>(kFullTurnDegrees));
    degrees->setValue(static_cast<double>(kFullTurnDegrees));
    degrees->setSuffix(QStringLiteral("\u00B0"));
    form->addRow(QStringLiteral("&Turn:"), degrees);
    if (!accepted(dialog, *form)) {
        return std::nullopt;
    }
    TurntableExportRequest request;
    request.turntable.size = QSize(size.width->value(), size.height->value());
    request.turntable.frames = frames->value();
    request.turntable.degrees = static_cast<float>(degrees->value());
    request.path = QFileDialog::getSaveFileName(
        parent, dialog.windowTitle(), suggestedPath(folder, QStringLiteral("turntable.gif")),
        QStringLiteral("GIF animations (*.gif)"));
    if (request.path.isEmpty()) {
        return std::nullopt;
    }
    return request;
}

}  // namespace

ExportMenu::ExportMenu(CMainFrame& frame, CKELPRView& view, Prompts& prompts)
    : QObject(&frame),
      frame_(frame),
      view_(view),
      prompts_(prompts),
      asker_([this](bool pair, QSize size, const QString& folder) {
          return askExport(&frame_, pair, size, folder);
      }),
      turntableAsker_([this](QSize size, const QString& folder) {
          return askTurntable(&frame_, size, folder);
      }) {
    // After Save As, before the recent files.
    QMenu& file = frame_.fileMenu();
    const QList<QAction*> fileItems = file.actions();
    const qsizetype saveAs = fileItems.indexOf(&frame_.action(Command::FileSaveAs));
    QAction* before =
        saveAs >= 0 && saveAs + 1 < fileItems.size() ? fileItems.at(saveAs + 1) : nullptr;
    picture_ = new QAction(QStringLiteral("Export P&icture..."), &frame_);
    pair_ = new QAction(QStringLiteral("Export Stereo &Pair..."), &frame_);
    turntable_ = new QAction(QStringLiteral("Export &Turntable..."), &frame_);
    file.insertSeparator(before);
    file.insertAction(before, picture_);
    file.insertAction(before, pair_);
    file.insertAction(before, turntable_);
    connect(picture_, &QAction::triggered, this, [this] { run(false); });
    connect(pair_, &QAction::triggered, this, [this] { run(true); });
    connect(turntable_, &QAction::triggered, this, &ExportMenu::runTurntable);
}

FileStatus ExportMenu::exportPicture(const ExportRequest& request) {
    const QImage shown = view_.currentImage();
    return writePng(request.size == shown.size() ? shown : view_.renderScreenAt(request.size),
                    request.path);
}

FileStatus ExportMenu::exportStereoPair(const ExportRequest& request) {
    std::optional<QSize> size;
    if (request.size != view_.currentImage().size()) {
        size = request.size;
    }
    const QImage left = view_.renderEye(Eye::Left, size);
    const QImage right = view_.renderEye(Eye::Right, size);
    if (request.sideBySide) {
        return writePng(sideBySide(left, right), request.path);
    }
    if (FileStatus written = writePng(left, request.path); !written) {
        return written;
    }
    return writePng(right, request.rightPath);
}

void ExportMenu::run(bool pair) {
    view_.setSpinning(false);
    const std::optional<ExportRequest> request = asker_(pair, view_.currentImage().size(), folder_);
    if (!request) {
        return;
    }
    const FileStatus written = pair ? exportStereoPair(*request) : exportPicture(*request);
    if (written) {
        exported(request->path);
    } else {
        const QString what = pair ? QStringLiteral("The stereo pair could not be exported.")
                                  : QStringLiteral("The picture could not be exported.");
        prompts_.error(&frame_,
                       what + QStringLiteral("\n\n") + QString::fromStdString(written.message()));
    }
}

void ExportMenu::exported(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (folder != folder_) {
        folder_ = folder;
        emit folderChanged();
    }
}

std::optional<FileStatus> ExportMenu::exportTurntable(const TurntableExportRequest& request) {
    if (frame_.loading()) {
        return FileStatus::failure(request.path.toStdString(), 0,
                                   "a model is still being opened; export the animation once it "
                                   "is shown");
    }
    QProgressDialog progress(QStringLiteral("Drawing the frames of the animation..."),
                             QStringLiteral("Cancel"), 0, request.turntable.frames, &frame_);
    progress.setWindowTitle(QStringLiteral("KELPRIS"));
    // Modal, so that nothing turns or changes the view between two frames;
    // each setValue lets the events (and Cancel) through.
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setValue(0);
    const std::optional<FileStatus> written =
        writeTurntable(view_, request.turntable, fsPath(QFile::encodeName(request.path)),
                       [&progress](int done, int) {
                           progress.setValue(done);
                           return !progress.wasCanceled();
                       });
    // The frames were paints: paint the view again, so that the sort report
    // describes the picture shown.
    view_.updateView();
    return written;
}

void ExportMenu::runTurntable() {
    view_.setSpinning(false);
    const std::optional<TurntableExportRequest> request =
        turntableAsker_(view_.currentImage().size(), folder_);
    if (!request) {
        return;
    }
    const std::optional<FileStatus> written = exportTurntable(*request);
    if (written && *written) {
        exported(request->path);
    } else if (written) {
        prompts_.error(&frame_, QStringLiteral("The animation could not be exported.\n\n") +
                                    QString::fromStdString(written->message()));
    }
}

}  // namespace kelpris
