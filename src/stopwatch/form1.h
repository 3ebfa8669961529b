// The stopwatch window.
#pragma once

#include "core/instant.h"
#include "forms/windows/form.h"
#include "platform/clock.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace velti {

// The window's design.
const forms::FormDescription& form1Description();

// Hours, minutes and seconds of an elapsed count, each field "##00", joined by ":".
QString elapsedText(std::int32_t seconds);

// The state of the stopwatch lives in the controls themselves: the Enabled flags of the buttons
// and of Timer1, the captions of the two toggling buttons, and the status text.
class Form1 final : public forms::Window {
    Q_OBJECT
public:
    // openAbout shows the About window, modal, and returns once it is closed.
    Form1(forms::Runtime& runtime, Clock& clock, std::function<void()> openAbout);

    forms::CommandButton Command1{*this, "Command1"}; // "&Via": start
    forms::CommandButton Command2{*this, "Command2"}; // "&Stop"
    forms::CommandButton Command3{*this, "Command3"}; // "&Pausa" / "&Riprendi"
    forms::Label Label1{*this, "Label1"};             // the elapsed time
    forms::Label Label2{*this, "Label2"};             // the status line
    forms::CommandButton Command4{*this, "Command4"}; // "R&ileva" / "OK"
    forms::CommandButton Command5{*this, "Command5"}; // "&Azzera"
    forms::CommandButton Command6{*this, "Command6"}; // opens the About window
    forms::Timer Timer1{*this, "Timer1"};

    Instant via = 0;   // start of the running count, moved later by every pause
    Instant sttop = 0; // the instant of the last pause

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Timer1_Timer();

    int untilNextSecond() const;

    Clock& clock_;
    std::function<void()> openAbout_;
};

} // namespace velti
