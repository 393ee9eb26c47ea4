#pragma once
// The one view of the main window: owns the view's state (ViewState), the
// buffers its paints compute into, the paint's second thread and the
// background report writer, and shows the state through the platform-free
// view logic, drawing into an off-screen back buffer that paintEvent shows
// inside a 2-pixel frame.
//
// Two kinds of redraw are kept apart. A paint the platform asks for (shown,
// resized, uncovered, scene replaced, any plain update()) hands the scene to
// the document, lays the screens out again from the view's placement and
// draws. A redraw from a drag or a double-click draws at once with the
// positions as they stand (no layout) and then only shows the buffer, so a
// dragged position lasts until the next platform paint.
//
// A drag's or key's redraw is drawn by the paint that shows it, not by the
// event itself: moves and key repeats queued behind one another each update
// the state, and one draw answers them all. That paint is made as soon as
// the events queued before it have been handled, not at the platform's pace. Whatever reads the
// picture or ends the drag (currentImage, a press, a release, a double-click) draws a pending
// redraw first, so it sees what drawing each event at once gave.

#include <QFrame>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "scene/scena.h"
#include "view/keys.h"
#include "view/paint_buffers.h"
#include "view/scene_holder.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {

class PaintWorker;

/// Which eye's picture.
enum class Eye { Left, Right };

class CKELPRView : public QFrame {
    Q_OBJECT

  public:
    /// Starts with an empty scene and creates the pens, brushes and observer
    /// pictures. The drawing area (contentsRect) is width-4 x height-4.
    explicit CKELPRView(QWidget* parent = nullptr);
    /// Writes the reports still waiting, then releases everything.
    ~CKELPRView() override;

    /// The view's state. Drivers (the start-up, tests) may set the angles
    /// and the screen here; options change through setOptions, the model
    /// through replaceScene.
    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }
    /// The model shown; an empty one when the state holds none.
    const Scena& scene() const;
    /// What the latest paint of the window computed.
    const PaintBuffers& paintBuffers() const { return buffers_; }

    /// Attaches the document, which receives the model now and whenever it
    /// is replaced. May be null.
    void setDocument(SceneHolder* document);

    /// Shows `fresh`, read from `source`, in place of the model shown:
    /// rebuilds the view transforms round its centre (so the stereo screen
    /// shows it centred at once), takes the automatic options for its
    /// source, drops the framing of the model before (zoom 1, no pan, placed
    /// as its file places it; see fitToWindow), hands it to the document and
    /// calls updateView().
    void replaceScene(Scena&& fresh, ModelSource source = ModelSource::SceneFile);

    /// View > Fit: the model framed by the fit at the window's size (from the
    /// next layout on, which this asks for), and fitted again on a resize
    /// until it is zoomed, panned or dragged.
    void fitToWindow();

    /// The update that follows File New or Open: schedules a platform paint,
    /// which lays out again even if a drag has just drawn the buffer, so
    /// dragged positions return to their layout values; yaw, pitch and the
    /// screen shown stay.
    void updateView();

    /// Does synchronously what a platform paint does (layout from the
    /// current geometry, draw into the back buffer), waits for the sort
    /// report (see flushReports) and returns the clientW x clientH picture,
    /// which later paints leave as it is; null when the drawing area is
    /// empty. Works without the widget being shown.
    QImage paintNow();

    /// Waits until every sort report of the paints so far is written, and
    /// signals a failure among them at once.
    void flushReports();

    /// The back buffer as last drawn (null before the first paint), with a
    /// pending drag or key redraw drawn first.
    QImage currentImage();

    // Pictures for writing to files (picture_export.cpp). Drawing at another
    // size lays the screens out for that size and then puts the window's
    // layout and transforms back as they were.

    /// The screen shown, drawn afresh at `size` (a drawing area, clientW x
    /// clientH) with a layout for that size, as a paint of the screen: the
    /// stereo screen of a face model writes the sort report, and a failure
    /// to write it is signalled as for any paint. Null for an empty size.
    QImage renderScreenAt(QSize size);
    /// The screen shown as a paint draws it after the azimuth has been
    /// turned to `yaw` (as a view key or a turntable step turns it, the
    /// transforms rebuilt), laid out for `size` as renderScreenAt does.
    /// A fitted model keeps the fit made for `size` at the window's own
    /// azimuth. Afterwards the azimuth, the layout, the framing and the
    /// transforms are as they were. Every frame of a turntable animation is
    /// drawn here.
    QImage renderScreenAtYaw(QSize size, float yaw);
    /// One eye's stereo-screen picture in grey on black. Without a size, at
    /// the window's layout as it stands (what the window's stereo screen
    /// shows); with one, laid out for that size.
    QImage renderEye(Eye eye, std::optional<QSize> size = std::nullopt);

    // Keyboard control, turntable and options (kelpr_view_controls.cpp).

    /// A view key: the angle keys and Tab redraw at once as a drag does;
    /// Home lays out again. Stops the turntable.
    void applyKey(ViewKey key, bool fine);
    /// Starts or stops turning the azimuth a step per frame. While it turns,
    /// any key or a click on the view stops it.
    void setSpinning(bool on);
    bool isSpinning() const { return spinTimer_.isActive(); }
    /// New options with what follows from them (eye colours, eye
    /// separation), then a platform paint.
    void setOptions(const ViewOptions& options);

  signals:
    /// A stereo paint of a face model could not write the sort report. Sent
    /// once per run of failures: again only after a successful write.
    void sortReportFailed(const QString& message);
    /// The picture was drawn anew (any paint or redraw); for a drag's or
    /// key's redraw, once the picture is shown.
    void pictureDrawn();
    /// A drag or key changed what is shown; its picture follows with the
    /// next paint. Told once for the events one picture answers, at the
    /// first of them; pictureDrawn follows when the last is shown.
    void viewChanged();
    /// The turntable started or stopped.
    void spinningChanged(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void spinOnce();
    void showPointerShape(const QPoint& client);

    /// Layout, then draw into the back buffer.
    void layOutAndDraw();
    /// DrawScreen into the back buffer as laid out; no layout.
    void drawBuffer();
    /// The mouse and key redraw: the next paint draws without a layout and
    /// shows the buffer. That paint comes once the events queued so far have
    /// been handled (showRedraw).
    void redrawNow();
    /// Paints a redraw that is still waiting, or a buffer drawn but not yet
    /// shown.
    void showRedraw();
    /// Draws a redraw still waiting for its paint.
    void drawPendingRedraw();
    /// What became of a paint's sort report: a failure is signalled once per
    /// run of failures.
    void noteSortReport(const Result<SortReport>& report);
    /// Takes the outcomes of the background report writes finished so far.
    void deliverReportStatuses();
    PaintHelpers paintHelpers() const { return {worker_.get(), reports_.get()}; }
    QPoint clientPoint(const QMouseEvent& event) const;

    ViewState state_;
    PaintBuffers buffers_;
    QImage backBuffer_;
    SceneHolder* document_ = nullptr;
    bool layoutPending_ = true;   // resize/show/new scene: the next paint lays out
    bool redrawPending_ = false;  // a mouse or key redraw waits for the next paint
    bool bufferFresh_ = false;    // a mouse or key redraw drew the buffer: just show it
    bool showQueued_ = false;     // showRedraw is queued behind the waiting events
    bool showingRedraw_ = false;  // inside showRedraw's paint
    bool drawnForShow_ = false;   // that paint drew: pictureDrawn follows it
    bool sortFailing_ = false;
    std::unique_ptr<PaintWorker> worker_;
    std::unique_ptr<ReportWriter> reports_;  // reset first by the destructor
    QTimer spinTimer_;
};

}  // namespace kelpris
