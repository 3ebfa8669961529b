// How every event reaches its handler, in every window of the application: one at a time, nested
// only inside a modal window's loop or a message box.
#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace velti {
class MsgBox;
}

namespace velti::forms {

class Delivery {
public:
    Delivery(QString title, MsgBox& msgBox);
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

    // Runs a handler. A run-time error ends it at the failing step, is shown in the error box,
    // and the program goes on; no exception ever crosses Qt's event loop. A click's handler
    // gathers in told the controls it changes, for a person to be told of them.
    void deliver(const std::function<void()>& handler,
                 std::vector<QPointer<QWidget>>* told = nullptr);

    // Every control operation passes through here before it acts.
    void operation();
    // A control whose change a person is told of once the running click handler ends.
    void changed(QWidget* control);

    // Enabled set on a button, and whether it is enabled as the handlers see it: a button that the
    // running handler disables under the focus is disabled, even while it keeps the focus.
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;
    // Disables the held buttons of the handlers running at this depth and deeper.
    void releaseHeldButtons(int depth = 0);

    // A test hook: while failAt is set, the control operations that handlers take are counted,
    // and the one that brings the count to failAt fails as a real failure would. Only operations
    // inside a handler count: there the failure is caught, and nothing is ever thrown out of Qt's
    // own event handling. Unset, an operation costs one comparison.
    struct FailureHook {
        int failAt = 0;
        int counted = 0;
    };
    FailureHook& failureHook() { return failureHook_; }

private:
    void report(int number, const QString& message);

    QString title_;
    MsgBox& msgBox_;
    bool reporting_ = false;
    FailureHook failureHook_;
    int running_ = 0;
    // What the innermost running handler, when it is a click, changed for a person to be told;
    // null while a tick or a load runs innermost, which nobody is told of.
    std::vector<QPointer<QWidget>>* told_ = nullptr;

    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler that disabled it ends, by which time the handler has usually put the focus
    // where it wants; a handler that runs inside a modal window's loop releases its own buttons.
    struct HeldButton {
        QPointer<QWidget> button;
        int depth; // running_ when the handler disabled it
    };
    std::vector<HeldButton> held_;
};

} // namespace velti::forms
