#include "app/file_names.h"

#include <QFile>
#include <string>
#include <system_error>

namespace kelpris {

QByteArray nativeName(const QString& text) {
    return QFile::encodeName(text);
}

QString shownName(const QByteArray& native) {
    return QFile::decodeName(native);
}

std::filesystem::path fsPath(const QByteArray& native) {
    return std::filesystem::path(std::string(native.constData(), native.size()));
}

QByteArray absoluteName(const QByteArray& native) {
    if (native.isEmpty()) {
        return {};
    }
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(fsPath(native), ec);
    if (ec) {
        path = fsPath(native);
    }
    const std::string normal = path.lexically_normal().string();
    return QByteArray(normal.data(), static_cast<qsizetype>(normal.size()));
}

QByteArray nativeNameOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

bool isRepresentable(const QString& text) {
    if (!text.contains(QChar(QChar::ReplacementCharacter))) {
        return true;
    }
    return std::filesystem::exists(fsPath(nativeName(text)));
}

}  // namespace kelpris
