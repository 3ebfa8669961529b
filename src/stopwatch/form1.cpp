// The stopwatch window: its handlers and its timer connected.
#include "stopwatch/form1.h"

#include <utility>

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

} // namespace velti
