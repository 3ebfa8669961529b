// The elapsed-time display, recomputed from the clock on every tick: late, merged or missed ticks
// cannot make it drift.
#include "stopwatch/form1.h"

#include "core/number_format.h"

#include <cmath>

namespace velti {

QString elapsedText(std::int32_t count) {
    // C++ division truncates towards zero and the remainder takes the dividend's sign.
    const std::int32_t seconds = count % 60;
    const std::int32_t totalMinutes = count / 60;
    const std::int32_t minutes = totalMinutes % 60;
    const std::int32_t hours = totalMinutes / 60;
    const QStringView field = u"##00";
    return formatNumber(std::int64_t{hours}, field) + u':' +
           formatNumber(std::int64_t{minutes}, field) + u':' +
           formatNumber(std::int64_t{seconds}, field);
}

// The whole seconds since via: before the first pause, the clock's second boundaries passed since
// the start; a pause moves via, and the seconds are counted from there.
void Form1::Timer1_Timer() {
    const std::int32_t count = wholeSecondsBetween(via, clock_.preciseNow());
    // Only a clock that ran back could make the count negative: the display keeps what it showed
    // rather than a negative field.
    if (count < 0)
        return;
    Label1.setCaption(elapsedText(count));
}

// The display can change only when another whole second has passed since via, so the timer
// sleeps until just after that: one wake-up a second instead of one every period, and the new
// second shown at once.
int Form1::untilNextSecond() const {
    const double since = std::round((clock_.preciseNow() - via) * kSecondsPerDay * 1e6) / 1e6;
    if (since < 0)
        return 0;
    return static_cast<int>((std::floor(since) + 1 - since) * 1000) + 1;
}

} // namespace velti
