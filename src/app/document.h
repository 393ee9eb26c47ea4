#pragma once
// The document: a name for the model shown and the operations that replace
// or store it. The view owns the model shown and shares it, read-only, with
// the document (SceneHolder), which saves it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "import/model_loader.h"
#include "scene/scena.h"
#include "view/scene_holder.h"
#include "view/view_options.h"

namespace kelpris {

class CKELPRDoc : public QObject, public SceneHolder {
    Q_OBJECT

  public:
    /// Receives a freshly loaded scene to show in place of the current one,
    /// with where it came from.
    using SceneSink = std::function<void(Scena&& fresh, ModelSource source)>;

    explicit CKELPRDoc(QObject* parent = nullptr);

    /// The model shown, as the view shares it.
    std::shared_ptr<const Scena> scene;

    void setScene(std::shared_ptr<const Scena> s) override { scene = std::move(s); }

    /// Where openDocument() delivers a loaded scene (the view's replaceScene).
    /// Without a sink the document keeps it as `scene`.
    void setSceneSink(SceneSink sink) { sink_ = std::move(sink); }

    /// How model files other than scene files are read (up axis, importer).
    mesh::ImportOptions& importOptions() { return importOptions_; }

    /// Loads `path` (the name's bytes, used as they are) through
    /// loadModelFile, in this thread, and shows it with adoptLoaded().
    [[nodiscard]] FileStatus openDocument(const QByteArray& path);
    /// The same for a name given as text; fails, saying so, when the text
    /// cannot stand for the real name (see isRepresentable).
    [[nodiscard]] FileStatus openDocument(const QString& path);

    /// Shows a finished load of `path`: on success hands the scene to the
    /// sink, takes the file's name as the document title, emits
    /// documentOpened() and, when an import left something out,
    /// conversionNoted(). On failure the model shown, the title and the
    /// recent list are untouched and the status says why (file and line
    /// where known).
    [[nodiscard]] FileStatus adoptLoaded(const QByteArray& path,
                                         Result<mesh::LoadedModel>&& loaded);

    /// Whether the model shown was read through the importer; already set
    /// for the new model when the sink receives it.
    bool isImported() const { return imported_; }
    /// The axis that was up in the file the model shown was imported from;
    /// none when it was read from a scene file.
    std::optional<mesh::UpAxis> upAxis() const { return upAxis_; }

    /// File New: the model stays; only the document becomes untitled.
    void newDocument();

    /// Writes the model shown to `path` (atomically) and, on success, makes
    /// `path` the document's file and emits documentOpened() so it joins the
    /// recent list; a scene file written makes the document a scene file. A name ending in .stl,
    /// .obj or .ply is written in that format, a name of another model format is refused, any other
    /// name gets a scene file. Nothing changes on failure.
    [[nodiscard]] FileStatus saveDocumentAs(const QByteArray& path);
    [[nodiscard]] FileStatus saveDocumentAs(const QString& path);

    /// Whether the document's file is a scene file read or written as such,
    /// the only kind Save writes in place: a model imported from another
    /// format would lose its scale, precision and whatever else its file
    /// held if the model shown were written back over it.
    bool isSceneFile() const;

    /// "Untitled", or the file name without its directory.
    QString title() const;
    /// The document's file as text for showing, empty while untitled.
    QString path() const;
    /// The document's file as the system's bytes, empty while untitled.
    const QByteArray& nativePath() const { return path_; }

  signals:
    void titleChanged(const QString& title);
    /// A file was opened or saved under a new name; for the recent list.
    void documentOpened(const QByteArray& path);
    /// What an import dropped or split, in a short sentence.
    void conversionNoted(const QString& note);

  private:
    void setPath(const QByteArray& path);

    SceneSink sink_;
    QByteArray path_;
    mesh::ImportOptions importOptions_;
    bool imported_ = false;
    std::optional<mesh::UpAxis> upAxis_;
};

}  // namespace kelpris
