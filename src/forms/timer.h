// Timers: the timer a window runs, and the handle its handlers hold of it.
#pragma once

#include "forms/control.h"

#include <QTimer>

#include <functional>

namespace velti::forms {

// Ticks once per period while enabled. Disabling takes effect at once: no tick is delivered after
// setEnabled(false) returns.
class TimerControl final : public QTimer {
    Q_OBJECT
public:
    TimerControl(int period, QObject* parent);
    int period() const { return period_; }
    bool isEnabled() const { return isActive(); }
    void setEnabled(bool enabled);
    // One tick, as the running timer gives it; nothing while disabled.
    void tick();
    // After each tick, asks how many milliseconds until the window has anything new to show
    // (0: nothing awaited), and sleeps until then.
    void pace(std::function<int()> untilNext);

signals:
    void ticked();

private:
    int period_;
};

class Timer : public Control {
public:
    using Control::Control;
    // Disabling takes effect at once: no tick is delivered after this returns.
    void setEnabled(bool enabled);
};

} // namespace velti::forms
