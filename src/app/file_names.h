#pragma once
// File names as the system knows them: byte strings. They are kept as bytes
// (QByteArray) from where the user gives them to the system call, and turned
// into text only to be shown, so a name that is not valid UTF-8 still opens
// and saves the file it names.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <filesystem>

namespace kelpris {

/// The bytes of a name given as text (a dialog, a test).
[[nodiscard]] QByteArray nativeName(const QString& text);
/// A name as text for messages, titles and menus; bytes that are not valid
/// text are shown as U+FFFD.
[[nodiscard]] QString shownName(const QByteArray& native);
[[nodiscard]] std::filesystem::path fsPath(const QByteArray& native);
/// `native` made absolute and free of "." and ".." parts, still as bytes.
[[nodiscard]] QByteArray absoluteName(const QByteArray& native);
/// The name of a local-file URL as bytes, taken from its percent-encoded
/// form so no byte is lost; empty for other URLs.
[[nodiscard]] QByteArray nativeNameOfUrl(const QUrl& url);

/// Whether a name given as text can stand for a real name: false when it
/// holds U+FFFD (bytes that were not valid text when it was made) and no
/// file goes by its bytes, as then the real name is lost.
[[nodiscard]] bool isRepresentable(const QString& text);

/// The reason given when isRepresentable() is false.
inline constexpr const char* kUnrepresentableName =
    "the file name holds bytes that are not valid text here, so it cannot be used from this "
    "dialog; give the name on the command line or drop the file on the window";

}  // namespace kelpris
