// The application's set-up: what every window relies on, made once before the first window.
#pragma once

class QApplication;

namespace velti::forms {

// The style, the stand-ins for the designed fonts, Qt's own texts in Italian, what assistive
// technology is told, the desktop watch, and keys held down.
void initialise(QApplication& application);

} // namespace velti::forms
