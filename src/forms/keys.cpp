// Held keys: the repeats of a key held down are dropped before any button or shortcut sees them.
#include "forms/keys.h"

#include <QApplication>
#include <QKeyEvent>

namespace velti::forms {

namespace {

// A repeat that Qt marks as one (Qt's own, on Wayland and Windows) is dropped before any button or
// shortcut sees it. On X11 the desktop watch drops the repeats Qt would take for new presses.
// Only the keys that act are held to one press: Tab held still moves on through the buttons.
class HeldKeys final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* /*object*/, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() || !acts(*key))
            return false;
        // Taken as the focused widget's own, so that no shortcut acts; then dropped.
        event->accept();
        return true;
    }

private:
    static bool acts(const QKeyEvent& key) {
        switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Escape:
            return true;
        default:
            return key.modifiers().testFlag(Qt::AltModifier) && key.key() < Qt::Key_Escape;
        }
    }
};

} // namespace

void actOnceOnHeldKeys(QApplication& application) {
    application.installEventFilter(new HeldKeys(&application));
}

} // namespace velti::forms
