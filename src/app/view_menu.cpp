#include "app/view_menu.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>

#include "app/document.h"
#include "app/file_names.h"
#include "app/main_frame.h"
#include "app/readout_label.h"
#include "view/depth_readout.h"
#include "view/qt/kelpr_view.h"

namespace kelpris {

namespace {

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ViewMenu::ViewMenu(CMainFrame& frame, CKELPRView& view, CKELPRDoc& document,
                   const QString& modelName, bool statusBarShown)
    : QObject(&frame),
      frame_(frame),
      view_(view),
      document_(document),
      modelName_(modelName),
      statusBarShown_(statusBarShown) {
    buildViewMenu();

    readout_ = new ReadoutLabel(&frame_);  // the status bar takes it over
    // No stretch: the room the readout does not need is left to the notes
    // shown at the start of the bar.
    frame_.statusBar()->addPermanentWidget(readout_);
    frame_.statusBar()->setVisible(statusBarShown_);
    connect(&view_, &CKELPRView::pictureDrawn, this, [this] { updateReadout(); });
    // At once, not with the picture: the angles are read as the keys turn;
    // the parallax follows with the picture.
    connect(&view_, &CKELPRView::viewChanged, this,
            [this] { updateReadout(ParallaxShown::LastPicture); });
    connect(&view_, &CKELPRView::spinningChanged, &action(ViewCommand::Spin), &QAction::setChecked);
    connect(&document_, &CKELPRDoc::documentOpened, this, [this](const QByteArray& path) {
        modelName_ = QFileInfo(shownName(path)).fileName();
        updateReadout();
    });
    connect(&document_, &CKELPRDoc::titleChanged, this, [this] {
        if (document_.nativePath().isEmpty()) {  // File > New: no file any more
            modelName_.clear();
            updateReadout();
        }
    });
    syncChecks();
}

QAction& ViewMenu::action(ViewCommand command) const {
    return *actions_[static_cast<std::size_t>(command)];
}

QLabel& ViewMenu::readout() const {
    return *readout_;
}

QAction& ViewMenu::glassesAction(GlassesPair pair) const {
    return *glasses_[static_cast<std::size_t>(pair)];
}

QAction& ViewMenu::eyeSeparationAction(std::size_t step) const {
    return *separations_.at(step);
}

QAction* ViewMenu::add(QMenu* menu, ViewCommand id, const QString& text, const QKeySequence& key) {
    QAction* a = menu != nullptr ? menu->addAction(text) : new QAction(text, &frame_);
    if (!key.isEmpty()) {
        a->setShortcut(key);
    }
    // Also on the window itself, so the keys work in full screen with the
    // menu bar hidden.
    frame_.addAction(a);
    actions_[static_cast<std::size_t>(id)] = a;
    return a;
}

void ViewMenu::buildViewMenu() {
    // The frame's View menu already holds Up Axis; these follow it.
    menu_ = &frame_.viewMenu();
    menu_->addSeparator();

    QAction* full = add(menu_, ViewCommand::FullScreen, QStringLiteral("&Full Screen\tF11"),
                        QKeySequence(Qt::Key_F11));
    full->setCheckable(true);
    connect(full, &QAction::toggled, this, &ViewMenu::setFullScreen);
    QAction* leave = add(nullptr, ViewCommand::LeaveFullScreen, QStringLiteral("Leave Full Screen"),
                         QKeySequence(Qt::Key_Escape));
    leave->setEnabled(false);
    connect(leave, &QAction::triggered, this, [this] { setFullScreen(false); });
    QAction* bar = add(menu_, ViewCommand::StatusBar, QStringLiteral("Status &Bar"));
    bar->setCheckable(true);
    connect(bar, &QAction::toggled, this, &ViewMenu::setStatusBarShown);
    menu_->addSeparator();

    // The whole model inside the stereo screen at a comfortable depth; also
    // where Home returns once used.
    connect(add(menu_, ViewCommand::Fit, QStringLiteral("F&it\tF"), QKeySequence(Qt::Key_F)),
            &QAction::triggered, &view_, &CKELPRView::fitToWindow);
    buildKeysMenu(menu_->addMenu(QStringLiteral("&Turn")));
    QAction* spin = add(menu_, ViewCommand::Spin, QStringLiteral("S&pin"));
    spin->setCheckable(true);
    connect(spin, &QAction::triggered, &view_, &CKELPRView::setSpinning);
    buildStereoMouseMenu(menu_->addMenu(QStringLiteral("Stereo Screen &Mouse")));
    menu_->addSeparator();

    buildGlassesMenu(menu_->addMenu(QStringLiteral("&Glasses")));
    connect(add(menu_, ViewCommand::EyeBalance, QStringLiteral("&Eye Balance...")),
            &QAction::triggered, this, &ViewMenu::askEyeBalance);
    buildEyeSeparationMenu(menu_->addMenu(QStringLiteral("Eye &Separation")));
    buildShadingMenu(menu_->addMenu(QStringLiteral("S&hading")));
}

void ViewMenu::buildKeysMenu(QMenu* keys) {
    struct Item {
        ViewCommand id;
        const char* text;
        QKeySequence key;
        ViewKey viewKey;
        bool fine;
    };
    const Item items[] = {
        {ViewCommand::TurnLeft, "Azimuth &Left\tLeft", QKeySequence(Qt::Key_Left), ViewKey::Left,
         false},
        {ViewCommand::TurnRight, "Azimuth &Right\tRight", QKeySequence(Qt::Key_Right),
         ViewKey::Right, false},
        {ViewCommand::TiltUp, "Zenith &Up\tUp", QKeySequence(Qt::Key_Up), ViewKey::Up, false},
        {ViewCommand::TiltDown, "Zenith &Down\tDown", QKeySequence(Qt::Key_Down), ViewKey::Down,
         false},
        {ViewCommand::TurnLeftFine, "Azimuth Left, Fine\tShift+Left",
         QKeySequence(Qt::SHIFT | Qt::Key_Left), ViewKey::Left, true},
        {ViewCommand::TurnRightFine, "Azimuth Right, Fine\tShift+Right",
         QKeySequence(Qt::SHIFT | Qt::Key_Right), ViewKey::Right, true},
        {ViewCommand::TiltUpFine, "Zenith Up, Fine\tShift+Up", QKeySequence(Qt::SHIFT | Qt::Key_Up),
         ViewKey::Up, true},
        {ViewCommand::TiltDownFine, "Zenith Down, Fine\tShift+Down",
         QKeySequence(Qt::SHIFT | Qt::Key_Down), ViewKey::Down, true},
        {ViewCommand::SwitchScreen, "&Switch Screen\tTab", QKeySequence(Qt::Key_Tab), ViewKey::Tab,
         false},
        {ViewCommand::ResetView, "Start &Position\tHome", QKeySequence(Qt::Key_Home), ViewKey::Home,
         false},
    };
    for (const Item& item : items) {
        if (item.id == ViewCommand::TurnLeftFine || item.id == ViewCommand::SwitchScreen) {
            keys->addSeparator();
        }
        QAction* a = add(keys, item.id, QString::fromLatin1(item.text), item.key);
        connect(a, &QAction::triggered, this,
                [this, k = item.viewKey, fine = item.fine] { view_.applyKey(k, fine); });
    }
}

void ViewMenu::buildGlassesMenu(QMenu* glasses) {
    auto* group = new QActionGroup(glasses);
    for (const GlassesPair pair : kAllGlassesPairs) {
        QAction* a = glasses->addAction(latin(glassesMenuText(pair)));
        a->setCheckable(true);
        group->addAction(a);
        glasses_[static_cast<std::size_t>(pair)] = a;
        connect(a, &QAction::triggered, this,
                [this, pair] { editOptions([pair](ViewOptions& o) { o.glasses.pair = pair; }); });
    }
    glasses->addSeparator();
    QAction* swap = add(glasses, ViewCommand::SwapEyes, QStringLiteral("S&wap Eyes"));
    swap->setCheckable(true);
    connect(swap, &QAction::triggered, this,
            [this](bool on) { editOptions([on](ViewOptions& o) { o.glasses.swapEyes = on; }); });
}

void ViewMenu::buildEyeSeparationMenu(QMenu* separation) {
    auto* group = new QActionGroup(separation);
    for (std::size_t i = 0; i < kEyeHalfSepSteps.size(); ++i) {
        const std::int32_t step = kEyeHalfSepSteps[i];
        QString text = QStringLiteral("%1 px each side").arg(step);
        if (step == kDefaultEyeHalfSep) {
            text += QStringLiteral(" (standard)");
        }
        QAction* a = separation->addAction(text);
        a->setCheckable(true);
        group->addAction(a);
        separations_[i] = a;
        connect(a, &QAction::triggered, this,
                [this, step] { editOptions([step](ViewOptions& o) { o.eyeHalfSep = step; }); });
    }
}

void ViewMenu::addChoice(QMenu* menu, QActionGroup* group, ViewCommand id, const QString& text,
                         std::function<void(ViewOptions&)> edit) {
    QAction* a = add(menu, id, text);
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, edit = std::move(edit)] { editOptions(edit); });
}

void ViewMenu::buildStereoMouseMenu(QMenu* mouse) {
    auto* group = new QActionGroup(mouse);
    const auto choice = [&](ViewCommand id, const QString& text, StereoMouse value) {
        addChoice(mouse, group, id, text, [value](ViewOptions& o) { o.stereoMouse = value; });
    };
    choice(ViewCommand::StereoMouseAuto,
           QStringLiteral("&Automatic (handles for scene files, turning for other models)"),
           StereoMouse::Automatic);
    choice(ViewCommand::StereoMouseHandles, QStringLiteral("Setup &Handles"),
           StereoMouse::SetupHandles);
    choice(ViewCommand::StereoMouseTurn, QStringLiteral("&Turn the Model"), StereoMouse::TurnModel);
}

void ViewMenu::buildShadingMenu(QMenu* shading) {
    auto* modes = new QActionGroup(shading);
    auto* outlines = new QActionGroup(shading);
    const auto choice = [&](QActionGroup* group, ViewCommand id, const QString& text,
                            std::function<void(ViewOptions&)> edit) {
        addChoice(shading, group, id, text, std::move(edit));
    };
    choice(modes, ViewCommand::ShadingAuto,
           QStringLiteral("&Automatic (flat for scene files, lit for other models)"),
           [](ViewOptions& o) { o.shading = Shading::Automatic; });
    choice(modes, ViewCommand::ShadingFlat, QStringLiteral("&Flat"),
           [](ViewOptions& o) { o.shading = Shading::Flat; });
    choice(modes, ViewCommand::ShadingLit, QStringLiteral("&Lit"),
           [](ViewOptions& o) { o.shading = Shading::Lit; });
    shading->addSeparator();
    choice(outlines, ViewCommand::OutlineAsShaded, QStringLiteral("&Outlines as Shaded"),
           [](ViewOptions& o) { o.outline = LitOutline::AsShaded; });
    choice(outlines, ViewCommand::OutlineDarker, QStringLiteral("&Darker Outlines"),
           [](ViewOptions& o) { o.outline = LitOutline::Darker; });
    choice(outlines, ViewCommand::OutlineNone, QStringLiteral("&No Outlines"),
           [](ViewOptions& o) { o.outline = LitOutline::None; });
}

void ViewMenu::syncChecks() {
    const ViewOptions& o = view_.state().options();
    glassesAction(o.glasses.pair).setChecked(true);
    action(ViewCommand::SwapEyes).setChecked(o.glasses.swapEyes);
    action(ViewCommand::ShadingAuto).setChecked(o.shading == Shading::Automatic);
    action(ViewCommand::ShadingFlat).setChecked(o.shading == Shading::Flat);
    action(ViewCommand::ShadingLit).setChecked(o.shading == Shading::Lit);
    action(ViewCommand::OutlineAsShaded).setChecked(o.outline == LitOutline::AsShaded);
    action(ViewCommand::OutlineDarker).setChecked(o.outline == LitOutline::Darker);
    action(ViewCommand::OutlineNone).setChecked(o.outline == LitOutline::None);
    action(ViewCommand::StereoMouseAuto).setChecked(o.stereoMouse == StereoMouse::Automatic);
    action(ViewCommand::StereoMouseHandles).setChecked(o.stereoMouse == StereoMouse::SetupHandles);
    action(ViewCommand::StereoMouseTurn).setChecked(o.stereoMouse == StereoMouse::TurnModel);
    for (std::size_t i = 0; i < kEyeHalfSepSteps.size(); ++i) {
        separations_[i]->setChecked(kEyeHalfSepSteps[i] == o.eyeHalfSep);
    }
    action(ViewCommand::StatusBar).setChecked(statusBarShown_);
    action(ViewCommand::Spin).setChecked(view_.isSpinning());
}

void ViewMenu::editOptions(const std::function<void(ViewOptions&)>& edit) {
    ViewOptions options = view_.state().options();
    edit(options);
    view_.setOptions(options);
    syncChecks();
    emit optionsChanged();
}

void ViewMenu::askEyeBalance() {
    QDialog dialog(&frame_);
    dialog.setWindowTitle(QStringLiteral("Eye Balance"));
    auto* form = new QFormLayout(&dialog);
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setRange(0, kMaxEyeBalance);
    const ViewOptions before = view_.state().options();
    slider->setValue(before.glasses.eyeBalance);
    form->addRow(new QLabel(QStringLiteral("Dim the brighter eye's colour (0: as drawn, %1: "
                                           "as bright as the other)")
                                .arg(kMaxEyeBalance),
                            &dialog));
    // The value beside the slider, wide enough for the largest so the slider
    // keeps its length as the number changes.
    auto* shown = new QLabel(QString::number(slider->value()), &dialog);
    shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QString::number(kMaxEyeBalance)));
    connect(slider, &QSlider::valueChanged, shown, qOverload<int>(&QLabel::setNum));
    auto* row = new QHBoxLayout;
    row->addWidget(slider);
    row->addWidget(shown);
    form->addRow(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    // The view follows the slider; Cancel puts the options back.
    connect(slider, &QSlider::valueChanged, this, [this](int value) {
        ViewOptions options = view_.state().options();
        options.glasses.eyeBalance = value;
        view_.setOptions(options);
    });
    if (dialog.exec() == QDialog::Accepted) {
        editOptions([](ViewOptions&) {});
    } else {
        view_.setOptions(before);
    }
}

void ViewMenu::setStatusBarShown(bool on) {
    if (statusBarShown_ == on) {
        return;
    }
    statusBarShown_ = on;
    if (!isFullScreen()) {
        frame_.statusBar()->setVisible(on);
    }
    emit optionsChanged();
}

bool ViewMenu::isFullScreen() const {
    return frame_.isFullScreen();
}

void ViewMenu::setFullScreen(bool on) {
    if (on == isFullScreen()) {
        action(ViewCommand::FullScreen).setChecked(on);
        return;
    }
    if (on) {
        wasMaximized_ = frame_.isMaximized();
        frame_.menuBar()->hide();
        frame_.statusBar()->hide();
        frame_.showFullScreen();
    } else {
        frame_.menuBar()->show();
        frame_.statusBar()->setVisible(statusBarShown_);
        if (wasMaximized_) {
            frame_.showMaximized();
        } else {
            frame_.showNormal();
        }
    }
    action(ViewCommand::LeaveFullScreen).setEnabled(on);
    action(ViewCommand::FullScreen).setChecked(on);
    view_.updateView();  // a platform paint: laid out for the new size
}

void ViewMenu::updateReadout(ParallaxShown shown) {
    ScreenMetrics metrics;
    if (const QScreen* screen = frame_.screen()) {
        metrics.widthPx = screen->geometry().width();
        metrics.widthMm = screen->physicalSize().width();
    }
    readout_->setReadout(modelName_.isEmpty() ? QStringLiteral("(no file)") : modelName_,
                         QString::fromStdString(depthReadoutDetails(
                             view_.state(), metrics, &view_.paintBuffers().parallax, shown)));
}

}  // namespace kelpris
