#include "app/settings_access.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "app/file_names.h"
#include "base/file_io.h"

namespace kelpris {

namespace {

/// The files QSettings reads for the application on this system: the
/// application's and the organisation's file, in the user's folder and in
/// the system-wide ones.
QStringList settingsFiles() {
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders.prepend(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    folders.append(QLibraryInfo::path(QLibraryInfo::SettingsPath));
    folders.removeDuplicates();
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QStringList files;
    for (const QString& folder : folders) {
        if (!folder.isEmpty()) {
            files << folder + u'/' + organisation + u'/' + application + QStringLiteral(".conf");
            files << folder + u'/' + organisation + QStringLiteral(".conf");
        }
    }
    return files;
}

}  // namespace

SettingsAccess SettingsAccess::check() {
    SettingsAccess access;
    for (const QString& file : settingsFiles()) {
        const std::filesystem::path path = fsPath(nativeName(file));
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            continue;  // written afresh when a setting is stored
        }
        if (const FileStatus readable = checkRegularFile(path); !readable) {
            access.problem_ = QString::fromStdString(readable.message());
            break;
        }
    }
    return access;
}

std::unique_ptr<QSettings> SettingsAccess::open() const {
    if (!usable()) {
        return nullptr;
    }
    return std::make_unique<QSettings>();
}

}  // namespace kelpris
