// The About window: its handlers connected, and what its buttons and its timer do.
#include "about/form3.h"

namespace velti {

Form3::Form3(forms::Runtime& runtime, const Services& services, QWidget* owner)
    : Dialog(form3Description(), runtime, owner), services_(services) {
    onClick(Command1, &Form3::Command1_Click);
    onClick(Command2, &Form3::Command2_Click);
    onClick(Command3, &Form3::Command3_Click);
    onTimer(Timer1, &Form3::Timer1_Timer);
    onLoad(&Form3::Form_Load);
}

// Every tick types one character, then refreshes the memory figures, also once typing is done.
void Form3::Timer1_Timer() {
    typeNextCharacter();
    showMemoryStatus();
}

// "OK": the window unloads itself and this handler still runs to its end.
void Form3::Command1_Click() {
    unload();
}

// "&Memoria": the window grows once to show the memory panel below the notice.
void Form3::Command3_Click() {
    setHeight(4425);
    Command3.setEnabled(false);
}

// Every close goes on, by "OK", Esc or the close box.

} // namespace velti
