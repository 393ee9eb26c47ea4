#include "app/view_settings.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace kelpris {

namespace {

constexpr const char* kGroup = "View";

std::string keyText(QSettings& settings, const char* key) {
    return settings.value(QString::fromLatin1(key)).toString().toStdString();
}

constexpr std::array<std::pair<LitOutline, std::string_view>, 3> kOutlineNames{{
    {LitOutline::AsShaded, "shaded"},
    {LitOutline::Darker, "darker"},
    {LitOutline::None, "none"},
}};

std::string_view outlineName(LitOutline outline) {
    for (const auto& [value, name] : kOutlineNames) {
        if (value == outline) {
            return name;
        }
    }
    return kOutlineNames.front().second;
}

// Earlier versions kept "darker" or "none" under "outline", and "darker" was
// the default, which flat faces drew in the eye's line colour: it reads back
// as outlines as shaded, so nobody's flat pictures change.
LitOutline loadOutline(QSettings& settings) {
    if (!settings.contains(QStringLiteral("outlines"))) {
        return keyText(settings, "outline") == "none" ? LitOutline::None : LitOutline::AsShaded;
    }
    const std::string stored = keyText(settings, "outlines");
    for (const auto& [value, name] : kOutlineNames) {
        if (name == stored) {
            return value;
        }
    }
    return LitOutline::AsShaded;
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
    options.outline = loadOutline(settings);
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
    settings.setValue(QStringLiteral("outlines"), text(outlineName(options.outline)));
    settings.remove(QStringLiteral("outline"));
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
