// The Qt widgets a window is built from, one for each kind of control, behind the handles its
// handlers hold: a button whose access key clicks at once, a label and a button whose captions
// always show whole, a frame, and the timer that ticks for a Timer handle.
#pragma once

#include "forms/windows/captions.h"

#include <QBasicTimer>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace velti::forms {

// A push button whose access key clicks it at once, when the key is pressed, as a mouse click
// does. The press shown afterwards is only a picture: the button is not held down, so nothing
// that arrives meanwhile can turn it into a second click. Its caption always shows whole, drawn
// smaller when the face would run it into the frame.
class ButtonWidget final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    QFont fittedFont() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer pressShown_;
    FittedFont fitted_;
};

// A label that always shows its whole caption, whatever face the machine gives: a caption too
// large for its box in that face is drawn at the largest pixel size that fits, wrapped as the
// label wraps (a one-line field never wraps), never below kCaptionMinimumPx, never elided.
class LabelWidget final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FittedFont fitted_;
};

// A frame: an etched rectangle, or, when designed so, the window's status bar, which holds its
// live readings.
class FrameWidget final : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    bool statusBar = false;
};

// Ticks once per period while enabled. Disabling takes effect at once: no tick is delivered after
// setEnabled(false) returns.
class TickTimer final : public QTimer {
    Q_OBJECT
public:
    TickTimer(int period, QObject* parent);
    bool isEnabled() const { return isActive(); }
    void setEnabled(bool enabled);
    // What each tick runs. untilNext, if given, tells after each tick of the running timer how
    // many milliseconds until the window has anything new to show (0: nothing awaited), and the
    // timer sleeps until then.
    void onTick(std::function<void()> handler, std::function<int()> untilNext = {});
    // One tick, as the running timer gives it; nothing while disabled.
    void tick();

protected:
    // Straight to the handler: no signal between the timer and its window.
    void timerEvent(QTimerEvent* event) override;

private:
    int period_;
    std::function<void()> handler_;
    std::function<int()> untilNext_;
};

} // namespace velti::forms
