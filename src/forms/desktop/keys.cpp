// Keys as a person expects them: what a key held down does, and access keys on any layout.
#include "forms/desktop/keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

#include <string_view>

namespace velti::forms {

namespace {

#ifdef Q_OS_WIN
// On Windows a letter key's virtual code is the Latin letter whatever the layout: Qt matches it.
bool actAsLatin(QObject* /*widget*/, const QKeyEvent& /*key*/) {
    return false;
}
#else
// The letter a key bears on a US keyboard, by its XKB key code (the evdev code plus 8, as X11
// and Wayland both report it), or 0: what an access key falls back on when no configured layout
// gives the key a Latin letter.
Qt::Key usLetter(quint32 code) {
    // From key code 24 on; a dot for a key that bears no letter.
    static constexpr std::string_view letters = "QWERTYUIOP....ASDFGHJKL.....ZXCVBNM";
    if (code < 24 || code - 24 >= letters.size() || letters[code - 24] == '.')
        return Qt::Key(0);
    return Qt::Key(letters[code - 24]);
}

// A letter outside Latin script: Cyrillic, Greek, Hebrew, Arabic...
bool nonLatinLetter(int key) {
    return key > 0x24F && key < Qt::Key_Escape && QChar::isLetter(char32_t(key));
}

// A press that reaches a widget matched no shortcut. Alt with a letter of a layout without Latin
// letters (Qt looks in the other configured layouts first) is taken as the letter the key bears on
// a US keyboard, and goes through the shortcuts again.
bool actAsLatin(QObject* widget, const QKeyEvent& key) {
    if (!key.modifiers().testFlag(Qt::AltModifier) || !nonLatinLetter(key.key()))
        return false;
    const Qt::Key latin = usLetter(key.nativeScanCode());
    if (latin == 0)
        return false;
    QKeyEvent again(QEvent::KeyPress, latin, key.modifiers(), QString(QChar(latin)).toLower());
    QCoreApplication::sendEvent(widget, &again);
    return true;
}
#endif

} // namespace

Keys::Keys(QObject* parent) : QObject(parent) {
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Keys::follow);
}

// Where nothing brings a modal window forward (the compositor hid it, and keeps the keyboard on a
// window it blocks), the keys typed there go to the modal window: Esc closes it, Return and Space
// press its focused button, Tab and the arrows move on, its access keys click. Qt drops a blocked
// window's keys before anything sees them, but asks the shortcuts first: the modal window's keys
// are the program's shortcuts while a window it blocks has the keyboard, and only then.
void Keys::follow(QWindow* focus) {
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* typedOn = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (focus != nullptr && window->windowHandle() == focus)
            typedOn = window;
    }
    const bool stray =
        modal != nullptr && typedOn != nullptr && typedOn != modal && !modal->isAncestorOf(typedOn);
    if (stray && modal != modal_) {
        modal_ = modal;
        shortcuts_.clear();
        const auto add = [this, modal](const QKeySequence& keys, bool repeats, auto act) {
            auto* shortcut = new QShortcut(keys, modal);
            shortcut->setContext(Qt::ApplicationShortcut);
            shortcut->setAutoRepeat(repeats);
            connect(shortcut, &QShortcut::activated, modal, act);
            shortcuts_.append(shortcut);
        };
        // The keys that act, once when held; those that move the focus, at every repeat.
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
            add(key, false, [this, modal, key] { typeOn(modal, key, {}); });
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
            add(key, true, [this, modal, key] { typeOn(modal, key, {}); });
        for (QKeyCombination back : {Qt::SHIFT | Qt::Key_Backtab, Qt::SHIFT | Qt::Key_Tab})
            add(back, true, [this, modal] { typeOn(modal, Qt::Key_Backtab, Qt::ShiftModifier); });
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
            if (mnemonic.isEmpty())
                continue;
            add(mnemonic, false, [button] {
                if (!button->isEnabled() || !button->isVisible())
                    return;
                button->setFocus(Qt::ShortcutFocusReason);
                button->animateClick();
            });
        }
    }
    enableShortcuts(stray);
}

void Keys::enableShortcuts(bool enabled) {
    for (QShortcut* shortcut : std::as_const(shortcuts_)) {
        if (shortcut != nullptr)
            shortcut->setEnabled(enabled);
    }
}

// A key typed on a window the modal window blocks, as if typed on the modal window: to its focused
// button, whence Esc goes on to the window itself. Meanwhile the key is no shortcut.
void Keys::typeOn(QWidget* modal, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    enableShortcuts(false);
    const QPointer<QWidget> target = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    if (target)
        QCoreApplication::sendEvent(target, &release);
    follow(QGuiApplication::focusWindow());
}

bool Keys::pressed(quint32 code, quint64 time, quint32 keysym) {
    const auto last = down_.constFind(code);
    const bool repeat = last != down_.cend() && time - *last < 1000;
    down_.insert(code, time);
    return repeat && !movesFocus(keysym);
}

// Tab, ISO_Left_Tab, the arrows and the keypad's arrows, by their XKB keysyms.
bool Keys::movesFocus(quint32 keysym) {
    return keysym == 0xff09 || keysym == 0xfe20 || (keysym >= 0xff51 && keysym <= 0xff54) ||
           (keysym >= 0xff96 && keysym <= 0xff99);
}

// Only the keys that act are held to one press: Tab held still moves on through the buttons.
bool Keys::acts(const QKeyEvent& key) {
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

bool Keys::eventFilter(QObject* object, QEvent* event) {
    // A key whose release went to another program (the help viewer opened on the press) is no
    // longer down once the program has lost the keyboard.
    if (event->type() == QEvent::ApplicationStateChange &&
        static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
            Qt::ApplicationActive)
        down_.clear();
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // A repeat that Qt marks as one (Wayland, Windows).
    if (key->isAutoRepeat() && acts(*key)) {
        // Taken as the focused widget's own, so that no shortcut acts; then dropped.
        event->accept();
        return true;
    }
    return event->type() == QEvent::KeyPress && object->isWidgetType() && actAsLatin(object, *key);
}

Keys& installKeys(QApplication& application) {
    auto* keys = new Keys(&application);
    application.installEventFilter(keys);
    return *keys;
}

} // namespace velti::forms
