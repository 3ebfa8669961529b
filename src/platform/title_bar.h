// The title bar of a modal window on Wayland: the program's own. The compositor draws none, and
// the one Qt draws has a minimise button that would hide a window nothing can bring back.
#pragma once

#include <Qt>

class QWidget;

namespace velti {

// The window flags a modal window is made with: without Qt's title bar on Wayland.
Qt::WindowFlags modalFrame();

// Gives a modal window made with modalFrame() its own title bar: its title, and a close box,
// and a drag anywhere on it moves the window. The client area moves down by the bar's height,
// which is returned (0 where the desktop draws the title bar).
int wearTitleBar(QWidget& window);

} // namespace velti
