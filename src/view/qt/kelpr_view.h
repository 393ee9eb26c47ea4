#pragma once
// The one view of the main window: shows the program-wide ViewState through
// the platform-free view logic, drawing into an off-screen back buffer that
// paintEvent shows inside a 2-pixel frame.
//
// Two kinds of redraw are kept apart. A paint the platform asks for (shown,
// resized, uncovered, scene replaced, any plain update()) hands the scene to
// the document, lays the screens out again from the view's placement and
// draws. A redraw from a drag or a double-click draws at once with the
// positions as they stand (no layout) and then only shows the buffer, so a
// dragged position lasts until the next platform paint.

#include <QFrame>
#include <QImage>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "scene/scena.h"
#include "view/keys.h"
#include "view/scene_holder.h"

namespace kelpris {

class PaintWorker;
class ReportWriter;

class CKELPRView : public QFrame {
    Q_OBJECT

  public:
    /// Creates the scene in viewState().scene, loads "dom.dat" from the
    /// working directory into it (the outcome is kept, see
    /// startupLoadStatus), and creates the pens, brushes and observer
    /// pictures. The drawing area (contentsRect) is width-4 x height-4.
    explicit CKELPRView(QWidget* parent = nullptr);
    /// Releases the drawing tools, then the scene.
    ~CKELPRView() override;

    /// The one scene, owned by this view through viewState().
    Scena& scene();

    /// The outcome of loading dom.dat at construction.
    const FileStatus& startupLoadStatus() const;

    /// Attaches the document. It receives the scene now (so it is valid before
    /// the first open) and again on every platform paint. May be null.
    void setDocument(SceneHolder* document);

    /// Move-assigns `fresh` into the existing scene object (the document keeps
    /// its reference), rebuilds the view transforms round its centre (so the
    /// stereo screen shows it centred at once) and calls updateView().
    void replaceScene(Scena&& fresh);

    /// The update that follows File New or Open: schedules a platform paint,
    /// which lays out again even if a drag has just drawn the buffer, so
    /// dragged positions return to their layout values; yaw, pitch and the
    /// screen shown stay.
    void updateView();

    /// Does synchronously what a platform paint does (scene to the document,
    /// layout from the current geometry, draw into the back buffer), waits
    /// for the sort report (see flushReports) and returns the clientW x
    /// clientH picture, which later paints leave as it is; null when the
    /// drawing area is empty. Works without the widget being shown.
    QImage paintNow();

    /// Waits until every sort report of the paints so far is written, and
    /// signals a failure among them at once.
    void flushReports();

    /// The back buffer as last drawn (null before the first paint).
    QImage currentImage() const;

    // Keyboard control, turntable and options (kelpr_view_controls.cpp).

    /// A view key: the angle keys and Tab redraw at once as a drag does;
    /// Home lays out again. Stops the turntable.
    void applyKey(ViewKey key, bool fine);
    /// Starts or stops turning the azimuth a step per frame. While it turns,
    /// any key or a click on the view stops it.
    void setSpinning(bool on);
    bool isSpinning() const { return spinTimer_.isActive(); }
    /// After viewState().options changed: new eye colours, then a platform
    /// paint (the eye separation is applied by the layout).
    void applyOptions();

  signals:
    /// A stereo paint of a face model could not write the sort report. Sent
    /// once per run of failures: again only after a successful write.
    void sortReportFailed(const QString& message);
    /// The picture was drawn anew (any paint or redraw).
    void pictureDrawn();
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

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void spinOnce();
    void showPointerShape(const QPoint& client);

    /// Scene to the document, layout, draw into the back buffer.
    void layOutAndDraw();
    /// DrawScreen into the back buffer as laid out; no layout.
    void drawBuffer();
    /// The mouse redraw: draw now, then show the buffer without a layout.
    void redrawNow();
    void noteSortStatus(const std::optional<FileStatus>& status);
    /// Takes the outcomes of the background report writes finished so far.
    void deliverReportStatuses();
    QPoint clientPoint(const QMouseEvent& event) const;

    QImage backBuffer_;
    FileStatus startupStatus_;
    SceneHolder* document_ = nullptr;
    bool layoutPending_ = true;  // resize/show/new scene: the next paint lays out
    bool bufferFresh_ = false;   // a mouse redraw drew the buffer: just show it
    bool sortFailing_ = false;
    std::unique_ptr<PaintWorker> worker_;
    std::unique_ptr<ReportWriter> reports_;  // reset first by the destructor
    QTimer spinTimer_;
};

}  // namespace kelpris
