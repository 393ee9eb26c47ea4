#include "view/qt/kelpr_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <memory>

#include "render/qt/qt_surface.h"
#include "view/paint_worker.h"
#include "view/report_writer.h"
#include "view/view_logic.h"
#include "view/view_state.h"

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

    ViewState& state = viewState();
    state.scene = std::make_unique<Scena>();
    startupStatus_ = state.scene->load("dom.dat");
    buildTransforms(state);
    QtImageSurface toolSurface(1, 1);
    createTools(state, toolSurface);
}

CKELPRView::~CKELPRView() {
    // Writes the last report and ends the writer's thread while this object
    // is whole; a delivery it queued is dropped with the object.
    reports_.reset();
    ViewState& state = viewState();
    releaseTools(state);
    state.scene.reset();
}

Scena& CKELPRView::scene() {
    ViewState& state = viewState();
    if (!state.scene) {
        state.scene = std::make_unique<Scena>();
    }
    return *state.scene;
}

const FileStatus& CKELPRView::startupLoadStatus() const {
    return startupStatus_;
}

void CKELPRView::setDocument(SceneHolder* document) {
    document_ = document;
    if (document_ != nullptr) {
        document_->setScene(&scene());
    }
}

void CKELPRView::replaceScene(Scena&& fresh) {
    scene() = std::move(fresh);
    // The transforms include the translation by the model centre; without this
    // the stereo screen would show a new model round the old one's centre
    // until the next setup paint.
    buildTransforms(viewState());
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
    for (const FileStatus& status : reports_->takeStatuses()) {
        noteSortStatus(status);
    }
}

QImage CKELPRView::currentImage() const {
    return backBuffer_;
}

void CKELPRView::layOutAndDraw() {
    if (document_ != nullptr) {
        document_->setScene(&scene());
    }
    // The outer rectangle in the parent's coordinates; only its size matters.
    const PlacementRect placement{x(), y(), x() + width(), y() + height()};
    ViewState& state = viewState();
    computeLayout(state, placement);
    layoutPending_ = false;
    if (backBuffer_.width() != state.clientW || backBuffer_.height() != state.clientH) {
        backBuffer_ = QImage();
        if (state.clientW > 0 && state.clientH > 0) {
            backBuffer_ = QImage(state.clientW, state.clientH, QImage::Format_RGB32);
        }
    }
    drawBuffer();
}

void CKELPRView::drawBuffer() {
    if (backBuffer_.isNull()) {
        return;  // nothing to draw on: empty client area or no paint yet
    }
    std::optional<FileStatus> status;
    {
        QtImageSurface surface(backBuffer_);
        status = DrawScreen(viewState(), surface, kSortReportFile, {worker_.get(), reports_.get()});
    }
    noteSortStatus(status);
    deliverReportStatuses();
    emit pictureDrawn();
}

void CKELPRView::redrawNow() {
    drawBuffer();
    bufferFresh_ = true;
    update();
}

void CKELPRView::noteSortStatus(const std::optional<FileStatus>& status) {
    if (!status) {
        return;
    }
    if (status->ok) {
        sortFailing_ = false;
    } else if (!sortFailing_) {
        sortFailing_ = true;
        emit sortReportFailed(QString::fromStdString(status->message()));
    }
}

void CKELPRView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame
    // Anything but a pure show of a buffer drawn by a drag is a platform paint.
    if (layoutPending_ || !bufferFresh_ || backBuffer_.isNull()) {
        layOutAndDraw();
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
    QFrame::mousePressEvent(event);
    event->accept();
    setSpinning(false);
    if (event->button() == Qt::LeftButton) {
        const QPoint p = clientPoint(*event);
        onLButtonDown(viewState(), p.x(), p.y());
    }
}

void CKELPRView::mouseMoveEvent(QMouseEvent* event) {
    QFrame::mouseMoveEvent(event);
    event->accept();
    const QPoint p = clientPoint(*event);
    onMouseMove(viewState(), p.x(), p.y(), [this] { redrawNow(); });
    showPointerShape(p);
}

void CKELPRView::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPoint p = clientPoint(*event);
        onLButtonUp(viewState(), p.x(), p.y());
    }
}

void CKELPRView::mouseDoubleClickEvent(QMouseEvent* event) {
    QFrame::mouseDoubleClickEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPoint p = clientPoint(*event);
        onLButtonDblClk(viewState(), p.x(), p.y(), [this] { redrawNow(); });
    }
}

}  // namespace kelpris
