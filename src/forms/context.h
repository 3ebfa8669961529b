// What the window layer shares between the windows of one application.
#pragma once

#include "forms/timer_policy.h"

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

namespace velti {
class MsgBox;
}

class QWidget;

namespace velti::forms {

class Control;
class Form;

class Context {
public:
    Context(QString title, MsgBox& msgBox, TimerPolicy timers = {});
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // The application's name: the title of the run-time error box.
    const QString& title() const { return title_; }
    MsgBox& msgBox() const { return msgBox_; }
    const TimerPolicy& timers() const { return timers_; }

    int loadedWindows() const { return loadedWindows_; }
    // Runs when the last loaded window is unloaded: the end of the program.
    void whenAllUnloaded(std::function<void()> run) { allUnloaded_ = std::move(run); }

    // A test hook: while failAt is set, the control operations that handlers take are counted,
    // and the one that brings the count to failAt fails as a real failure would. Only operations
    // inside a handler count: there the layer catches the failure, and nothing is ever thrown out
    // of Qt's own event handling. Unset, an operation costs one comparison.
    struct FailureHook {
        int failAt = 0;
        int counted = 0;
    };
    FailureHook& failureHook() { return failureHook_; }

    // A control whose change a person is told of once the running click handler ends.
    void changed(QWidget* control);

private:
    friend class Control;
    friend class Form;

    // Every control operation passes through here before it acts.
    void operation();
    // Each icon file is read once: a window loaded afresh reuses its icons, and with them the
    // pixmaps Qt has already cached for them.
    QIcon icon(const char* file);

    QString title_;
    MsgBox& msgBox_;
    TimerPolicy timers_;
    int loadedWindows_ = 0;
    std::function<void()> allUnloaded_;
    bool reportingError_ = false;
    QHash<QString, QIcon> icons_;
    FailureHook failureHook_;

    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler that disabled it ends, by which time the handler has usually put the focus
    // where it wants; a handler that runs inside a modal window's loop releases its own buttons.
    struct HeldButton {
        QPointer<QWidget> button;
        int depth; // handlersRunning_ when the handler disabled it
    };
    int handlersRunning_ = 0;
    // What the innermost running handler, when it is a click, changed for a person to be told;
    // null while a tick or a load runs innermost, which nobody is told of.
    std::vector<QPointer<QWidget>>* told_ = nullptr;
    std::vector<HeldButton> heldDisabled_;
};

} // namespace velti::forms
