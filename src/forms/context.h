// What the window layer shares between the windows of one application: how events reach their
// handlers, the timers' policy, the icons, and the count of loaded windows.
#pragma once

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace velti {
class MsgBox;
}

namespace velti::forms {

// The real tick period never goes below this floor, whatever the designed interval: about the
// granularity desktop timers have always had.
inline constexpr int kTimerFloorMs = 15;

struct TimerPolicy {
    int floorMs = kTimerFloorMs;
    // Whether a window may let its timer sleep while it has nothing new to show.
    bool pacing = true;
};

class Context {
public:
    // The title is the application's name: the title of the run-time error box.
    Context(QString title, MsgBox& msgBox, TimerPolicy timers = {});
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const TimerPolicy& timers() const { return timers_; }

    // Runs a handler, one at a time, nested only inside a modal window's loop or a message box. A
    // run-time error ends it at the failing step, is shown in the error box, and the program goes
    // on; no exception ever crosses Qt's event loop. A click's handler gathers in told the
    // controls it changes, for a person to be told of them.
    void deliver(const std::function<void()>& handler,
                 std::vector<QPointer<QWidget>>* told = nullptr);
    // Every control operation passes through here before it acts.
    void operation();
    // A control whose change a person is told of once the running click handler ends.
    void changed(QWidget* control);

    // Enabled set on a button, and whether it is enabled as the handlers see it. While a handler
    // runs, the button with the focus is not disabled at once: Qt would move the focus on through
    // the window, and a screen reader would announce every stop. It is disabled when the handler
    // that disabled it ends, by which time the handler has usually put the focus where it wants.
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;
    // Disables the held buttons of the handlers running at this depth and deeper: a handler that
    // opens a modal window releases its own before the window's loop.
    void releaseHeldButtons(int depth = 0);

    // A test hook: while failAt is set, the control operations that handlers take are counted,
    // and the one that brings the count to failAt fails as a real failure would. Only operations
    // inside a handler count: there the failure is caught. Unset, an operation costs one
    // comparison.
    struct FailureHook {
        int failAt = 0;
        int counted = 0;
    };
    FailureHook& failureHook() { return failureHook_; }

    int loadedWindows() const { return loadedWindows_; }
    // Runs when the last loaded window is unloaded: the end of the program.
    void whenAllUnloaded(std::function<void()> run) { allUnloaded_ = std::move(run); }
    void windowLoaded() { ++loadedWindows_; }
    void windowUnloaded();

    // Each icon file is read once: a window loaded afresh reuses its icons, and with them the
    // pixmaps Qt has already cached for them.
    QIcon icon(const char* file);

private:
    QString title_;
    MsgBox& msgBox_;
    TimerPolicy timers_;
    bool reporting_ = false;
    FailureHook failureHook_;
    int running_ = 0;
    // What the innermost running handler, when it is a click, changed; null while a tick or a
    // load runs innermost, which nobody is told of.
    std::vector<QPointer<QWidget>>* told_ = nullptr;
    struct HeldButton {
        QPointer<QWidget> button;
        int depth; // running_ when the handler disabled it
    };
    std::vector<HeldButton> held_;
    int loadedWindows_ = 0;
    std::function<void()> allUnloaded_;
    QHash<QString, QIcon> icons_;
};

} // namespace velti::forms
