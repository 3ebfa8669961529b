// Control handles: a window reaches its controls through members named as the design names them,
// one operation a step. A handle is bound to its control once, as the window loads, and let go as
// it unloads. An operation that cannot be carried out throws RuntimeError and so ends the handler
// at that step.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <map>

namespace velti::forms {

class Form;

class Control {
public:
    // A handle of the window's class.
    Control(Form& form, const char* name, int index = -1);
    // A handle bound to a control that is already live, for as long as its window stays loaded:
    // an element of a control array.
    Control(Form& form, const char* name, int index, QObject* live);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    // The control's name in the window's design.
    const char* name() const { return name_; }
    // As the window loads, it binds its handles to every control of their name (an array's
    // handle takes every element, another the one of its index); unloading, it lets them go.
    virtual void bind(QObject* control, int index);
    virtual void unbind() { live_ = nullptr; }
    QObject* bound() const { return live_; }

protected:
    // The bound control, after one control operation, as every step a handler takes is.
    template <class Widget> Widget* live() const;

    Form& form_;
    const char* name_;
    int index_;

private:
    QPointer<QObject> live_;
    bool adopted_;
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
    void bind(QObject* control, int index) override { elements_[index] = control; }
    void unbind() override { elements_.clear(); }

private:
    std::map<int, QPointer<QObject>> elements_;
};

class Timer : public Control {
public:
    using Control::Control;
    // Disabling takes effect at once: no tick is delivered after this returns.
    void setEnabled(bool enabled);
};

// Frames and image boxes take no operations; their handles name them in the window's class.
using Frame = Control;
using ImageBox = Control;

} // namespace velti::forms
