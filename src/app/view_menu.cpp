#include "app/view_menu.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>

#include "app/document.h"
#include "app/file_names.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/readout_label.h"
#include "view/depth_readout.h"
#include "view/qt/kelpr_view.h"
#include "view/qt/picture_export.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

/// NAME.png -> NAME-left.png and NAME-right.png, beside it.
std::pair<QString, QString> pairPaths(const QString& path) {
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName());
    return {stem + QStringLiteral("-left.png"), stem + QStringLiteral("-right.png")};
}

struct SizeRows {
    QSpinBox* width;
    QSpinBox* height;
};

// Width and height of the pictures, starting at the window's.
SizeRows addSizeRows(QDialog& dialog, QFormLayout& form, QSize windowSize) {
    auto* width = new QSpinBox(&dialog);  // owned by the dialog
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* box : {width, height}) {
        box->setRange(1, 10000);
        box->setSuffix(QStringLiteral(" px"));
    }
    width->setValue(windowSize.width());
    height->setValue(windowSize.height());
    form.addRow(QStringLiteral("&Width:"), width);
    form.addRow(QStringLiteral("&Height:"), height);
    return {width, height};
}

bool accepted(QDialog& dialog, QFormLayout& form) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form.addRow(buttons);
    return dialog.exec() == QDialog::Accepted;
}

// `name` in the folder last exported to, if any.
QString suggestedPath(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

std::optional<ExportRequest> askExport(QWidget* parent, bool pair, QSize windowSize,
                                       const QString& folder) {
    QDialog dialog(parent);
    dialog.setWindowTitle(pair ? QStringLiteral("Export Stereo Pair")
                               : QStringLiteral("Export Picture"));
    auto* form = new QFormLayout(&dialog);  // owned by the dialog
    const SizeRows size = addSizeRows(dialog, *form, windowSize);
    QComboBox* layout = nullptr;
    if (pair) {
        layout = new QComboBox(&dialog);
        layout->addItem(QStringLiteral("Two pictures (NAME-left.png, NAME-right.png)"));
        layout->addItem(QStringLiteral("Side by side in one picture (left eye left)"));
        form->addRow(QStringLiteral("&Pictures:"), layout);
    }
    if (!accepted(dialog, *form)) {
        return std::nullopt;
    }
    ExportRequest request;
    request.size = QSize(size.width->value(), size.height->value());
    request.sideBySide = layout != nullptr && layout->currentIndex() == 1;
    const QString name =
        pair && !request.sideBySide ? QStringLiteral("stereo.png") : QStringLiteral("picture.png");
    const QString path =
        QFileDialog::getSaveFileName(parent, dialog.windowTitle(), suggestedPath(folder, name),
                                     QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    request.path = path;
    if (pair && !request.sideBySide) {
        std::tie(request.path, request.rightPath) = pairPaths(path);
    }
    return request;
}

std::optional<TurntableExportRequest> askTurntable(QWidget* parent, QSize windowSize,
                                                   const QString& folder) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export Turntable"));
    auto* form = new QFormLayout(&dialog);  // owned by the dialog
    const SizeRows size = addSizeRows(dialog, *form, windowSize);
    auto* frames = new QSpinBox(&dialog);
    frames->setRange(1, kMaxTurntableFrames);
    frames->setValue(TurntableRequest{}.frames);
    form->addRow(QStringLiteral("&Frames:"), frames);
    auto* degrees = new QDoubleSpinBox(&dialog);
    degrees->setDecimals(1);
    degrees->setRange(0.1, static_cast<double>(kFullTurnDegrees));
    degrees->setValue(static_cast<double>(kFullTurnDegrees));
    degrees->setSuffix(QStringLiteral("\u00B0"));
    form->addRow(QStringLiteral("&Turn:"), degrees);
    if (!accepted(dialog, *form)) {
        return std::nullopt;
    }
    TurntableExportRequest request;
    request.turntable.size = QSize(size.width->value(), size.height->value());
    request.turntable.frames = frames->value();
    request.turntable.degrees = static_cast<float>(degrees->value());
    request.path = QFileDialog::getSaveFileName(
        parent, dialog.windowTitle(), suggestedPath(folder, QStringLiteral("turntable.gif")),
        QStringLiteral("GIF animations (*.gif)"));
    if (request.path.isEmpty()) {
        return std::nullopt;
    }
    return request;
}

}  // namespace

ViewMenu::ViewMenu(CMainFrame& frame, CKELPRView& view, CKELPRDoc& document, Prompts& prompts,
                   bool statusBarShown)
    : QObject(&frame),
      frame_(frame),
      view_(view),
      document_(document),
      prompts_(prompts),
      statusBarShown_(statusBarShown),
      asker_([this](bool pair, QSize size, const QString& folder) {
          return askExport(&frame_, pair, size, folder);
      }),
      turntableAsker_([this](QSize size, const QString& folder) {
          return askTurntable(&frame_, size, folder);
      }) {
    modelName_ = view_.startupLoadStatus() ? QStringLiteral("dom.dat") : QString();
    buildViewMenu();
    buildFileAndHelpItems();

    readout_ = new ReadoutLabel(&frame_);  // the status bar takes it over
    // No stretch: the room the readout does not need is left to the notes
    // shown at the start of the bar.
    frame_.statusBar()->addPermanentWidget(readout_);
    frame_.statusBar()->setVisible(statusBarShown_);
    connect(&view_, &CKELPRView::pictureDrawn, this, &ViewMenu::updateReadout);
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

    buildKeysMenu(menu_->addMenu(QStringLiteral("&Turn")));
    QAction* spin = add(menu_, ViewCommand::Spin, QStringLiteral("S&pin"));
    spin->setCheckable(true);
    connect(spin, &QAction::triggered, &view_, &CKELPRView::setSpinning);
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
        connect(a, &QAction::triggered, this, [this, pair] {
            viewState().options.glasses.pair = pair;
            optionsEdited();
        });
    }
    glasses->addSeparator();
    QAction* swap = add(glasses, ViewCommand::SwapEyes, QStringLiteral("S&wap Eyes"));
    swap->setCheckable(true);
    connect(swap, &QAction::triggered, this, [this](bool on) {
        viewState().options.glasses.swapEyes = on;
        optionsEdited();
    });
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
        connect(a, &QAction::triggered, this, [this, step] {
            viewState().options.eyeHalfSep = step;
            optionsEdited();
        });
    }
}

void ViewMenu::buildShadingMenu(QMenu* shading) {
    auto* modes = new QActionGroup(shading);
    auto* outlines = new QActionGroup(shading);
    const auto choice = [&](QActionGroup* group, ViewCommand id, const QString& text,
                            std::function<void()> apply) {
        QAction* a = add(shading, id, text);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, apply = std::move(apply)] {
            apply();
            optionsEdited();
        });
    };
    choice(modes, ViewCommand::ShadingFlat, QStringLiteral("&Flat"),
           [] { viewState().options.shading = Shading::Flat; });
    choice(modes, ViewCommand::ShadingLit, QStringLiteral("&Lit"),
           [] { viewState().options.shading = Shading::Lit; });
    shading->addSeparator();
    choice(outlines, ViewCommand::OutlineDarker, QStringLiteral("&Darker Outlines"),
           [] { viewState().options.outline = LitOutline::Darker; });
    choice(outlines, ViewCommand::OutlineNone, QStringLiteral("&No Outlines"),
           [] { viewState().options.outline = LitOutline::None; });
}

void ViewMenu::buildFileAndHelpItems() {
    // After Save As, before the recent files.
    QMenu& file = frame_.fileMenu();
    const QList<QAction*> fileItems = file.actions();
    const qsizetype saveAs = fileItems.indexOf(&frame_.action(Command::FileSaveAs));
    QAction* before =
        saveAs >= 0 && saveAs + 1 < fileItems.size() ? fileItems.at(saveAs + 1) : nullptr;
    QAction* picture =
        add(nullptr, ViewCommand::ExportPicture, QStringLiteral("Export P&icture..."));
    QAction* pair = add(nullptr, ViewCommand::ExportPair, QStringLiteral("Export Stereo &Pair..."));
    QAction* turntable =
        add(nullptr, ViewCommand::ExportTurntable, QStringLiteral("Export &Turntable..."));
    file.insertSeparator(before);
    file.insertAction(before, picture);
    file.insertAction(before, pair);
    file.insertAction(before, turntable);
    connect(picture, &QAction::triggered, this, [this] { runExport(false); });
    connect(pair, &QAction::triggered, this, [this] { runExport(true); });
    connect(turntable, &QAction::triggered, this, &ViewMenu::runTurntableExport);

    QMenu& help = frame_.helpMenu();
    QAction* keys = add(nullptr, ViewCommand::KeysHelp, QStringLiteral("&Keys and Handles\tF1"),
                        QKeySequence(Qt::Key_F1));
    help.insertAction(&frame_.action(Command::AppAbout), keys);
    connect(keys, &QAction::triggered, this, [this] {
        QMessageBox::information(&frame_, QStringLiteral("Keys and Handles"), keysHelpText());
    });
}

void ViewMenu::syncChecks() {
    const ViewOptions& o = viewState().options;
    glassesAction(o.glasses.pair).setChecked(true);
    action(ViewCommand::SwapEyes).setChecked(o.glasses.swapEyes);
    action(ViewCommand::ShadingFlat).setChecked(o.shading == Shading::Flat);
    action(ViewCommand::ShadingLit).setChecked(o.shading == Shading::Lit);
    action(ViewCommand::OutlineDarker).setChecked(o.outline == LitOutline::Darker);
    action(ViewCommand::OutlineNone).setChecked(o.outline == LitOutline::None);
    for (std::size_t i = 0; i < kEyeHalfSepSteps.size(); ++i) {
        separations_[i]->setChecked(kEyeHalfSepSteps[i] == o.eyeHalfSep);
    }
    action(ViewCommand::StatusBar).setChecked(statusBarShown_);
    action(ViewCommand::Spin).setChecked(view_.isSpinning());
}

void ViewMenu::optionsEdited() {
    syncChecks();
    view_.applyOptions();
    emit optionsChanged();
}

void ViewMenu::askEyeBalance() {
    QDialog dialog(&frame_);
    dialog.setWindowTitle(QStringLiteral("Eye Balance"));
    auto* form = new QFormLayout(&dialog);
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setRange(0, kMaxEyeBalance);
    slider->setValue(viewState().options.glasses.eyeBalance);
    form->addRow(new QLabel(QStringLiteral("Dim the brighter eye's colour (0: as drawn, %1: "
                                           "as bright as the other)")
                                .arg(kMaxEyeBalance),
                            &dialog));
    form->addRow(slider);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    const int before = viewState().options.glasses.eyeBalance;
    connect(slider, &QSlider::valueChanged, this, [this](int value) {
        viewState().options.glasses.eyeBalance = value;
        view_.applyOptions();
    });
    if (dialog.exec() == QDialog::Accepted) {
        optionsEdited();
    } else {
        viewState().options.glasses.eyeBalance = before;
        view_.applyOptions();
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

std::optional<QString> ViewMenu::exportPicture(const ExportRequest& request) {
    const QImage shown = view_.currentImage();
    const QImage image = request.size == shown.size() ? shown : renderScreenAt(request.size);
    std::optional<QString> failure = writePng(image, request.path);
    if (failure) {
        prompts_.error(&frame_,
                       QStringLiteral("The picture could not be exported.\n\n") + *failure);
    }
    return failure;
}

std::optional<QString> ViewMenu::exportStereoPair(const ExportRequest& request) {
    std::optional<QSize> size;
    if (request.size != view_.currentImage().size()) {
        size = request.size;
    }
    const QImage left = renderEye(Eye::Left, size);
    const QImage right = renderEye(Eye::Right, size);
    std::optional<QString> failure;
    if (request.sideBySide) {
        failure = writePng(sideBySide(left, right), request.path);
    } else {
        failure = writePng(left, request.path);
        if (!failure) {
            failure = writePng(right, request.rightPath);
        }
    }
    if (failure) {
        prompts_.error(&frame_,
                       QStringLiteral("The stereo pair could not be exported.\n\n") + *failure);
    }
    return failure;
}

void ViewMenu::runExport(bool pair) {
    view_.setSpinning(false);
    const std::optional<ExportRequest> request =
        asker_(pair, view_.currentImage().size(), exportFolder_);
    if (!request) {
        return;
    }
    if (!(pair ? exportStereoPair(*request) : exportPicture(*request))) {
        rememberExportFolder(request->path);
    }
}

void ViewMenu::rememberExportFolder(const QString& written) {
    exportFolder_ = QFileInfo(written).absolutePath();
    emit optionsChanged();
}

std::optional<QString> ViewMenu::exportTurntable(const TurntableExportRequest& request) {
    if (frame_.loading()) {
        const QString why =
            QStringLiteral("A model is still being opened. Export the animation once it is shown.");
        prompts_.error(&frame_, why);
        return why;
    }
    QProgressDialog progress(QStringLiteral("Drawing the frames of the animation..."),
                             QStringLiteral("Cancel"), 0, request.turntable.frames, &frame_);
    progress.setWindowTitle(QStringLiteral("KELPRIS"));
    // Modal, so that nothing turns or changes the view between two frames;
    // each setValue lets the events (and Cancel) through.
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setValue(0);
    const std::optional<FileStatus> written = writeTurntable(
        request.turntable, fsPath(QFile::encodeName(request.path)), [&progress](int done, int) {
            progress.setValue(done);
            return !progress.wasCanceled();
        });
    // The frames were paints: paint the view again, so that the sort report
    // describes the picture shown.
    view_.updateView();
    if (!written || *written) {
        return std::nullopt;
    }
    const QString failure = QString::fromStdString(written->message());
    prompts_.error(&frame_, QStringLiteral("The animation could not be exported.\n\n") + failure);
    return failure;
}

void ViewMenu::runTurntableExport() {
    view_.setSpinning(false);
    const std::optional<TurntableExportRequest> request =
        turntableAsker_(view_.currentImage().size(), exportFolder_);
    if (request && !exportTurntable(*request)) {
        rememberExportFolder(request->path);
    }
}

void ViewMenu::updateReadout() {
    ScreenMetrics metrics;
    if (const QScreen* screen = frame_.screen()) {
        metrics.widthPx = screen->geometry().width();
        metrics.widthMm = screen->physicalSize().width();
    }
    readout_->setReadout(modelName_.isEmpty() ? QStringLiteral("(no file)") : modelName_,
                         QString::fromStdString(depthReadoutDetails(viewState(), metrics)));
}

QString ViewMenu::keysHelpText() {
    return QStringLiteral(
        "<h3>Handles on the setup screen</h3>"
        "<ul>"
        "<li><b>Yellow ring</b> (either view): drag to move the model along the viewing "
        "direction.</li>"
        "<li><b>Purple vertical line</b>: drag to move the picture plane.</li>"
        "<li><b>Around the plan view</b> (lower half): drag round the model to turn the "
        "azimuth.</li>"
        "<li><b>Around the side view</b> (upper half): drag round the model to turn the "
        "zenith.</li>"
        "<li><b>Preview box</b>: drag to move it.</li>"
        "<li><b>Double-click</b>: the other screen.</li>"
        "</ul>"
        "<p>The pointer shows what a press would grab.</p>"
        "<h3>Keys</h3>"
        "<table>"
        "<tr><td>Left / Right</td><td>azimuth by 5&deg; (Shift: 1&deg;)</td></tr>"
        "<tr><td>Up / Down</td><td>zenith by 5&deg; (Shift: 1&deg;)</td></tr>"
        "<tr><td>Tab</td><td>the other screen</td></tr>"
        "<tr><td>Home</td><td>start angles and positions</td></tr>"
        "<tr><td>F11, Esc</td><td>full screen on and off</td></tr>"
        "<tr><td>F1</td><td>this page</td></tr>"
        "</table>"
        "<p>View &gt; Spin turns the model until a key or a click.</p>");
}

}  // namespace kelpris
