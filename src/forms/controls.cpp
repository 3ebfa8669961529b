#include "forms/controls.h"

#include "core/runtime_error.h"
#include "forms/form.h"
#include "forms/widgets.h"

namespace velti::forms {

Control::Control(Form& form, const char* name, int index)
    : form_(form), name_(name), index_(index), adopted_(true) {
    form_.adopt(this);
}

Control::Control(Form& form, const char* name, int index, QObject* live)
    : form_(form), name_(name), index_(index), live_(live), adopted_(false) {}

Control::~Control() {
    if (adopted_)
        form_.release(this);
}

void Control::bind(QObject* control, int index) {
    if (index == index_)
        live_ = control;
}

template <class Widget> Widget* Control::live() const {
    form_.context().operation();
    if (!form_.isLoaded())
        throw RuntimeError::objectUnloaded();
    if (!live_)
        throw RuntimeError::noSuchControl(QString::fromUtf8(name_));
    auto* widget = qobject_cast<Widget*>(live_.data());
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
    form_.context().setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!form_.context().isButtonEnabled(button) || button->isHidden())
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
    form_.context().operation();
    if (!form_.isLoaded())
        throw RuntimeError::objectUnloaded();
    const auto element = elements_.find(index);
    if (element == elements_.end() || !element->second)
        throw RuntimeError::noSuchElement(index);
    return {form_, name_, index, element->second.data()};
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

} // namespace velti::forms
