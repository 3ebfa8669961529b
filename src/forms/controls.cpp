#include "forms/controls.h"

#include "core/runtime_error.h"
#include "forms/form.h"
#include "forms/widgets.h"

#include <QLabel>
#include <QPushButton>

namespace velti::forms {

void Control::operation() const {
    form_.context().operation();
}

template <class Widget> Widget* Control::live() const {
    operation();
    auto* widget = qobject_cast<Widget*>(form_.control(name_, index_));
    if (widget == nullptr)
        throw RuntimeError::invalidCall();
    return widget;
}

QString CommandButton::caption() const {
    return live<QPushButton>()->text();
}

void CommandButton::setCaption(const QString& caption) {
    auto* button = live<QPushButton>();
    button->setText(caption);
    form_.context().changed(button);
}

void CommandButton::setEnabled(bool enabled) {
    form_.setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!form_.isButtonEnabled(button) || button->isHidden())
        throw RuntimeError::invalidCall();
    button->setFocus(Qt::OtherFocusReason);
}

QString Label::caption() const {
    return live<QLabel>()->text();
}

void Label::setCaption(const QString& caption) {
    auto* label = live<QLabel>();
    label->setText(caption);
    form_.context().changed(label);
}

void Label::setForeColor(QRgb colour) {
    auto* label = live<QLabel>();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    label->setPalette(palette);
}

Label LabelArray::item(std::int16_t index) const {
    operation();
    if (!form_.hasElement(name_, index))
        throw RuntimeError::noSuchElement(index);
    return Label(form_, name_, index);
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

} // namespace velti::forms
