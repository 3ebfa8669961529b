// The controls a window is built from, as designed, and the checked operations its handlers take
// on them.
#pragma once

#include "forms/description.h"

#include <QBasicTimer>
#include <QFrame>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace velti::forms {

class Shell;

// How the timers of a program run: none ticks faster than the floor, about the granularity
// desktop timers have always had; a paced timer sleeps until its window has something new to
// show. Tests give a floor no timer reaches, and tick by hand.
struct TimerPolicy {
    int floorMs = 15;
    bool pacing = true;
};

// Each picture file is read once: a window made afresh reuses its icons, and with them the pixmaps
// Qt has cached for them, so that a thousand openings hold no more than one.
class Icons {
public:
    QIcon operator()(const char* file);

private:
    QHash<QString, QIcon> loaded_;
};

// Builds every control of the window as designed, at its place, in its font and colours, with its
// caption, picture and tooltip; the buttons in the designed tab order. Timers run.
void build(const FormDescription& description, QWidget& window, const TimerPolicy& timers,
           Icons& icons);

// A button's designed caption and what it does while it bears it, as a QStringList property.
extern const char* const kDescribed;

// The control of the window with this designed name and array index (-1: none), or nullptr.
QObject* controlOf(const QWidget& window, const char* name, int index = -1);

inline constexpr int kCaptionMinimumPx = 7;

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
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer pressShown_;
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
};

// A frame that holds the window's live readings is its status bar.
class FrameControl final : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    bool statusBar = false;
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

signals:
    void ticked();

private:
    int period_;
};

// A window's handlers reach its controls through members named as the design names them, one
// operation a step. An operation that cannot be carried out (the control is gone or never was, no
// such element, the focus to a button that cannot take it) throws RuntimeError, and so ends the
// handler at that step.
class Control {
public:
    Control(Shell& window, const char* name, int index = -1);
    QObject* object() const { return control_; }

protected:
    template <class Widget> Widget* live() const;

    Shell& window_;
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
