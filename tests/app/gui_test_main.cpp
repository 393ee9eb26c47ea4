// Runs the shell tests inside one QApplication on the off-screen platform,
// from a scratch working directory holding a copy of dom.dat, with settings
// kept in a scratch folder so a developer's own recent list is never touched.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/app.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return 1;
    }
    const QString config = scratch.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kelpris::kApplicationName));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kelpris::kOrganisationName));

    const QString work = scratch.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    QFile::copy(QStringLiteral(KELPRIS_DATA_DIR "/dom.dat"), work + QStringLiteral("/dom.dat"));
    QDir::setCurrent(work);
    return RUN_ALL_TESTS();
}
