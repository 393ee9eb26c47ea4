#pragma once
// Help > Keys and Handles: what the handles and keys of the view do.

#include <QAction>
#include <QString>

namespace kelpris {

class CMainFrame;

/// Adds the item (F1) to the frame's Help menu before About; the frame owns
/// it.
QAction* addKeysHelp(CMainFrame& frame);

/// The text the item shows.
QString keysHelpText();

}  // namespace kelpris
