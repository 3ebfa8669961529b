// The widgets the window layer builds a form from.
#pragma once

#include "forms/timer_policy.h"

#include <QBasicTimer>
#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace velti::forms {

class Form;

// A top-level window: draws its background picture unscaled from the top-left corner, turns the
// close box into an unload, and gives Esc to the cancel button and Enter to the default one.
class FormWindow final : public QWidget {
    Q_OBJECT
public:
    FormWindow(Form& form, Qt::WindowFlags flags);
    void setBackground(const QPixmap& picture) { background_ = picture; }
    // Runs once, when the desktop has put its frame around the window.
    void whenFramed(std::function<void()> framed) { framed_ = std::move(framed); }
    // Another program destroyed the native window (X11: DestroyNotify); the window is unloaded.
    void nativeWindowDestroyed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Form& form_;
    QPixmap background_;
    std::function<void()> framed_;
};

// Finds the font a caption is drawn with so that it shows whole in its room, whatever face the
// machine gives: the control's own when the caption fits at that size, else the largest pixel size
// that fits, never below kCaptionMinimumPx. The answer is kept, and the caption measured again
// only when it, the font or the room has changed: the display is rewritten every second and the
// About window's labels on every tick.
class CaptionFit {
public:
    QFont fitted(const QString& caption, const QFont& font, const QRect& room,
                 const std::function<bool(const QFont&)>& fits);

private:
    bool measured_ = false;
    QString caption_;
    QFont font_;
    QRect room_;
    QFont fitted_;
};

// A push button whose access key clicks it at once, when the key is pressed, like a mouse click
// does. The press shown afterwards is only a picture: the button is not held down, so nothing
// that arrives meanwhile can turn it into a second click.
class ButtonControl final : public QPushButton {
    Q_OBJECT
public:
    ButtonControl(const QString& caption, QWidget* parent);
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
    QRect captionRoom() const;

    QBasicTimer pressShown_;
    mutable CaptionFit fit_;
};

// A label and a frame of their own kind, so that the layer's accessibility is asked for them
// before Qt's own is.
class LabelControl final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

class FrameControl final : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    // A frame that holds the window's live readings is its status bar.
    bool statusBar = false;
};

// Where a window says what an action changed, to assistive technology alone: it has no size and
// draws nothing. Its one label holds the words.
class NoticeControl final : public QWidget {
    Q_OBJECT
public:
    explicit NoticeControl(QWidget* parent);
    void setText(const QString& text) { words_->setText(text); }
    QString text() const { return words_->text(); }
    // Hidden after this long, unless shown again meanwhile.
    void takeAwayIn(int ms) { shown_.start(ms); }

private:
    QLabel* words_;
    QTimer shown_;
};

// A label showing text: it always shows its whole caption inside the part of its box that stays in
// sight (a control laid over its edge, as the memory fields overlap by a pixel, hides what is
// under it), whatever face the machine gives. A caption too large for it in that face is drawn at
// the largest pixel size that fits, wrapped as the label wraps (a bordered one-line field never
// wraps), never below kCaptionMinimumPx; it is never elided and never runs into another control.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    CaptionLabel(const QString& caption, bool oneLine, QWidget* parent);
    // The font the caption is drawn with: the label's own, or smaller when that does not fit.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool fits(const QFont& font) const;

    mutable CaptionFit fit_;
};

inline constexpr int kCaptionMinimumPx = 7;

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
