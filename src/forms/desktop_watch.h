// What the desktop and other programs do to the program's windows, watched for every window of
// the program, the message boxes included.
#pragma once

class QApplication;

namespace velti::forms {

void watchTheDesktop(QApplication& application);

} // namespace velti::forms
