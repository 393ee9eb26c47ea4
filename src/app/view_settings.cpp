#include "app/view_settings.h"

#include <algorithm>

namespace kelpris {

namespace {

constexpr const char* kGroup = "View";

std::string keyText(QSettings& settings, const char* key) {
    return settings.value(QString::fromLatin1(key)).toString().toStdString();
}

}  // namespace

ViewOptions loadViewOptions(QSettings& settings) {
    ViewOptions options;
    settings.beginGroup(QString::fromLatin1(kGroup));
    if (const auto pair = glassesFromName(keyText(settings, "glasses"))) {
        options.glasses.pair = *pair;
    }
    options.glasses.swapEyes = settings.value(QStringLiteral("swapEyes"), false).toBool();
    bool ok = false;
    const int balance = settings.value(QStringLiteral("eyeBalance"), 0).toInt(&ok);
    options.glasses.eyeBalance = ok ? std::clamp(balance, 0, kMaxEyeBalance) : 0;
    if (const auto shading = shadingFromName(keyText(settings, "shading"))) {
        options.shading = *shading;
    }
    if (keyText(settings, "outline") == "none") {
        options.outline = LitOutline::None;
    }
    const int sep =
        settings.value(QStringLiteral("eyeHalfSeparation"), kDefaultEyeHalfSep).toInt(&ok);
    if (ok && std::find(kEyeHalfSepSteps.begin(), kEyeHalfSepSteps.end(), sep) !=
                  kEyeHalfSepSteps.end()) {
        options.eyeHalfSep = sep;
    }
    settings.endGroup();
    return options;
}

bool loadStatusBarShown(QSettings& settings) {
    return settings.value(QStringLiteral("View/statusBar"), true).toBool();
}

void saveViewOptions(QSettings& settings, const ViewOptions& options, bool statusBarShown) {
    settings.beginGroup(QString::fromLatin1(kGroup));
    const auto text = [](std::string_view s) {
        return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
    };
    settings.setValue(QStringLiteral("glasses"), text(glassesName(options.glasses.pair)));
    settings.setValue(QStringLiteral("swapEyes"), options.glasses.swapEyes);
    settings.setValue(QStringLiteral("eyeBalance"), options.glasses.eyeBalance);
    settings.setValue(QStringLiteral("shading"), text(shadingName(options.shading)));
    settings.setValue(QStringLiteral("outline"), options.outline == LitOutline::None
                                                     ? QStringLiteral("none")
                                                     : QStringLiteral("darker"));
    settings.setValue(QStringLiteral("eyeHalfSeparation"), options.eyeHalfSep);
    settings.setValue(QStringLiteral("statusBar"), statusBarShown);
    settings.endGroup();
}

QString loadExportFolder(QSettings& settings) {
    return settings.value(QStringLiteral("View/exportFolder")).toString();
}

void saveExportFolder(QSettings& settings, const QString& folder) {
    settings.setValue(QStringLiteral("View/exportFolder"), folder);
}

}  // namespace kelpris
