#include "app/document.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "scene/scene_writer.h"

namespace kelpris {

namespace {

std::filesystem::path toFsPath(const QString& path) {
    // Narrow, locally encoded name: what the C library opens.
    const QByteArray encoded = QFile::encodeName(path);
    return std::filesystem::path(std::string(encoded.constData(), encoded.size()));
}

}  // namespace

CKELPRDoc::CKELPRDoc(QObject* parent) : QObject(parent) {}

FileStatus CKELPRDoc::openDocument(const QString& path) {
    if (!sink_ && scene == nullptr) {
        return FileStatus::failure(path.toStdString(), 0, "no view to show the model in");
    }
    Scena fresh;
    FileStatus status = fresh.load(toFsPath(path));
    if (!status) {
        return status;
    }
    if (sink_) {
        sink_(std::move(fresh));
    } else {
        *scene = std::move(fresh);
    }
    setPath(path);
    emit documentOpened(path_);
    return status;
}

void CKELPRDoc::newDocument() {
    setPath(QString());
}

FileStatus CKELPRDoc::saveDocumentAs(const QString& path) {
    if (scene == nullptr) {
        return FileStatus::failure(path.toStdString(), 0, "there is no model to save");
    }
    FileStatus status = writeScene(*scene, toFsPath(path));
    if (!status) {
        return status;
    }
    setPath(path);
    emit documentOpened(path_);
    return status;
}

QString CKELPRDoc::title() const {
    return path_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName();
}

void CKELPRDoc::setPath(const QString& path) {
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    emit titleChanged(title());
}

}  // namespace kelpris
