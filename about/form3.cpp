#include "form3.h"

#include "../app/application.h"

namespace velti {

Form3::Form3(Application& application)
    : Form(form3Description(), application.context()), application_(application) {}

std::vector<forms::EventBinding> Form3::events() {
    using forms::Event;
    return {
        {"Form", Event::Load, [this] { Form_Load(); }},
        {"Form", Event::Unload, {}, [this](std::int16_t& cancel) { Form_Unload(cancel); }},
        {"Command1", Event::Click, [this] { Command1_Click(); }},
        {"Command2", Event::Click, [this] { Command2_Click(); }},
        {"Command3", Event::Click, [this] { Command3_Click(); }},
        {"Timer1", Event::Timer, [this] { Timer1_Timer(); }, {}, [this] { return settled(); }},
    };
}

// Every tick types one character, then refreshes the memory figures, also once typing is done.
void Form3::Timer1_Timer() {
    typeNextCharacter();
    showMemoryStatus();
}

// Once the notice is typed, nothing on the window changes but the memory figures, and those need
// not be read more often than anyone can read them.
int Form3::settled() const {
    return Sc > Stringa.size() ? 250 : 0;
}

// "OK": the window unloads itself and this handler still runs to its end.
void Form3::Command1_Click() {
    forms::Form::unload();
}

// "&Memoria": the window grows once to show the memory panel below the notice.
void Form3::Command3_Click() {
    setHeight(4425);
    Command3.setEnabled(false);
}

// Every close goes on, by "OK", Esc or the close box.
void Form3::Form_Unload(std::int16_t& /*cancel*/) {}

} // namespace velti
