#pragma once
// The viewer options kept in the application's settings between runs
// (group "View"). Values that are missing or not understood give the
// defaults, so a damaged settings file cannot change the pictures.

#include <QSettings>

#include "view/view_options.h"

namespace kelpris {

/// The options stored in `settings`, each key falling back to its default.
ViewOptions loadViewOptions(QSettings& settings);
/// Whether the status bar was left shown (the default).
bool loadStatusBarShown(QSettings& settings);

void saveViewOptions(QSettings& settings, const ViewOptions& options, bool statusBarShown);

/// The folder the export dialogs start in; empty when none was kept.
QString loadExportFolder(QSettings& settings);
void saveExportFolder(QSettings& settings, const QString& folder);

}  // namespace kelpris
