// The widgets the window layer builds a window from, and the building itself.
#pragma once

#include "forms/form.h"

#include <QBasicTimer>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QScreen;

namespace velti::forms {

// The window as designed, every control at its place, in its font and colours, with its caption,
// picture and tooltip, and the buttons in the designed tab order; each control is listed in
// controls. Timers are enabled; nothing runs and the window is not shown.
FormWindow* buildWindow(const FormDescription& description, Form& form, Context& context,
                        std::vector<LiveControl>& controls);

// A top-level window: draws its background picture unscaled from the top-left corner, turns the
// close box into an unload, and gives Esc to the cancel button and Enter to the default one.
class FormWindow final : public QWidget {
    Q_OBJECT
public:
    FormWindow(Form& form, Qt::WindowFlags flags) : QWidget(nullptr, flags), form_(form) {}
    void setBackground(const QPixmap& picture) { background_ = picture; }
    // Centres the window's frame, title bar included, on the screen of its owner.
    void centre(const QWidget* owner);
    // Another program destroyed the native window (X11: DestroyNotify); the window is unloaded.
    void nativeWindowDestroyed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void centre(QMargins frame);

    Form& form_;
    QPixmap background_;
    // Until the desktop has framed the window, the frame centred is a guess.
    QPointer<QScreen> screen_;
    QMargins guess_;
    bool framed_ = true;
};

inline constexpr int kCaptionMinimumPx = 7;

// A push button whose access key clicks it at once, when the key is pressed, like a mouse click
// does. The press shown afterwards is only a picture: the button is not held down, so nothing
// that arrives meanwhile can turn it into a second click.
class ButtonControl final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    // Esc clicks the window's cancel button, Enter its default one, wherever the focus is.
    bool cancel = false;
    bool isDefault = false;
    // Whether the button shows the brief press that follows an access key.
    bool showsPress() const { return pressShown_.isActive(); }
    // The font the caption is drawn with: the button's own, or smaller when that would run into
    // the button's frame.
    QFont fittedFont() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer pressShown_;
};

// A label showing text: it always shows its whole caption inside the part of its box that stays in
// sight (a control laid over its edge, as the memory fields overlap by a pixel, hides what is
// under it), whatever face the machine gives. A caption too large for it in that face is drawn at
// the largest pixel size that fits, wrapped as the label wraps (a bordered one-line field never
// wraps), never below kCaptionMinimumPx; it is never elided and never runs into another control.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The font the caption is drawn with: the label's own, or smaller when that does not fit.
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

// Where a window says what an action changed, to assistive technology alone: it has no size and
// draws nothing. Its one label holds the words, and is hidden after a while.
class NoticeControl final : public QWidget {
    Q_OBJECT
public:
    explicit NoticeControl(QWidget* parent);
    QLabel* const words;
    QTimer shown;
};

// A timer control: delivers its Timer event once per period while enabled. Disabling it takes
// effect at once: no tick is delivered after setEnabled(false) returns.
class TimerControl final : public QObject {
    Q_OBJECT
public:
    TimerControl(int intervalMs, const TimerPolicy& policy, QObject* parent);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int period() const { return period_; }
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    // Asked after each tick of the running timer: how many milliseconds until the window has
    // anything new to show. The next tick comes then, or after the period if that is later; 0
    // keeps the period.
    void setPacing(std::function<int()> pacing) { pacing_ = std::move(pacing); }
    // The wait before the running timer's next tick, in milliseconds.
    int nextWait() const { return wait_; }
    // Delivers one tick, as the running timer does; nothing happens while disabled.
    void tick();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer timer_;
    std::function<void()> handler_;
    std::function<int()> pacing_;
    bool pacingAllowed_;
    int period_;
    int wait_;
    bool enabled_ = false;
};

} // namespace velti::forms

namespace velti::forms::accessibility {

// Called when a hidden control has come into sight: it joins the window's tree, the same object
// it was.
void joinedTheTree(QWidget* control);

// Called once a click's handler has ended, with the controls it changed: the time or the state
// in the status bar, labels it brought into sight, a button renamed under the focus. A person
// hears the change once, after what the focus says, in the words the window now shows.
void announce(QWidget* window, const std::vector<QPointer<QWidget>>& changed,
              const QWidget* focusBefore);

// How long after the handler a person is told, and how long what is told stays to be read.
inline constexpr int kNoticeDelayMs = 100;
inline constexpr int kNoticeShownMs = 1500;

} // namespace velti::forms::accessibility
