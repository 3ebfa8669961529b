// Held keys: a key held down acts once, whichever key clicks the button (Return, Enter, Space,
// an access key) and Esc.
#pragma once

class QApplication;

namespace velti::forms {

void actOnceOnHeldKeys(QApplication& application);

} // namespace velti::forms
