#pragma once
// Help > About: the icon, the name and version, one line about the program
// and an OK button.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace kelpris {

class CAboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutBox(QWidget* parent = nullptr);

    const QLabel& versionLabel() const { return version_; }
    const QLabel& descriptionLabel() const { return description_; }
    const QLabel& iconLabel() const { return icon_; }
    QPushButton& okButton() { return ok_; }

  private:
    QLabel icon_;
    QLabel version_;
    QLabel description_;
    QPushButton ok_;
};

}  // namespace kelpris
