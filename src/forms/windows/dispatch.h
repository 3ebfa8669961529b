// Dispatch: how a window's handlers run. Every click passes one guard; handlers run one at a time,
// nested only inside a modal window or a message box; a run-time error ends a handler at the
// failing step and is shown in the error box, and the program goes on. No exception crosses Qt's
// event loop.
#pragma once

#include "core/runtime_error.h"
#include "forms/windows/runtime.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QPushButton;

namespace velti::forms {

// Whether a window waits behind a modal one, and so takes no input by any path.
bool isBlocked(const QWidget* window);

// What a person is told of the windows, by whoever speaks to assistive technology: set once, at
// set-up, before the first window. Unset, nothing is told.
struct Telling {
    // Called as a click's handler is about to run; what it returns is called once the handler has
    // ended, and tells what the click changed.
    std::function<void()> (*click)(QWidget* window) = nullptr;
    // A control hidden until now has come into sight.
    void (*cameIntoSight)(QWidget* control) = nullptr;
};
void setTelling(const Telling& telling);
const Telling& telling();

// Owned by its window, one each.
class Dispatcher {
public:
    // A handler, or the body of one, bound to its window.
    using Handler = std::function<void()>;

    Dispatcher(Runtime& runtime, QWidget* window) : runtime_(runtime), window_(window) {}

    QWidget& widget() const { return *window_; }
    Runtime& runtime() const { return runtime_; }

    // Runs a handler with the run-time error convention around it.
    void deliver(const Handler& handler);

    // Whoever sends the click (mouse, key, an assistive technology, a queued click), a disabled
    // or hidden button runs nothing, nor does one whose window waits behind a modal one. A person
    // hears what the click changed once its handler has ended.
    void connectClick(QPushButton* button, Handler handler);

    // Every operation of a handler on its window passes through here before it acts.
    void operation();
    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler ends, by which time the handler has put the focus where it wants.
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;

    // Closes the window as its close box does: the Unload handler runs first, and may cancel.
    void close();
    // The same once none of the window's handlers runs: one may be running still, under a modal
    // window that it opened (the stopwatch's information button waits in its handler for the
    // About window to close).
    void closeWhenIdle();

private:
    void enter();
    void leave(const RuntimeError* error);

    Runtime& runtime_;
    QWidget* window_;
    int running_ = 0;
    bool closeWhenIdle_ = false;
    // Buttons disabled by a handler, held enabled until the handler at that depth ends.
    struct Held {
        QPointer<QWidget> button;
        int depth;
    };
    std::vector<Held> heldEnabled_;
};

} // namespace velti::forms
