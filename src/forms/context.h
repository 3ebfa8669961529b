// What the window layer shares between the windows of one application.
#pragma once

#include "forms/delivery.h"
#include "forms/timer_policy.h"

#include <QHash>
#include <QIcon>
#include <QString>

#include <functional>

namespace velti {
class MsgBox;
}

namespace velti::forms {

class Context {
public:
    // The title is the application's name: the title of the run-time error box.
    Context(QString title, MsgBox& msgBox, TimerPolicy timers = {});
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const TimerPolicy& timers() const { return timers_; }
    Delivery& delivery() { return delivery_; }
    Delivery::FailureHook& failureHook() { return delivery_.failureHook(); }

    int loadedWindows() const { return loadedWindows_; }
    // Runs when the last loaded window is unloaded: the end of the program.
    void whenAllUnloaded(std::function<void()> run) { allUnloaded_ = std::move(run); }
    void windowLoaded() { ++loadedWindows_; }
    void windowUnloaded();

    // Each icon file is read once: a window loaded afresh reuses its icons, and with them the
    // pixmaps Qt has already cached for them.
    QIcon icon(const char* file);

private:
    Delivery delivery_;
    TimerPolicy timers_;
    int loadedWindows_ = 0;
    std::function<void()> allUnloaded_;
    QHash<QString, QIcon> icons_;
};

} // namespace velti::forms
