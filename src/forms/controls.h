// The controls a window is built from: each kind's Qt widget, and the handle a window's handlers
// hold of it, one checked operation a step. An operation that cannot be carried out (the control
// is gone or never was, no such element, the focus to a button that cannot take it) throws
// RuntimeError, and so ends the handler at that step. Every caption shows whole.
#pragma once

#include "core/runtime_error.h"
#include "forms/captions.h"
#include "forms/dispatch.h"

#include <QBasicTimer>
#include <QFont>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cstdint>
#include <functional>

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
    template <class Widget> Widget* live() const;
    void check() const;

    Dispatcher& window_;
    Runtime& runtime_;
    const char* name_;
    QPointer<QObject> control_;
    bool found_;
};

// A push button whose access key clicks it at once, when the key is pressed, as a mouse click
// does. The press shown afterwards is only a picture: the button is not held down, so nothing
// that arrives meanwhile can turn it into a second click. Its caption always shows whole, drawn
// smaller when the face would run it into the frame.
class ButtonControl final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    bool showsPress() const { return pressShown_.isActive(); }
    QFont fittedFont() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer pressShown_;
    FittedFont fitted_;
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

// A label that always shows its whole caption, whatever face the machine gives: a caption too
// large for its box in that face is drawn at the largest pixel size that fits, wrapped as the
// label wraps (a one-line field never wraps), never below kCaptionMinimumPx, never elided.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FittedFont fitted_;
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

// Ticks once per period while enabled. Disabling takes effect at once: no tick is delivered after
// setEnabled(false) returns.
class TimerControl final : public QTimer {
    Q_OBJECT
public:
    TimerControl(int period, QObject* parent);
    int period() const { return period_; }
    bool isEnabled() const { return isActive(); }
    void setEnabled(bool enabled);
    // One tick, as the running timer gives it; nothing while disabled.
    void tick();
    // After each tick, asks how many milliseconds until the window has anything new to show
    // (0: nothing awaited), and sleeps until then.
    void pace(std::function<int()> untilNext);

signals:
    void ticked();

private:
    int period_;
};

class Timer : public Control {
public:
    using Control::Control;
    // Disabling takes effect at once: no tick is delivered after this returns.
    void setEnabled(bool enabled);
};

} // namespace velti::forms
