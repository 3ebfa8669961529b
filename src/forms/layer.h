// Start-up of the window layer itself.
#pragma once

class QApplication;

namespace velti::forms {

// Sets up what every window relies on: the style, the stand-ins for the designed fonts, and the
// layer's own texts in Italian whatever the user's locale.
void initialise(QApplication& application);

} // namespace velti::forms
