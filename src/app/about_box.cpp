#include "app/about_box.h"

#include <QApplication>
#include <QGridLayout>

#include "app/version.h"

namespace kelpris {

CAboutBox::CAboutBox(QWidget* parent)
    : QDialog(parent),
      version_(QString::fromLatin1(kAboutVersionText)),
      description_(QStringLiteral("Two-colour stereo model viewer")),
      ok_(QStringLiteral("OK")) {
    setWindowTitle(QStringLiteral("About KELPRIS"));
    setModal(true);

    icon_.setPixmap(QApplication::windowIcon().pixmap(32, 32));
    icon_.setFixedSize(32, 32);
    version_.setTextFormat(Qt::PlainText);
    description_.setTextFormat(Qt::PlainText);
    ok_.setDefault(true);
    ok_.setAutoDefault(true);
    connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);

    // The layout takes the member widgets as children; they are destroyed as
    // members, after the layout has let go of them.
    auto grid = std::make_unique<QGridLayout>();
    grid->setHorizontalSpacing(16);
    grid->addWidget(&icon_, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(&version_, 0, 1);
    grid->addWidget(&description_, 1, 1);
    grid->addWidget(&ok_, 0, 2, Qt::AlignTop);
    setLayout(grid.release());
    setSizeGripEnabled(false);
}

}  // namespace kelpris
