#include "app/recent_files.h"

#include <QDir>
#include <QFileInfo>

namespace kelpris {

namespace {

constexpr const char* kGroup = "Recent File List";

QString normalised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

RecentFileList::RecentFileList(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

void RecentFileList::add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QString entry = normalised(path);
    entries_.removeAll(entry);
    entries_.prepend(entry);
    while (entries_.size() > capacity_) {
        entries_.removeLast();
    }
}

void RecentFileList::remove(const QString& path) {
    if (!path.isEmpty()) {
        entries_.removeAll(normalised(path));
    }
}

void RecentFileList::load(QSettings& settings) {
    entries_.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= capacity_; ++i) {
        const QString entry = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!entry.isEmpty() && !entries_.contains(entry)) {
            entries_.append(entry);
        }
    }
    settings.endGroup();
}

void RecentFileList::save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    for (int i = 1; i <= capacity_; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= entries_.size()) {
            settings.setValue(key, entries_.at(i - 1));
        } else {
            settings.remove(key);
        }
    }
    settings.endGroup();
}

QString RecentFileList::menuText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace kelpris
