#include "stopwatch/form1.h"

#include <cmath>

namespace velti {

Form1::Form1(forms::Runtime& runtime, Clock& clock, std::function<void()> openAbout)
    : Window(form1Description(), runtime), clock_(clock), openAbout_(std::move(openAbout)) {
    onClick<&Form1::Command1_Click>(Command1);
    onClick<&Form1::Command2_Click>(Command2);
    onClick<&Form1::Command3_Click>(Command3);
    onClick<&Form1::Command4_Click>(Command4);
    onClick<&Form1::Command5_Click>(Command5);
    onClick<&Form1::Command6_Click>(Command6);
    onTimer<&Form1::Timer1_Timer, &Form1::untilNextSecond>(Timer1);
    onLoad<&Form1::Form_Load>();
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

// The information button: the About window, modal.
void Form1::Command6_Click() {
    openAbout_();
}

} // namespace velti
