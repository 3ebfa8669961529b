// A control's handle, bound to its control when the window is built.
#include "forms/control.h"

#include <QVariant>
#include <QWidget>

namespace velti::forms {

const char* const kIndex = "velti_index";

QObject* controlOf(const QWidget& window, const char* name, int index) {
    for (QObject* control : window.findChildren<QObject*>(QLatin1String(name))) {
        const QVariant designed = control->property(kIndex);
        if ((designed.isValid() ? designed.toInt() : -1) == index)
            return control;
    }
    return nullptr;
}

Control::Control(Dispatcher& window, const char* name, int index)
    : window_(window), name_(name), control_(controlOf(window.widget(), name, index)),
      found_(control_ != nullptr) {}

} // namespace velti::forms
