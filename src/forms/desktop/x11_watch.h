// The X11 watch: on an X display, what a window manager and other programs do to the program's
// windows, read from the X server's own events.
#pragma once

class QApplication;

namespace velti::forms {
class Keys;
}

namespace velti::forms {

void watchX11(QApplication& application, Keys& keys);

} // namespace velti::forms
