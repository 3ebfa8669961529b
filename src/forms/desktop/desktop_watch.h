// The desktop watch: what a window manager, a taskbar or another program does to the state of the
// program's windows, the message boxes included. A window goes only when asked; what a desktop
// does in ordinary use is left to it, and what another program does is undone or taken as the
// close it stands for.
#pragma once

class QApplication;

namespace velti::forms {

class Keys;

void watchTheDesktop(QApplication& application, Keys& keys);

} // namespace velti::forms
