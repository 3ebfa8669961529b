// Control handles: a window reaches its controls by name, one operation a step. An operation that
// cannot be carried out throws RuntimeError and so ends the handler at that step.
#pragma once

#include <QRgb>
#include <QString>

#include <cstdint>

namespace velti::forms {

class Form;

class Control {
public:
    Control(Form& form, const char* name, int index = -1)
        : form_(form), name_(name), index_(index) {}
    // The control's name in the window's design.
    const char* name() const { return name_; }

protected:
    template <class Widget> Widget* live() const;
    // Counts as one control operation, as every step a handler takes does.
    void operation() const;

    Form& form_;
    const char* name_;
    int index_;
};

class CommandButton : public Control {
public:
    using Control::Control;
    // The caption with its "&" access-key markers, as last set or as designed.
    QString caption() const;
    // The access key follows the new caption.
    void setCaption(const QString& caption);
    void setEnabled(bool enabled);
    // Fails on a button that is disabled or hidden.
    void setFocus();
};

class Label : public Control {
public:
    using Control::Control;
    QString caption() const;
    void setCaption(const QString& caption);
    void setForeColor(QRgb colour);
};

class LabelArray : public Control {
public:
    using Control::Control;
    // The element with this index; fails if there is none.
    Label item(std::int16_t index) const;
};

class Timer : public Control {
public:
    using Control::Control;
    // Disabling takes effect at once: no tick is delivered after this returns.
    void setEnabled(bool enabled);
};

// Frames and image boxes take no operations; their handles name them in the window's class.
class Frame : public Control {
public:
    using Control::Control;
};

class ImageBox : public Control {
public:
    using Control::Control;
};

} // namespace velti::forms
