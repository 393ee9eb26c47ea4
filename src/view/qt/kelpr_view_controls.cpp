// Keyboard control, the turntable, the pointer shape and option changes of
// the view widget.

#include <QApplication>
#include <QEvent>

#include "view/qt/kelpr_view.h"

namespace kelpris {

namespace {

constexpr int kSpinIntervalMs = 40;  // 25 frames a second

Qt::CursorShape cursorFor(PointerShape shape) {
    switch (shape) {
        case PointerShape::Move:
            return Qt::SizeAllCursor;
        case PointerShape::ResizeHorizontal:
            return Qt::SizeHorCursor;
        case PointerShape::Rotate:
            return Qt::CrossCursor;
        case PointerShape::Turn:
            return Qt::OpenHandCursor;
        case PointerShape::Arrow:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

void CKELPRView::applyKey(ViewKey key, bool fine) {
    setSpinning(false);
    if (onViewKey(state_, key, fine) == KeyEffect::LayOut) {
        updateView();
    } else {
        redrawNow();
    }
}

void CKELPRView::setSpinning(bool on) {
    if (on == spinTimer_.isActive()) {
        return;
    }
    if (on) {
        spinTimer_.start(kSpinIntervalMs);
        qApp->installEventFilter(this);
    } else {
        spinTimer_.stop();
        qApp->removeEventFilter(this);
    }
    emit spinningChanged(on);
}

void CKELPRView::spinOnce() {
    spinStep(state_, kSpinStep);
    redrawNow();
}

bool CKELPRView::eventFilter(QObject* watched, QEvent* event) {
    // Any key stops the turntable; shortcuts see ShortcutOverride first.
    if (spinTimer_.isActive() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        setSpinning(false);
    }
    return QFrame::eventFilter(watched, event);
}

void CKELPRView::setOptions(const ViewOptions& options) {
    state_.setOptions(options);
    updateView();
}

void CKELPRView::showPointerShape(const QPoint& client) {
    if (state_.dragging() || state_.framing.panning) {
        return;  // keeps the shape of the handle being dragged
    }
    const PointerShape shape = pointerShapeAt(state_, client.x(), client.y());
    if (shape == PointerShape::Arrow) {
        unsetCursor();
    } else {
        setCursor(cursorFor(shape));
    }
}

}  // namespace kelpris
