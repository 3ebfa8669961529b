// Timers: the timer a window runs, paced to what it has to show, and its handle.
#include "forms/timer.h"

#include <utility>

namespace velti::forms {

TimerControl::TimerControl(int period, QObject* parent) : QTimer(parent), period_(period) {
    setTimerType(Qt::PreciseTimer);
    connect(this, &QTimer::timeout, this, &TimerControl::tick);
    // Designed enabled: it runs from the load until a handler says otherwise.
    start(period_);
}

void TimerControl::setEnabled(bool enabled) {
    if (!enabled)
        stop();
    else if (!isActive())
        start(period_);
}

// A paced wait counts from the tick. Left running, the timer would keep the rhythm of its last
// start, and could wake a moment before the awaited one, for nothing.
void TimerControl::pace(std::function<int()> untilNext) {
    connect(this, &QTimer::timeout, this, [this, untilNext = std::move(untilNext)] {
        const int until = untilNext();
        if (isActive() && (until > 0 || interval() != period_))
            start(until > 0 ? until : period_);
    });
}

void TimerControl::tick() {
    if (isActive())
        emit ticked();
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

} // namespace velti::forms
