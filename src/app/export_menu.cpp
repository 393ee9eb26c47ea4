#include "app/export_menu.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QSpinBox>
#include <tuple>
#include <utility>

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

std::optional<ExportRequest> askExport(QWidget* parent, bool pair, QSize windowSize,
                                       const QString& folder) {
    QDialog dialog(parent);
    dialog.setWindowTitle(pair ? QStringLiteral("Export Stereo Pair")
                               : QStringLiteral("Export Picture"));
    auto* form = new QFormLayout(&dialog);  // owned by the dialog
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* box : {width, height}) {
        box->setRange(1, 10000);
        box->setSuffix(QStringLiteral(" px"));
    }
    width->setValue(windowSize.width());
    height->setValue(windowSize.height());
    form->addRow(QStringLiteral("&Width:"), width);
    form->addRow(QStringLiteral("&Height:"), height);
    QComboBox* layout = nullptr;
    if (pair) {
        layout = new QComboBox(&dialog);
        layout->addItem(QStringLiteral("Two pictures (NAME-left.png, NAME-right.png)"));
        layout->addItem(QStringLiteral("Side by side in one picture (left eye left)"));
        form->addRow(QStringLiteral("&Pictures:"), layout);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    ExportRequest request;
    request.size = QSize(width->value(), height->value());
    request.sideBySide = layout != nullptr && layout->currentIndex() == 1;
    const QString name =
        pair && !request.sideBySide ? QStringLiteral("stereo.png") : QStringLiteral("picture.png");
    const QString path = QFileDialog::getSaveFileName(
        parent, dialog.windowTitle(), folder.isEmpty() ? name : QDir(folder).filePath(name),
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

}  // namespace

ExportMenu::ExportMenu(CMainFrame& frame, CKELPRView& view, Prompts& prompts)
    : QObject(&frame),
      frame_(frame),
      view_(view),
      prompts_(prompts),
      asker_([this](bool pair, QSize size, const QString& folder) {
          return askExport(&frame_, pair, size, folder);
      }) {
    // After Save As, before the recent files.
    QMenu& file = frame_.fileMenu();
    const QList<QAction*> fileItems = file.actions();
    const qsizetype saveAs = fileItems.indexOf(&frame_.action(Command::FileSaveAs));
    QAction* before =
        saveAs >= 0 && saveAs + 1 < fileItems.size() ? fileItems.at(saveAs + 1) : nullptr;
    picture_ = new QAction(QStringLiteral("Export P&icture..."), &frame_);
    pair_ = new QAction(QStringLiteral("Export Stereo &Pair..."), &frame_);
    file.insertSeparator(before);
    file.insertAction(before, picture_);
    file.insertAction(before, pair_);
    connect(picture_, &QAction::triggered, this, [this] { run(false); });
    connect(pair_, &QAction::triggered, this, [this] { run(true); });
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
    const FileStatus exported = pair ? exportStereoPair(*request) : exportPicture(*request);
    if (exported) {
        const QString folder = QFileInfo(request->path).absolutePath();
        if (folder != folder_) {
            folder_ = folder;
            emit folderChanged();
        }
    } else {
        const QString what = pair ? QStringLiteral("The stereo pair could not be exported.")
                                  : QStringLiteral("The picture could not be exported.");
        prompts_.error(&frame_,
                       what + QStringLiteral("\n\n") + QString::fromStdString(exported.message()));
    }
}

}  // namespace kelpris
