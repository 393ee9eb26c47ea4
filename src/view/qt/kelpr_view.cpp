#include "view/qt/kelpr_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <memory>
#include <utility>

#include "render/qt/qt_surface.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"

namespace kelpris {

CKELPRView::CKELPRView(QWidget* parent)
    : QFrame(parent),
      worker_(std::make_unique<PaintWorker>()),
      // Runs on the writer's thread: the outcomes are taken on this one.
      reports_(std::make_unique<ReportWriter>([this] {
          QMetaObject::invokeMethod(
              this, [this] { deliverReportStatuses(); }, Qt::QueuedConnection);
      })) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(2);
    setMidLineWidth(0);
    // The whole client area is redrawn on every paint; no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The pointer shape tells what a press would grab, so moves are wanted
    // without a button too; they change nothing while no drag is armed.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(&spinTimer_, &QTimer::timeout, this, &CKELPRView::spinOnce);

    state_.scene = std::make_shared<const Scena>();
    buildTransforms(state_);
    QtImageSurface toolSurface(1, 1);
    createTools(state_, toolSurface);
}

CKELPRView::~CKELPRView() {
    // Writes the last report and ends the writer's thread while this object
    // is whole; a delivery it queued is dropped with the object.
    reports_.reset();
}

const Scena& CKELPRView::scene() const {
    static const Scena kNone;
    return state_.scene ? *state_.scene : kNone;
}

void CKELPRView::setDocument(SceneHolder* document) {
    document_ = document;
    if (document_ != nullptr) {
        document_->setScene(state_.scene);
    }
}

void CKELPRView::replaceScene(Scena&& fresh, ModelSource source) {
    state_.scene = std::make_shared<const Scena>(std::move(fresh));
    state_.modelSource = source;
    state_.framing = Framing{};
    // The transforms include the translation by the model centre; without this
    // the stereo screen would show a new model round the old one's centre
    // until the next setup paint.
    buildTransforms(state_);
    if (document_ != nullptr) {
        document_->setScene(state_.scene);
    }
    updateView();
}

void CKELPRView::fitToWindow() {
    requestFit(state_.framing);
    updateView();
}

void CKELPRView::updateView() {
    layoutPending_ = true;
    update();
}

QImage CKELPRView::paintNow() {
    layOutAndDraw();
    flushReports();
    // Shared, not copied: the next paint gives the back buffer pixels of its
    // own only if the caller still holds this picture.
    return backBuffer_;
}

void CKELPRView::flushReports() {
    reports_->flush();
    deliverReportStatuses();
}

void CKELPRView::deliverReportStatuses() {
    for (FileStatus& status : reports_->takeStatuses()) {
        noteSortReport(status ? Result<SortReport>(SortReport::Written)
                              : Result<SortReport>(std::move(status)));
    }
}

QImage CKELPRView::currentImage() {
    drawPendingRedraw();
    return backBuffer_;
}

void CKELPRView::layOutAndDraw() {
    // The outer rectangle in the parent's coordinates; only its size matters.
    const PlacementRect placement{x(), y(), x() + width(), y() + height()};
    computeLayout(state_, placement);
    layoutPending_ = false;
    if (redrawPending_) {
        // This draw answers the waiting redraw; the paint only shows it.
        redrawPending_ = false;
        bufferFresh_ = true;
    }
    const Layout& l = state_.layout;
    if (backBuffer_.width() != l.clientW || backBuffer_.height() != l.clientH) {
        backBuffer_ = QImage();
        if (l.clientW > 0 && l.clientH > 0) {
            backBuffer_ = QImage(l.clientW, l.clientH, QImage::Format_RGB32);
        }
    }
    drawBuffer();
}

void CKELPRView::drawBuffer() {
    if (backBuffer_.isNull()) {
        return;  // nothing to draw on: empty client area or no paint yet
    }
    Result<SortReport> report = SortReport::None;
    {
        QtImageSurface surface(backBuffer_);
        report = DrawScreen(state_, surface, buffers_, kSortReportFile, paintHelpers());
    }
    noteSortReport(report);
    deliverReportStatuses();
    if (showingRedraw_) {
        drawnForShow_ = true;  // told once shown (showRedraw)
    } else {
        emit pictureDrawn();
    }
}

void CKELPRView::redrawNow() {
    redrawPending_ = true;
    if (showQueued_) {
        return;  // told already; the picture answers this event too
    }
    // Queued behind the events already waiting, so that one draw answers
    // them all; a lone event is drawn as soon as it is handled, without
    // waiting for the platform's next paint.
    showQueued_ = true;
    QMetaObject::invokeMethod(this, &CKELPRView::showRedraw, Qt::QueuedConnection);
    emit viewChanged();
}

void CKELPRView::showRedraw() {
    showQueued_ = false;
    if (!redrawPending_ && !bufferFresh_) {
        return;
    }
    // Draws and shows at once (nothing when hidden). What listens to the
    // drawing (the status line) is told after the picture is shown, so that
    // it does not hold the picture up.
    showingRedraw_ = true;
    repaint(contentsRect());
    showingRedraw_ = false;
    if (std::exchange(drawnForShow_, false)) {
        emit pictureDrawn();
    }
}

void CKELPRView::drawPendingRedraw() {
    if (redrawPending_) {
        redrawPending_ = false;
        drawBuffer();
        bufferFresh_ = true;
    }
}

void CKELPRView::noteSortReport(const Result<SortReport>& report) {
    if (!report) {
        if (!sortFailing_) {
            sortFailing_ = true;
            emit sortReportFailed(QString::fromStdString(report.message()));
        }
    } else if (*report == SortReport::Written) {
        sortFailing_ = false;
    }
}

void CKELPRView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame
    // Anything but the show of a drag's or key's redraw is a platform paint,
    // whose draw also answers a redraw still waiting (drawing it first would
    // only be drawn over).
    if (layoutPending_ || backBuffer_.isNull() || !(bufferFresh_ || redrawPending_)) {
        layOutAndDraw();
    } else {
        drawPendingRedraw();
    }
    bufferFresh_ = false;
    if (!backBuffer_.isNull()) {
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), backBuffer_);
    }
}

void CKELPRView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutPending_ = true;
}

void CKELPRView::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    layoutPending_ = true;
}

QPoint CKELPRView::clientPoint(const QMouseEvent& event) const {
    return event.position().toPoint() - contentsRect().topLeft();
}

// Each handler passes the event to the default handling first. The defaults
// ignore mouse events, which would hand them (and the implicit grab) to the
// parent, so the view accepts them again afterwards.

void CKELPRView::mousePressEvent(QMouseEvent* event) {
    drawPendingRedraw();
    QFrame::mousePressEvent(event);
    event->accept();
    setSpinning(false);
    const QPoint p = clientPoint(*event);
    if (event->button() == Qt::LeftButton) {
        onLButtonDown(state_, p.x(), p.y());
        if (state_.drags.armed(DragHandle::Turn)) {
            setCursor(Qt::ClosedHandCursor);
        }
    } else if (event->button() == Qt::MiddleButton && startPan(state_, p.x(), p.y())) {
        setCursor(Qt::ClosedHandCursor);
    }
}

void CKELPRView::mouseMoveEvent(QMouseEvent* event) {
    QFrame::mouseMoveEvent(event);
    event->accept();
    const QPoint p = clientPoint(*event);
    onMouseMove(state_, p.x(), p.y(), [this] { redrawNow(); });
    if (panTo(state_, p.x(), p.y())) {
        redrawNow();
    }
    showPointerShape(p);
}

void CKELPRView::mouseReleaseEvent(QMouseEvent* event) {
    drawPendingRedraw();
    QFrame::mouseReleaseEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPoint p = clientPoint(*event);
        onLButtonUp(state_, p.x(), p.y());
        showPointerShape(p);  // the open hand again after a turn
    } else if (event->button() == Qt::MiddleButton && state_.framing.panning) {
        endPan(state_);
        showPointerShape(clientPoint(*event));
    }
}

void CKELPRView::mouseDoubleClickEvent(QMouseEvent* event) {
    drawPendingRedraw();
    QFrame::mouseDoubleClickEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPoint p = clientPoint(*event);
        onLButtonDblClk(state_, p.x(), p.y(), [this] { redrawNow(); });
    }
}

// The wheel zooms the stereo screen about the pointer; elsewhere it goes to
// the default handling.
void CKELPRView::wheelEvent(QWheelEvent* event) {
    constexpr double kNotch = 120.0;  // angleDelta of one wheel notch
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    const double notches = event->angleDelta().y() / kNotch;
    if (zoomAt(state_, p.x(), p.y(), notches)) {
        event->accept();
        redrawNow();
    } else {
        QFrame::wheelEvent(event);
    }
}

}  // namespace kelpris
