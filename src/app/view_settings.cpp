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

// The stored names of a choice; the first entry is the default, given for
// a name not understood.
template <typename T>
using NameTable = std::array<std::pair<T, std::string_view>, 3>;

template <typename T>
std::string_view nameIn(const NameTable<T>& names, T choice) {
    for (const auto& [value, name] : names) {
        if (value == choice) {
            return name;
        }
    }
    return names.front().second;
}

template <typename T>
T choiceIn(const NameTable<T>& names, std::string_view stored) {
    for (const auto& [value, name] : names) {
        if (name == stored) {
            return value;
        }
    }
    return names.front().first;
}

constexpr NameTable<LitOutline> kOutlineNames{{
    {LitOutline::AsShaded, "shaded"},
    {LitOutline::Darker, "darker"},
    {LitOutline::None, "none"},
}};

constexpr NameTable<StereoMouse> kStereoMouseNames{{
    {StereoMouse::Automatic, "auto"},
    {StereoMouse::SetupHandles, "handles"},
    {StereoMouse::TurnModel, "turn"},
}};

// Earlier versions kept "darker" or "none" under "outline", and "darker" was
// the default, which flat faces drew in the eye's line colour: it reads back
// as outlines as shaded, so nobody's flat pictures change.
LitOutline loadOutline(QSettings& settings) {
    if (!settings.contains(QStringLiteral("outlines"))) {
        return keyText(settings, "outline") == "none" ? LitOutline::None : LitOutline::AsShaded;
    }
    return choiceIn(kOutlineNames, keyText(settings, "outlines"));
}

// Earlier versions kept "flat" or "lit" under "shading" and wrote it for
// everyone who changed any view option, so a "flat" there is most likely the
// old default: it reads back as automatic, which is flat for every scene
// file. A "lit" was chosen on purpose and stays.
Shading loadShading(QSettings& settings) {
    if (!settings.contains(QStringLiteral("shadingChoice"))) {
        return keyText(settings, "shading") == "lit" ? Shading::Lit : Shading::Automatic;
    }
    return shadingFromName(keyText(settings, "shadingChoice")).value_or(Shading::Automatic);
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
    options.shading = loadShading(settings);
    options.outline = loadOutline(settings);
    options.stereoMouse = choiceIn(kStereoMouseNames, keyText(settings, "stereoMouse"));
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
    settings.setValue(QStringLiteral("shadingChoice"), text(shadingName(options.shading)));
    settings.remove(QStringLiteral("shading"));
    settings.setValue(QStringLiteral("outlines"), text(nameIn(kOutlineNames, options.outline)));
    settings.remove(QStringLiteral("outline"));
    settings.setValue(QStringLiteral("stereoMouse"),
                      text(nameIn(kStereoMouseNames, options.stereoMouse)));
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
