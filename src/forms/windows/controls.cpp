// The handles' checked operations.
#include "forms/windows/controls.h"

#include "forms/windows/properties.h"
#include "forms/windows/widgets.h"

#include <QVariant>
#include <QWidget>

#include <utility>

namespace velti::forms {

QObject* controlOf(const QWidget& window, const char* name, int index) {
    for (QObject* control : window.findChildren<QObject*>(QLatin1String(name))) {
        const QVariant designed = control->property(kIndex);
        if ((designed.isValid() ? designed.toInt() : -1) == index)
            return control;
    }
    return nullptr;
}

void Control::check() const {
    window_.operation();
}

// A control that is gone may have taken its window with it: the window is not asked then.
template <class Widget> Widget* Control::live() const {
    if (!control_)
        throw found_ ? RuntimeError::objectUnloaded()
                     : RuntimeError::noSuchControl(QString::fromUtf8(name_));
    check();
    return static_cast<Widget*>(control_.data());
}

Control::Control(Dispatcher& window, const char* name, int index)
    : window_(window), runtime_(window.runtime()), name_(name),
      control_(controlOf(window.widget(), name, index)), found_(control_ != nullptr) {}

QString CommandButton::caption() const {
    return live<QPushButton>()->text();
}

void CommandButton::setCaption(const QString& caption) {
    live<QPushButton>()->setText(caption);
}

void CommandButton::setEnabled(bool enabled) {
    window_.setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!window_.isButtonEnabled(button) || button->isHidden())
        throw RuntimeError::invalidCall();
    button->setFocus(Qt::OtherFocusReason);
}

QString Label::caption() const {
    return live<QLabel>()->text();
}

void Label::setCaption(const QString& caption) {
    live<QLabel>()->setText(caption);
}

void Label::setForeColor(QRgb colour) {
    auto* label = live<QLabel>();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    label->setPalette(palette);
}

Label LabelArray::item(std::int16_t index) const {
    check();
    Label element(window_, name_, index);
    if (element.object() == nullptr)
        throw RuntimeError::noSuchElement(index);
    return element;
}

void Timer::setEnabled(bool enabled) {
    live<TickTimer>()->setEnabled(enabled);
}

} // namespace velti::forms
