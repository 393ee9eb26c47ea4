#pragma once
// The viewer's settings file, looked at before Qt reads it. A QSettings reads
// its files as soon as it is made, and opening a FIFO put in a file's place
// would wait for a writer for ever, so the files are checked first the way
// models are: regular files only, opened without blocking. When one of them
// cannot be read that way the run uses the default settings and writes
// nothing, so the odd object is left as it is.

#include <QSettings>
#include <QString>
#include <memory>

namespace kelpris {

class SettingsAccess {
  public:
    /// Checks the files a QSettings of the application's names would read
    /// (the names must be set first). Reads no setting.
    [[nodiscard]] static SettingsAccess check();

    bool usable() const { return problem_.isEmpty(); }
    /// Which file is unusable and why; empty when usable.
    const QString& problem() const { return problem_; }
    /// The application's settings; null when they are not to be used.
    [[nodiscard]] std::unique_ptr<QSettings> open() const;

  private:
    QString problem_;
};

}  // namespace kelpris
