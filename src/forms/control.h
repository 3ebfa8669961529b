// A control's handle: what a window's handlers hold of one of its controls, one operation a step.
// An operation that cannot be carried out (the control is gone or never was, no such element, the
// focus to a button that cannot take it) throws RuntimeError, and so ends the handler at that step.
#pragma once

#include "core/runtime_error.h"
#include "forms/dispatch.h"

#include <QObject>
#include <QPointer>

namespace velti::forms {

// The property that holds a control's index in its array.
extern const char* const kIndex;

// The control of the window with this designed name and array index (-1: none), or nullptr.
QObject* controlOf(const QWidget& window, const char* name, int index = -1);

// Bound, when the window is built, to the control of that name. A window's handle converts to its
// dispatcher: the handle's operations pass through the window's guard.
class Control {
public:
    Control(Dispatcher& window, const char* name, int index = -1);
    QObject* object() const { return control_; }

protected:
    // A control that is gone may have taken its window with it: the window is not asked then.
    template <class Widget> Widget* live() const {
        if (!control_)
            throw found_ ? RuntimeError::objectUnloaded()
                         : RuntimeError::noSuchControl(QString::fromUtf8(name_));
        window_.operation();
        return static_cast<Widget*>(control_.data());
    }

    Dispatcher& window_;
    const char* name_;
    QPointer<QObject> control_;
    bool found_;
};

} // namespace velti::forms
