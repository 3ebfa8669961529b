#include "stopwatch/form1.h"

#include <cmath>

namespace velti {

Form1::Form1(forms::Runtime& runtime, Clock& clock, std::function<void()> openAbout)
    : Window(form1Description(), runtime), clock_(clock), openAbout_(std::move(openAbout)) {
    onClick(Command1, &Form1::Command1_Click);
    onClick(Command2, &Form1::Command2_Click);
    onClick(Command3, &Form1::Command3_Click);
    onClick(Command4, &Form1::Command4_Click);
    onClick(Command5, &Form1::Command5_Click);
    onClick(Command6, &Form1::Command6_Click);
    onTimer(Timer1, &Form1::Timer1_Timer, &Form1::untilNextSecond);
    onLoad(&Form1::Form_Load);
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
