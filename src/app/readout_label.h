#pragma once
// The status bar's depth readout: a file name followed by the figures and
// the verdict. When the line is wider than the label the name gives way
// first, so the verdict at its end stays in view.

#include <QFontMetrics>
#include <QLabel>
#include <QString>

namespace kelpris {

/// "NAME | DETAILS" fitted into `width` pixels: the name shortened in the
/// middle, and left out when not even that fits; then the details lose
/// their start, never their end.
[[nodiscard]] QString fittedReadout(const QString& name, const QString& details,
                                    const QFontMetrics& metrics, int width);

class ReadoutLabel final : public QLabel {
  public:
    explicit ReadoutLabel(QWidget* parent = nullptr);

    /// Shows `name` and `details` fitted to the label's width; the whole
    /// line is the tool tip.
    void setReadout(const QString& name, const QString& details);

    /// As wide as the whole line, whatever part of it is shown, so the
    /// label grows back when the window does.
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fit();

    QString name_;
    QString details_;
};

}  // namespace kelpris
