#include "form1.h"

#include "../about/form3.h"
#include "../app/application.h"

namespace velti {

Form1::Form1(Application& application)
    : Form(form1Description(), application.context()), application_(application) {}

std::vector<forms::EventBinding> Form1::events() {
    using forms::Event;
    return {
        {"Form", Event::Load, [this] { Form_Load(); }},
        {"Command1", Event::Click, [this] { Command1_Click(); }},
        {"Command2", Event::Click, [this] { Command2_Click(); }},
        {"Command3", Event::Click, [this] { Command3_Click(); }},
        {"Command4", Event::Click, [this] { Command4_Click(); }},
        {"Command5", Event::Click, [this] { Command5_Click(); }},
        {"Command6", Event::Click, [this] { Command6_Click(); }},
        {"Timer1",
         Event::Timer,
         [this] { Timer1_Timer(); },
         {},
         [this] { return untilNextSecond(); }},
    };
}

Instant Form1::now() {
    return application_.services().clock.now();
}

// The display can change only when the clock's second does, so the timer sleeps until just after
// that: one wake-up a second instead of one every period, and the new second shown at once.
int Form1::untilNextSecond() {
    const std::int64_t nanos = application_.services().clock.nanosecondsToNextSecond();
    return nanos <= 0 ? 0 : static_cast<int>(nanos / 1'000'000) + 1;
}

// The information button: the About window, modal. Its one instance is made at the first press.
void Form1::Command6_Click() {
    application_.form3().showModal();
}

} // namespace velti
