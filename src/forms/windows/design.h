// The design: a window built from its description, every control as designed, at its place, in
// its font and colours, with its caption, picture and tooltip; the buttons in the designed tab
// order.
#pragma once

#include "forms/windows/description.h"
#include "forms/windows/runtime.h"

class QWidget;

namespace velti::forms {

// Builds every control of the window. Timers run.
void build(const FormDescription& description, QWidget& window, const TimerPolicy& timers,
           Icons& icons);

} // namespace velti::forms
