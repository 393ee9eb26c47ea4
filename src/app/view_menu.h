#pragma once
// The View menu and what hangs off it: full screen, the view keys, the
// turntable, glasses, eye balance, eye separation, shading, the status bar
// with the depth readout; File > Export Picture..., Export Stereo Pair...
// and Export Turntable...; Help > Keys and Handles. Every choice is kept in the settings.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "view/keys.h"
#include "view/qt/turntable_export.h"
#include "view/view_options.h"

namespace kelpris {

class CMainFrame;
class CKELPRView;
class CKELPRDoc;
class Prompts;
class ReadoutLabel;

enum class ViewCommand {
    FullScreen,
    LeaveFullScreen,  ///< Esc while in full screen; no menu item
    StatusBar,
    TurnLeft,
    TurnRight,
    TiltUp,
    TiltDown,
    TurnLeftFine,
    TurnRightFine,
    TiltUpFine,
    TiltDownFine,
    SwitchScreen,
    ResetView,
    Spin,
    SwapEyes,
    EyeBalance,
    ShadingFlat,
    ShadingLit,
    OutlineDarker,
    OutlineNone,
    ExportPicture,
    ExportPair,
    ExportTurntable,
    KeysHelp,
    Count,
};

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

class ViewMenu : public QObject {
    Q_OBJECT

  public:
    /// Asks for an export: `pair` for the stereo pair, starting in `folder`
    /// (the one last exported to; empty before the first). Nothing when
    /// cancelled.
    using ExportAsker = std::function<std::optional<ExportRequest>(bool pair, QSize windowSize,
                                                                   const QString& folder)>;
    /// Asks for a turntable animation, starting in `folder` as ExportAsker
    /// does. Nothing when cancelled.
    using TurntableAsker = std::function<std::optional<TurntableExportRequest>(
        QSize windowSize, const QString& folder)>;

    /// Adds the menus, the status bar and the keys to `frame`, which with
    /// `view`, `document` and `prompts` must outlive this object.
    ViewMenu(CMainFrame& frame, CKELPRView& view, CKELPRDoc& document, Prompts& prompts,
             bool statusBarShown);

    QMenu& menu() const { return *menu_; }
    QAction& action(ViewCommand command) const;
    QAction& glassesAction(GlassesPair pair) const;
    QAction& eyeSeparationAction(std::size_t step) const;
    /// The permanent label of the status bar with the depth readout.
    QLabel& readout() const;

    /// The folder of the last exported picture, where the next export starts;
    /// kept with the settings.
    const QString& exportFolder() const { return exportFolder_; }
    void setExportFolder(const QString& folder) { exportFolder_ = folder; }

    /// Replaces the export dialog (tests answer instead).
    void setExportAsker(ExportAsker asker) { asker_ = std::move(asker); }
    void setTurntableAsker(TurntableAsker asker) { turntableAsker_ = std::move(asker); }

    /// Shows the options of viewState() in the menu checks.
    void syncChecks();
    void setFullScreen(bool on);
    bool isFullScreen() const;

    /// The screen as the window shows it, or at another size; on failure the
    /// reason, after telling the user.
    std::optional<QString> exportPicture(const ExportRequest& request);
    std::optional<QString> exportStereoPair(const ExportRequest& request);
    /// The turntable animation, with a progress dialog and Cancel (after
    /// kProgressDelayMs) that keeps the window from changing meanwhile. On
    /// failure the reason, after telling the user; nothing when written or
    /// cancelled. Refused while a model is being opened, since it could
    /// arrive between two frames.
    std::optional<QString> exportTurntable(const TurntableExportRequest& request);
    /// Recomputes the status line.
    void updateReadout();

    /// The text of Help > Keys and Handles.
    static QString keysHelpText();

  signals:
    /// An option changed through the menu; the caller keeps it.
    void optionsChanged();

  private:
    QAction* add(QMenu* menu, ViewCommand id, const QString& text, const QKeySequence& key = {});
    void buildViewMenu();
    void buildKeysMenu(QMenu* keys);
    void buildGlassesMenu(QMenu* glasses);
    void buildShadingMenu(QMenu* shading);
    void buildEyeSeparationMenu(QMenu* separation);
    void buildFileAndHelpItems();
    void optionsEdited();
    void askEyeBalance();
    void runExport(bool pair);
    void runTurntableExport();
    /// The next export starts in the folder of `written`.
    void rememberExportFolder(const QString& written);
    void setStatusBarShown(bool on);

    CMainFrame& frame_;
    CKELPRView& view_;
    CKELPRDoc& document_;
    Prompts& prompts_;
    QMenu* menu_ = nullptr;
    ReadoutLabel* readout_ = nullptr;
    QString modelName_;
    QString exportFolder_;
    bool statusBarShown_ = true;
    bool wasMaximized_ = false;
    ExportAsker asker_;
    TurntableAsker turntableAsker_;
    std::array<QAction*, static_cast<std::size_t>(ViewCommand::Count)> actions_{};
    std::array<QAction*, kAllGlassesPairs.size()> glasses_{};
    std::array<QAction*, kEyeHalfSepSteps.size()> separations_{};
};

}  // namespace kelpris
