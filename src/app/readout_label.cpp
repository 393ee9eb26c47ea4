#include "app/readout_label.h"

#include <QLayout>
#include <QResizeEvent>

namespace kelpris {

namespace {
const QString kSeparator = QStringLiteral(" | ");
}

QString fittedReadout(const QString& name, const QString& details, const QFontMetrics& metrics,
                      int width) {
    const QString whole = name + kSeparator + details;
    if (metrics.horizontalAdvance(whole) <= width) {
        return whole;
    }
    const int nameWidth = width - metrics.horizontalAdvance(kSeparator + details);
    // Less room than an ellipsis and a letter on either side leaves no name
    // worth showing.
    if (nameWidth >= metrics.horizontalAdvance(QStringLiteral("m\u2026m"))) {
        return metrics.elidedText(name, Qt::ElideMiddle, nameWidth) + kSeparator + details;
    }
    return metrics.elidedText(details, Qt::ElideLeft, width);
}

ReadoutLabel::ReadoutLabel(QWidget* parent) : QLabel(parent) {
    // A long line must never make the window wider.
    setMinimumWidth(1);
}

void ReadoutLabel::setReadout(const QString& name, const QString& details) {
    name_ = name;
    details_ = details;
    setToolTip(name_ + kSeparator + details_);
    // Laid out for the new line at once, so the text shown fits the width
    // the bar gives it now rather than after the next event.
    updateGeometry();
    if (parentWidget() != nullptr && parentWidget()->layout() != nullptr) {
        parentWidget()->layout()->activate();
    }
    fit();
}

QSize ReadoutLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    const int whole = fontMetrics().horizontalAdvance(name_ + kSeparator + details_);
    return {whole + margins.left() + margins.right() + 2 * margin(), QLabel::sizeHint().height()};
}

void ReadoutLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void ReadoutLabel::fit() {
    setText(fittedReadout(name_, details_, fontMetrics(), contentsRect().width()));
}

}  // namespace kelpris
