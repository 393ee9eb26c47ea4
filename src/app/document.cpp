#include "app/document.h"

#include <string>

#include "app/file_names.h"
#include "import/model_export.h"
#include "scene/scene_writer.h"

namespace kelpris {

namespace {

FileStatus unrepresentable(const QString& path) {
    return FileStatus::failure(path.toStdString(), 0, kUnrepresentableName);
}

}  // namespace

CKELPRDoc::CKELPRDoc(QObject* parent) : QObject(parent) {}

FileStatus CKELPRDoc::openDocument(const QByteArray& path) {
    return adoptLoaded(path, mesh::loadModelFile(fsPath(path), importOptions_));
}

FileStatus CKELPRDoc::openDocument(const QString& path) {
    return isRepresentable(path) ? openDocument(nativeName(path)) : unrepresentable(path);
}

FileStatus CKELPRDoc::adoptLoaded(const QByteArray& path, Result<mesh::LoadedModel>&& loaded) {
    if (!loaded) {
        return loaded.status();
    }
    // Before the sink, which may ask how the model was read.
    imported_ = loaded->imported;
    upAxis_ = loaded->imported ? std::optional(loaded->up) : std::nullopt;
    if (sink_) {
        sink_(std::move(loaded->scene),
              loaded->imported ? ModelSource::Imported : ModelSource::SceneFile);
    } else {
        scene = std::make_shared<const Scena>(std::move(loaded->scene));
    }
    setPath(path);
    emit documentOpened(path_);
    if (const std::string note = mesh::conversionNote(loaded->counts); !note.empty()) {
        emit conversionNoted(QString::fromStdString(note));
    }
    return FileStatus::success(fsPath(path).string());
}

void CKELPRDoc::newDocument() {
    setPath(QByteArray());
}

bool CKELPRDoc::isSceneFile() const {
    return !path_.isEmpty() && !imported_ && !mesh::isImportedModel(fsPath(path_));
}

FileStatus CKELPRDoc::saveDocumentAs(const QByteArray& path) {
    if (scene == nullptr) {
        return FileStatus::failure(path.toStdString(), 0, "there is no model to save");
    }
    const std::filesystem::path name = fsPath(path);
    FileStatus status;
    const auto format = mesh::exportFormatFor(name);
    if (format) {
        status = mesh::exportScene(*scene, name, *format);
    } else if (mesh::isImportedModel(name)) {
        // A scene file under a model format's name would not open again.
        status = FileStatus::failure(name.string(), 0,
                                     "models can be saved only as .dat, .stl, .obj or .ply");
    } else {
        status = writeScene(*scene, name);
    }
    if (!status) {
        return status;
    }
    if (!format) {
        imported_ = false;  // the document is now the scene file just written
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
