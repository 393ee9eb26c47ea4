#include "app/help_menu.h"

#include <QMessageBox>

#include "app/main_frame.h"

namespace kelpris {

QAction* addKeysHelp(CMainFrame& frame) {
    auto* keys = new QAction(QStringLiteral("&Keys and Handles\tF1"), &frame);
    keys->setShortcut(QKeySequence(Qt::Key_F1));
    // Also on the window itself, so the key works in full screen with the
    // menu bar hidden.
    frame.addAction(keys);
    frame.helpMenu().insertAction(&frame.action(Command::AppAbout), keys);
    QObject::connect(keys, &QAction::triggered, &frame, [&frame] {
        QMessageBox::information(&frame, QStringLiteral("Keys and Handles"), keysHelpText());
    });
    return keys;
}

QString keysHelpText() {
    return QStringLiteral(
        "<h3>Handles on the setup screen</h3>"
        "<ul>"
        "<li><b>Yellow ring</b> (either view): drag to move the model along the viewing "
        "direction.</li>"
        "<li><b>Purple vertical line</b>: drag to move the picture plane.</li>"
        "<li><b>Around the plan view</b> (lower half): drag round the model to turn the "
        "azimuth.</li>"
        "<li><b>Around the side view</b> (upper half): drag round the model to turn the "
        "zenith.</li>"
        "<li><b>Preview box</b>: drag to move it.</li>"
        "<li><b>Double-click</b>: the other screen.</li>"
        "<li><b>Wheel</b> on the stereo screen: zoom about the pointer; <b>middle drag</b>: "
        "move the picture.</li>"
        "</ul>"
        "<p>The pointer shows what a press would grab.</p>"
        "<h3>On the stereo screen</h3>"
        "<p>A left drag works the same handles, unseen, or turns the model (right: "
        "azimuth, down: zenith), as View &gt; Stereo Screen Mouse says; by default the "
        "handles for scene files and the turning for other models.</p>"
        "<h3>Keys</h3>"
        "<table>"
        "<tr><td>Left / Right</td><td>azimuth by 5&deg; (Shift: 1&deg;)</td></tr>"
        "<tr><td>Up / Down</td><td>zenith by 5&deg; (Shift: 1&deg;)</td></tr>"
        "<tr><td>Tab</td><td>the other screen</td></tr>"
        "<tr><td>Home</td><td>start angles and positions (and the fit, once used)</td></tr>"
        "<tr><td>F</td><td>fit the whole model into the stereo screen</td></tr>"
        "<tr><td>F11, Esc</td><td>full screen on and off</td></tr>"
        "<tr><td>F1</td><td>this page</td></tr>"
        "</table>"
        "<p>View &gt; Spin turns the model until a key or a click.</p>");
}

}  // namespace kelpris
