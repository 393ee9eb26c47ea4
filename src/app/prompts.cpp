#include "app/prompts.h"

#include <QFileDialog>

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
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"));
}

QString QtPrompts::savePath(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggested);
}

}  // namespace kelpris
