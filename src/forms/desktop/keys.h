// Keys as a person expects them: a key held down that acts (Return, Enter, Space, Esc, an access
// key) acts once, while Tab and the arrows repeat; and the access keys act on any keyboard
// layout, a layout without Latin letters too. A modal window's keys reach it even from a window
// it blocks.
#pragma once

#include <QObject>

#include <QHash>
#include <QList>
#include <QPointer>

class QApplication;
class QKeyEvent;
class QShortcut;
class QWidget;
class QWindow;

namespace velti::forms {

class Keys final : public QObject {
    Q_OBJECT

public:
    explicit Keys(QObject* parent);

    // A press straight from the window system, before Qt sees it, with the key's keysym: whether
    // it is to be dropped. Where a key held down repeats as presses alone (X11 asked for
    // detectable auto-repeat), Qt takes each for a new press: a press of a key that is down
    // already, within a second of its last press, is a repeat, and only a key that moves the
    // focus (Tab, Shift+Tab, the arrows) repeats.
    bool pressed(quint32 code, quint64 time, quint32 keysym);
    void released(quint32 code) { down_.remove(code); }

    bool eventFilter(QObject* object, QEvent* event) override;

private:
    static bool acts(const QKeyEvent& key);
    static bool movesFocus(quint32 keysym);
    void follow(QWindow* focus);
    void enableShortcuts(bool enabled);
    void typeOn(QWidget* modal, Qt::Key key, Qt::KeyboardModifiers modifiers);

    QHash<quint32, quint64> down_; // keys down, with the time of their last press
    QPointer<QWidget> modal_;      // the modal window whose keys are the program's own
    QList<QPointer<QShortcut>> shortcuts_;
};

// Installs the key handling on the application; the desktop's own watch tells it its presses.
Keys& installKeys(QApplication& application);

} // namespace velti::forms
