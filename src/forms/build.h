// Building a window and its controls from the window's description.
#pragma once

#include "forms/context.h"
#include "forms/description.h"

#include <QPointer>

#include <string_view>
#include <vector>

namespace velti::forms {

class Form;
class FormWindow;

// A control as built, by its designed name and array index.
struct LiveControl {
    std::string_view name;
    int index;
    QPointer<QObject> object;
};

struct BuiltWindow {
    FormWindow* window;
    std::vector<LiveControl> controls;
};

// The window as designed, every control at its place, in its font and colours, with its caption,
// picture and tooltip, and the buttons in the designed tab order. Timers are enabled; the window is
// not shown.
BuiltWindow buildWindow(const FormDescription& description, Form& form, Context& context);

// 15 twips make one logical pixel.
int pixels(int twips);

} // namespace velti::forms
