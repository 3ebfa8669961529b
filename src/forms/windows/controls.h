// The handles a window's handlers hold of its controls, one checked operation a step. An operation
// that cannot be carried out (the control is gone or never was, no such element, the focus to a
// button that cannot take it) throws RuntimeError, and so ends the handler at that step.
#pragma once

#include "core/runtime_error.h"
#include "forms/windows/dispatch.h"

#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QString>

#include <cstdint>

namespace velti::forms {

// The control of the window with this designed name and array index (-1: none), or nullptr.
QObject* controlOf(const QWidget& window, const char* name, int index = -1);

// Bound, when the window is built, to the control of that name. A window's handle converts to its
// dispatcher: the handle's operations pass through the window's guard.
class Control {
public:
    Control(Dispatcher& window, const char* name, int index = -1);
    QObject* object() const { return control_; }

protected:
    template <class Widget> Widget* live() const;
    void check() const;

    Dispatcher& window_;
    Runtime& runtime_;
    const char* name_;
    QPointer<QObject> control_;
    bool found_;
};

class CommandButton : public Control {
public:
    using Control::Control;
    // The caption with its "&" access-key markers.
    QString caption() const;
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

} // namespace velti::forms
