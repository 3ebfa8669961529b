// The design: a window built from its description, every control as designed, at its place, in
// its font and colours, with its caption, picture and tooltip; the buttons in the designed tab
// order.
#pragma once

#include "forms/description.h"
#include "forms/runtime.h"

class QWidget;

namespace velti::forms {

// A button's designed caption and what it does while it bears it, as a QStringList property.
extern const char* const kDescribed;

// Builds every control of the window. Timers run.
void build(const FormDescription& description, QWidget& window, const TimerPolicy& timers,
           Icons& icons);

} // namespace velti::forms
