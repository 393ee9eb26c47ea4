#include "app/prompts.h"

#include <QFileDialog>
#include <QFileInfo>

#include "import/model_check.h"

namespace kelpris {

namespace {
const QString kTitle = QStringLiteral("KELPRIS");
}

void QtPrompts::error(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, kTitle, text);
}

void QtPrompts::notice(QWidget* parent, const QString& text) {
    if (!noticeBox_) {
        noticeBox_ =
            std::make_unique<QMessageBox>(QMessageBox::Warning, kTitle, QString(), QMessageBox::Ok);
        noticeBox_->setWindowModality(Qt::NonModal);
        // A notice left open must not keep the program running after the
        // main window has closed.
        noticeBox_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    noticeBox_->setText(text);
    if (parent != nullptr) {
        const QRect area = parent->frameGeometry();
        noticeBox_->adjustSize();
        noticeBox_->move(area.center() - noticeBox_->rect().center());
    }
    noticeBox_->show();
    noticeBox_->raise();
}

bool QtPrompts::confirmOverwrite(QWidget* parent, const QString& path) {
    const auto answer = QMessageBox::question(
        parent, kTitle,
        QStringLiteral("Replace %1 with the model shown?").arg(QDir::toNativeSeparators(path)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

QString QtPrompts::openPath(QWidget* parent) {
    const QStringList filters = openFilters();
    // Every file it can open is shown at first: the scene files and the models.
    QString selected = filters.at(1);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                        filters.join(QStringLiteral(";;")), &selected);
}

QString QtPrompts::savePath(QWidget* parent, const QString& suggested) {
    QString filter = saveFilters().front();  // a scene file unless the user picks another
    const QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggested,
                                     saveFilters().join(QStringLiteral(";;")), &filter);
    return withFilterExtension(path, filter);
}

QStringList openFilters() {
    return {
        QStringLiteral("Scene files (*.dat)"),
        QStringLiteral("3D models (%1)").arg(QString::fromStdString(mesh::openDialogPatterns())),
        QStringLiteral("All files (*)")};
}

QStringList saveFilters() {
    return {QStringLiteral("Scene files (*.dat)"), QStringLiteral("STL models (*.stl)"),
            QStringLiteral("OBJ models (*.obj)"), QStringLiteral("PLY models (*.ply)")};
}

QString withFilterExtension(const QString& path, const QString& filter) {
    const qsizetype star = filter.indexOf(QStringLiteral("(*."));
    if (path.isEmpty() || star < 0 || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    const qsizetype close = filter.indexOf(QLatin1Char(')'), star);
    return path + filter.mid(star + 2, close < 0 ? -1 : close - star - 2);
}

}  // namespace kelpris
