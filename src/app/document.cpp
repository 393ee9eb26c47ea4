#include "app/document.h"

#include <string>

#include "app/file_names.h"
#include "scene/scene_writer.h"

namespace kelpris {

namespace {

FileStatus unrepresentable(const QString& path) {
    return FileStatus::failure(path.toStdString(), 0, kUnrepresentableName);
}

}  // namespace

CKELPRDoc::CKELPRDoc(QObject* parent) : QObject(parent) {}

FileStatus CKELPRDoc::openDocument(const QByteArray& path) {
    if (!sink_ && scene == nullptr) {
        return FileStatus::failure(path.toStdString(), 0, "no view to show the model in");
    }
    Scena fresh;
    FileStatus status = fresh.load(fsPath(path));
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

FileStatus CKELPRDoc::openDocument(const QString& path) {
    return isRepresentable(path) ? openDocument(nativeName(path)) : unrepresentable(path);
}

void CKELPRDoc::newDocument() {
    setPath(QByteArray());
}

FileStatus CKELPRDoc::saveDocumentAs(const QByteArray& path) {
    if (scene == nullptr) {
        return FileStatus::failure(path.toStdString(), 0, "there is no model to save");
    }
    FileStatus status = writeScene(*scene, fsPath(path));
    if (!status) {
        return status;
    }
    setPath(path);
    emit documentOpened(path_);
    return status;
}

FileStatus CKELPRDoc::saveDocumentAs(const QString& path) {
    return isRepresentable(path) ? saveDocumentAs(nativeName(path)) : unrepresentable(path);
}

QString CKELPRDoc::title() const {
    if (path_.isEmpty()) {
        return QStringLiteral("Untitled");
    }
    const std::string name = fsPath(path_).filename().string();
    return shownName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

QString CKELPRDoc::path() const {
    return shownName(path_);
}

void CKELPRDoc::setPath(const QByteArray& path) {
    path_ = absoluteName(path);
    emit titleChanged(title());
}

}  // namespace kelpris
