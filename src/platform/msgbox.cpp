// The real message box: a QMessageBox, modal, with the program's title bar on Wayland.
#include "platform/msgbox.h"

#include "platform/title_bar.h"

#include <QMessageBox>

namespace velti {

int SystemMsgBox::show(const QString& prompt, int style, const QString& title, QWidget* owner) {
    QMessageBox box(owner);
    box.setWindowFlags(box.windowFlags() | modalFrame());
    box.setWindowTitle(title);
    // Minimised, it keeps its name instead of taking its whole message for one.
    box.setWindowIconText(title);
    box.setText(prompt);
    box.setStandardButtons(QMessageBox::Ok);
    switch (style & 0x70) {
    case msgbox::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case msgbox::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case msgbox::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case msgbox::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    wearTitleBar(box);
    box.exec();
    // The keyboard goes back to the window the box spoke for. A window manager does it by itself;
    // without one, or when another program destroyed the box, nobody else would.
    if (owner != nullptr && owner->isVisible())
        owner->activateWindow();
    return 1;
}

} // namespace velti
