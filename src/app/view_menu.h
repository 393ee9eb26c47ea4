#pragma once
// The View menu and what hangs off it: full screen, the fit, the view keys,
// the turntable, what a drag does on the stereo screen, glasses, eye balance,
// eye separation, shading, the status bar with the depth readout. Every
// choice is kept in the settings.

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QString>
#include <array>
#include <functional>

#include "view/depth_readout.h"
#include "view/keys.h"
#include "view/view_options.h"

namespace kelpris {

class CMainFrame;
class CKELPRView;
class CKELPRDoc;
class ReadoutLabel;

enum class ViewCommand {
    FullScreen,
    LeaveFullScreen,  ///< Esc while in full screen; no menu item
    StatusBar,
    Fit,
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
    ShadingAuto,
    ShadingFlat,
    ShadingLit,
    OutlineAsShaded,
    OutlineDarker,
    OutlineNone,
    StereoMouseAuto,
    StereoMouseHandles,
    StereoMouseTurn,
    Count,
};

class ViewMenu : public QObject {
    Q_OBJECT

  public:
    /// Adds the menu, the status bar and the keys to `frame`, which with
    /// `view` and `document` must outlive this object. `modelName` names the
    /// model shown in the status line until the document opens another.
    ViewMenu(CMainFrame& frame, CKELPRView& view, CKELPRDoc& document, const QString& modelName,
             bool statusBarShown);

    QMenu& menu() const { return *menu_; }
    QAction& action(ViewCommand command) const;
    QAction& glassesAction(GlassesPair pair) const;
    QAction& eyeSeparationAction(std::size_t step) const;
    /// The permanent label of the status bar with the depth readout.
    QLabel& readout() const;

    /// Shows the view's options in the menu checks.
    void syncChecks();
    void setFullScreen(bool on);
    bool isFullScreen() const;

    /// Recomputes the status line.
    void updateReadout(ParallaxShown shown = ParallaxShown::Current);

  signals:
    /// An option changed through the menu; the caller keeps it.
    void optionsChanged();

  private:
    QAction* add(QMenu* menu, ViewCommand id, const QString& text, const QKeySequence& key = {});
    void buildViewMenu();
    void buildKeysMenu(QMenu* keys);
    void buildGlassesMenu(QMenu* glasses);
    void buildShadingMenu(QMenu* shading);
    void buildStereoMouseMenu(QMenu* mouse);
    /// A checkable item of `group` in `menu` that edits the options by `edit`.
    void addChoice(QMenu* menu, QActionGroup* group, ViewCommand id, const QString& text,
                   std::function<void(ViewOptions&)> edit);
    void buildEyeSeparationMenu(QMenu* separation);
    /// Changes the view's options by `edit`, then the checks, and asks for
    /// the options to be kept.
    void editOptions(const std::function<void(ViewOptions&)>& edit);
    void askEyeBalance();
    void setStatusBarShown(bool on);

    CMainFrame& frame_;
    CKELPRView& view_;
    CKELPRDoc& document_;
    QMenu* menu_ = nullptr;
    ReadoutLabel* readout_ = nullptr;
    QString modelName_;
    bool statusBarShown_ = true;
    bool wasMaximized_ = false;
    std::array<QAction*, static_cast<std::size_t>(ViewCommand::Count)> actions_{};
    std::array<QAction*, kAllGlassesPairs.size()> glasses_{};
    std::array<QAction*, kEyeHalfSepSteps.size()> separations_{};
};

}  // namespace kelpris
