// The main of the Qt test programs: one QApplication on the offscreen
// platform (unless QT_QPA_PLATFORM says otherwise), with settings and
// runtime files kept in a scratch folder so a developer's own settings are
// never touched, and a scratch working directory for files the code under
// test writes there. A program that needs more (names, files) adds a
// ::testing::Environment.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <iostream>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::cerr << "no scratch folder: " << scratch.errorString().toStdString() << '\n';
        return 1;
    }
    const QString config = scratch.filePath(QStringLiteral("config"));
    const QString work = scratch.filePath(QStringLiteral("work"));
    if (!QDir().mkpath(config) || !QDir().mkpath(work)) {
        std::cerr << "cannot make folders in " << scratch.path().toStdString() << '\n';
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);

    QApplication app(argc, argv);
    if (!QDir::setCurrent(work)) {
        std::cerr << "cannot enter " << work.toStdString() << '\n';
        return 1;
    }
    return RUN_ALL_TESTS();
}
