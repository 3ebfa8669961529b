// The handlers: start, stop, pause and resume, reading, reset, and the information button. Each
// handler's steps run in this order.
#include "stopwatch/form1.h"

namespace velti {

namespace {
const QString pause = QStringLiteral("&Pausa");
const QString resume = QStringLiteral("&Riprendi");
const QString reading = QStringLiteral("R&ileva");
const QString endReading = QStringLiteral("OK");
const QString idleStatus = QStringLiteral("Inattivo");
const QString countingStatus = QStringLiteral("Conteggio...");
const QString pausedStatus = QStringLiteral("In pausa");
const QString readingStatus = QStringLiteral("Rilevamento");
} // namespace

// The window opens idle: only "&Via", "&Azzera" and the information button can be pressed.
void Form1::Form_Load() {
    Timer1.setEnabled(false);
    Command2.setEnabled(false);
    Command3.setEnabled(false);
    Command4.setEnabled(false);
    sttop = 0;
}

// Start. The timer is enabled before via is set; no tick can run between the two.
void Form1::Command1_Click() {
    Timer1.setEnabled(true);
    Command1.setEnabled(false);
    Command2.setEnabled(true);
    Command3.setEnabled(true);
    Command4.setEnabled(true);
    Command5.setEnabled(false);
    Command3.setFocus();
    via = clock_.now();
    Label2.setCaption(countingStatus);
}

// Stop, from counting, paused or reading. The display keeps what it last showed.
void Form1::Command2_Click() {
    Timer1.setEnabled(false);
    Command2.setEnabled(false);
    Command3.setEnabled(false);
    Command1.setEnabled(true);
    Command4.setEnabled(false);
    Command3.setCaption(pause);
    Command4.setCaption(reading);
    Command5.setEnabled(true);
    Command5.setFocus();
    Label2.setCaption(idleStatus);
}

// Pause or resume, as the button's own caption says. A resume moves via later by the length of
// the pause, to the fraction of a second, so paused time is never counted and no pause adds or
// loses time.
void Form1::Command3_Click() {
    if (Command3.caption() == pause) {
        Command3.setCaption(resume);
        Command3.setFocus();
        Command4.setEnabled(false);
        sttop = clock_.preciseNow();
        Label2.setCaption(pausedStatus);
        Timer1.setEnabled(false);
    } else {
        Command3.setCaption(pause);
        Command4.setEnabled(true);
        Command3.setFocus();
        Label2.setCaption(countingStatus);
        via = via + (clock_.preciseNow() - sttop);
        Timer1.setEnabled(true);
    }
}

// The reading freezes the display; the count goes on, and "OK" brings the full count back.
void Form1::Command4_Click() {
    if (Command4.caption() == reading) {
        Command3.setEnabled(false);
        Command4.setCaption(endReading);
        Command4.setFocus();
        Label2.setCaption(readingStatus);
        Timer1.setEnabled(false);
    } else {
        Command3.setEnabled(true);
        Command4.setCaption(reading);
        Label2.setCaption(countingStatus);
        Command3.setFocus();
        Timer1.setEnabled(true);
    }
}

// Reset, in idle only: the display goes back to zero and nothing else changes.
void Form1::Command5_Click() {
    Label1.setCaption(QStringLiteral("00:00:00"));
    Command1.setFocus();
}

// The information button: the About window, modal.
void Form1::Command6_Click() {
    openAbout_();
}

} // namespace velti
