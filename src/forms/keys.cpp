// Held keys: the repeats of a key held down are dropped before any button or shortcut sees them.
#include "forms/keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSet>
#include <QWidget>

namespace velti::forms {

namespace {

// A repeat is a press of a key that is down already. Qt marks most repeats, but on X11 it tells a
// repeat from a new press by the release the server sends between them, and under load it misses
// some; the desktop watch asks the server for repeats without releases there. Each press comes
// first as a shortcut override, then, unless a shortcut took it, as the press itself. Only the
// keys that act are held to one press: Tab held still moves on through the buttons.
class HeldKeys final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* object, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            // Once, at the first receiver: a key no widget takes goes on up to its parents.
            auto* key = static_cast<QKeyEvent*>(event);
            if (!acts(*key) || (!key->isAutoRepeat() && !firstReceiver(object)))
                return false;
            const bool override = event->type() == QEvent::ShortcutOverride;
            if (!override && overridden_ == key->key()) {
                overridden_ = 0;
                return false;
            }
            if (key->isAutoRepeat() || down_.contains(key->key())) {
                // Taken as the focused widget's own, so that no shortcut acts; then dropped.
                event->accept();
                return true;
            }
            down_.insert(key->key());
            overridden_ = override ? key->key() : 0;
            return false;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && firstReceiver(object))
                down_.remove(key->key());
            return false;
        }
        case QEvent::ApplicationDeactivate:
            // The releases of keys held while another program takes the keyboard go to it.
            down_.clear();
            overridden_ = 0;
            return false;
        default:
            return false;
        }
    }

private:
    static bool firstReceiver(const QObject* object) {
        const QWidget* focus = QApplication::focusWidget();
        return object == focus || (focus == nullptr && object->isWidgetType());
    }
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

    QSet<int> down_;
    int overridden_ = 0;
};

} // namespace

void actOnceOnHeldKeys(QApplication& application) {
    application.installEventFilter(new HeldKeys(&application));
}

} // namespace velti::forms
