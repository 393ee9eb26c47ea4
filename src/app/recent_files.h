#pragma once
// The File menu's list of recently opened files, kept in the application's
// settings between runs.

#include <QByteArray>
#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace kelpris {

class RecentFileList {
  public:
    /// Number of entries the File menu shows.
    static constexpr int kDefaultCapacity = 4;

    explicit RecentFileList(int capacity = kDefaultCapacity);

    /// Puts `path` (made absolute) first; an entry for the same file moves up
    /// instead of appearing twice; the oldest entries beyond the capacity drop
    /// off. Empty paths are ignored. Names are kept as the bytes given.
    void add(const QByteArray& path);
    void add(const QString& path);
    /// Removes the entry for `path`, if any.
    void remove(const QByteArray& path);
    void remove(const QString& path);

    /// Newest first, at most capacity() entries, as the system's bytes.
    const QList<QByteArray>& nativeEntries() const { return entries_; }
    /// The same entries as text, for showing.
    [[nodiscard]] QStringList entries() const;
    int capacity() const { return capacity_; }

    /// Replaces the entries with those stored in `settings` (group
    /// "Recent File List", keys "File1" ... "FileN"), skipping empty and
    /// duplicate ones.
    void load(QSettings& settings);
    /// Stores the entries so that load() gives them back; unused keys are
    /// removed. A name that is valid text is stored as text, any other as
    /// bytes, so it survives unchanged.
    void save(QSettings& settings) const;

    /// Menu text of entry `index` (0-based): "&1 <path>", with any '&' of the
    /// path doubled so it is shown rather than taken as a mnemonic.
    static QString menuText(int index, const QString& path);

  private:
    int capacity_;
    QList<QByteArray> entries_;
};

}  // namespace kelpris
