#pragma once
// File > Export Picture..., Export Stereo Pair... and Export Turntable...:
// the screen as the window shows it or at another size, and each eye's
// picture in grey, as PNG files; the screen turning, as an animated GIF.

#include <QAction>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "base/file_status.h"
#include "view/qt/turntable_export.h"

namespace kelpris {

class CMainFrame;
class CKELPRView;
class Prompts;

/// What the export dialog asked for.
struct ExportRequest {
    QString path;             ///< the picture, or the left one
    QString rightPath;        ///< the right picture of a pair; empty otherwise
    QSize size;               ///< drawing area
    bool sideBySide = false;  ///< a pair in one picture
};

/// What the turntable dialog asked for.
struct TurntableExportRequest {
    QString path;  ///< the GIF
    TurntableRequest turntable;
};

class ExportMenu : public QObject {
    Q_OBJECT

  public:
    /// Asks for an export: `pair` for the stereo pair, starting in `folder`
    /// (the one last exported to; empty before the first). Nothing when
    /// cancelled.
    using Asker = std::function<std::optional<ExportRequest>(bool pair, QSize windowSize,
                                                             const QString& folder)>;
    /// Asks for a turntable animation, starting in `folder` as Asker does.
    /// Nothing when cancelled.
    using TurntableAsker = std::function<std::optional<TurntableExportRequest>(
        QSize windowSize, const QString& folder)>;

    /// Adds the three items to the frame's File menu after Save As; `frame`,
    /// `view` and `prompts` must outlive this object.
    ExportMenu(CMainFrame& frame, CKELPRView& view, Prompts& prompts);

    QAction& pictureAction() const { return *picture_; }
    QAction& pairAction() const { return *pair_; }
    QAction& turntableAction() const { return *turntable_; }

    /// Replaces the export dialog (tests answer instead).
    void setAsker(Asker asker) { asker_ = std::move(asker); }
    void setTurntableAsker(TurntableAsker asker) { turntableAsker_ = std::move(asker); }

    /// The folder of the last exported picture, where the next export starts;
    /// kept with the settings.
    const QString& folder() const { return folder_; }
    void setFolder(const QString& folder) { folder_ = folder; }

    /// The screen as the window shows it, or drawn at another size.
    [[nodiscard]] FileStatus exportPicture(const ExportRequest& request);
    /// Each eye's picture, as two files or side by side in one.
    [[nodiscard]] FileStatus exportStereoPair(const ExportRequest& request);
    /// The turntable animation, with a progress dialog and Cancel (after
    /// kProgressDelayMs) that keeps the window from changing meanwhile.
    /// Nothing when cancelled. Refused while a model is being opened, since
    /// it could arrive between two frames.
    [[nodiscard]] std::optional<FileStatus> exportTurntable(const TurntableExportRequest& request);

  signals:
    /// An export succeeded in another folder than before; to be remembered.
    void folderChanged();

  private:
    /// Asks, exports, and tells the user when the export failed.
    void run(bool pair);
    void runTurntable();
    /// After an export to `path`: the next starts in its folder.
    void exported(const QString& path);

    CMainFrame& frame_;
    CKELPRView& view_;
    Prompts& prompts_;
    Asker asker_;
    TurntableAsker turntableAsker_;
    QString folder_;
    QAction* picture_ = nullptr;  // owned by the frame
    QAction* pair_ = nullptr;
    QAction* turntable_ = nullptr;
};

}  // namespace kelpris
