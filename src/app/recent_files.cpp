#include "app/recent_files.h"

#include <QDir>

#include "app/file_names.h"

namespace kelpris {

namespace {

constexpr const char* kGroup = "Recent File List";

/// An entry as stored: bytes unless text gives back the same bytes.
QVariant storedForm(const QByteArray& native) {
    const QString text = shownName(native);
    if (nativeName(text) == native) {
        return text;
    }
    return native;
}

QByteArray fromStored(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray();
    }
    return nativeName(value.toString());
}

}  // namespace

RecentFileList::RecentFileList(int capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

void RecentFileList::add(const QByteArray& path) {
    if (path.isEmpty()) {
        return;
    }
    const QByteArray entry = absoluteName(path);
    entries_.removeAll(entry);
    entries_.prepend(entry);
    while (entries_.size() > capacity_) {
        entries_.removeLast();
    }
}

void RecentFileList::add(const QString& path) {
    add(nativeName(path));
}

void RecentFileList::remove(const QByteArray& path) {
    if (!path.isEmpty()) {
        entries_.removeAll(absoluteName(path));
    }
}

void RecentFileList::remove(const QString& path) {
    remove(nativeName(path));
}

QStringList RecentFileList::entries() const {
    QStringList shown;
    for (const QByteArray& entry : entries_) {
        shown.append(shownName(entry));
    }
    return shown;
}

void RecentFileList::load(QSettings& settings) {
    entries_.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= capacity_; ++i) {
        const QByteArray entry = fromStored(settings.value(QStringLiteral("File%1").arg(i)));
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
            settings.setValue(key, storedForm(entries_.at(i - 1)));
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
