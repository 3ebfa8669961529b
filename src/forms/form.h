// What a window's code sees of the window layer: the window (a QWidget, or a QDialog for a modal
// one) built from its description, its controls as typed members, and its handlers connected to
// the controls through one guard that carries the run-time error convention.
#pragma once

#include "core/runtime_error.h"
#include "forms/controls.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

class QApplication;
class QScreen;

namespace velti {
class MsgBox;
}

namespace velti::forms {

// Sets up what every window relies on: the style, the stand-ins for the designed fonts, Qt's own
// texts in Italian, what assistive technology is told, and windows destroyed by other programs.
void initialise(QApplication& application);

// Asked before each control operation a handler takes. Tests plant a failure here; the program
// has none.
class OperationCheck {
public:
    virtual ~OperationCheck() = default;
    virtual void beforeOperation() = 0;
};

// What the windows of one program share.
struct Runtime {
    MsgBox& msgBox;
    QString title; // of the run-time error box: the program's name
    TimerPolicy timers = {};
    Icons icons = {};
    OperationCheck* check = nullptr;
    int running = 0;        // handlers running, of every window
    bool reporting = false; // an error box is open
};

// Whether a window waits behind a modal one, and so takes no input by any path.
bool isBlocked(const QWidget* window);

// The part of a window that runs its handlers, one at a time, nested only inside a modal window
// or a message box. A run-time error ends a handler at the failing step, is shown in the error
// box, and the program goes on; no exception crosses Qt's event loop.
class Shell {
public:
    Shell(const FormDescription& description, Runtime& runtime, QWidget* window);
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell();

    const FormDescription& description() const { return description_; }

    template <class Handler> void deliver(Handler&& handler) {
        ++running_;
        ++runtime_.running;
        try {
            handler();
        } catch (const RuntimeError& error) {
            return finish(&error);
        } catch (const std::exception& error) {
            const RuntimeError internal(
                51, QStringLiteral("Errore interno: %1").arg(QString::fromUtf8(error.what())));
            return finish(&internal);
        }
        finish(nullptr);
    }

    // Every control operation passes through here before it acts.
    void operation();
    // Sets the window's outer height in twips; the client area takes what the designed border
    // leaves. The top edge stays where it is.
    void setHeight(double twips);

    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler ends, by which time the handler has put the focus where it wants.
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;

    // The window's native window was destroyed by another program: it goes as if closed, once
    // none of its handlers runs.
    void nativeWindowGone();

protected:
    // A click runs its handler if the button may be pressed, whoever sent it (mouse, key, an
    // assistive technology, a queued click); a person is told what it changed.
    template <class Handler> void click(QWidget* button, Handler&& handler) {
        if (!isButtonEnabled(button) || !button->isVisible() || isBlocked(window_))
            return;
        beforeClick();
        deliver(handler);
        afterClick();
    }
    bool pacingAllowed() const { return runtime_.timers.pacing; }
    // A control the client area does not reach, as the memory panel before the About window
    // grows, is hidden: nobody sees it, so no reader reads it out.
    void showControlsInSight();
    // Centres the window's frame, title bar included, on the screen of its owner.
    void centre(const QWidget* owner);
    void paintBackground();
    void shown();
    void stateChanged(QEvent* event);
    void moved();
    virtual void unload() = 0;

private:
    void finish(const RuntimeError* error);
    void centre(QMargins frame);
    void beforeClick();
    void afterClick();

    const FormDescription& description_;
    Runtime& runtime_;
    QWidget* window_;
    QPixmap background_;
    int running_ = 0;
    bool unloadWhenIdle_ = false;
    struct Held {
        QPointer<QWidget> button;
        int depth;
    };
    std::vector<Held> held_;
    struct Told;
    std::vector<std::unique_ptr<Told>> told_;
    // Until the desktop has framed a centred window, the frame centred is a guess.
    QPointer<QScreen> screen_;
    QMargins guess_;
    bool framed_ = true;
};

// The controls, named as the design names them: one operation a step. An operation throws
// RuntimeError when it cannot be carried out (the control is gone or never was, no such element,
// focus to a button that cannot take it), and so ends the handler at that step.
class Control {
public:
    Control(Shell& window, QObject* control, const char* name);
    QObject* object() const { return control_; }

protected:
    template <class Widget> Widget* live() const;

    Shell& window_;
    QPointer<QObject> control_;
    const char* name_;
    bool found_;
};

class CommandButton : public Control {
public:
    CommandButton(Shell& window, const char* name);
    // The caption with its "&" access-key markers.
    QString caption() const;
    void setCaption(const QString& caption);
    void setEnabled(bool enabled);
    // Fails on a button that is disabled or hidden.
    void setFocus();
};

class Label : public Control {
public:
    Label(Shell& window, const char* name);
    Label(Shell& window, QObject* element, const char* name) : Control(window, element, name) {}
    QString caption() const;
    void setCaption(const QString& caption);
    void setForeColor(QRgb colour);
};

class LabelArray : public Control {
public:
    LabelArray(Shell& window, const char* name) : Control(window, nullptr, name) {}
    // The element with this index; fails if there is none.
    Label item(std::int16_t index) const;
};

class Timer : public Control {
public:
    Timer(Shell& window, const char* name);
    // Disabling takes effect at once: no tick is delivered after this returns.
    void setEnabled(bool enabled);
};

// What both kinds of window do alike: built as designed, the background drawn unscaled from the
// top-left corner, the focus on the enabled button with the lowest tab index when shown, never
// maximised. Handlers are connected with onClick and onTimer, and the Load handler runs with
// onLoad.
template <class Base> class Form : public Base, public Shell {
public:
    Form(const FormDescription& description, Runtime& runtime, QWidget* parent, Qt::WindowType type)
        : Base(parent, type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
          Shell(description, runtime, this) {
        build(description, *this, runtime.timers, runtime.icons);
        showControlsInSight();
    }

protected:
    template <class Window> void onLoad(void (Window::*handler)()) {
        deliver([&] { (static_cast<Window*>(this)->*handler)(); });
    }
    template <class Window> void onClick(const CommandButton& source, void (Window::*handler)()) {
        auto* button = static_cast<QWidget*>(source.object());
        QObject::connect(static_cast<QPushButton*>(button), &QPushButton::clicked, this,
                         [this, button, handler] {
                             click(button, [&] { (static_cast<Window*>(this)->*handler)(); });
                         });
    }
    // pacing, if given, tells after each tick of the running timer how many milliseconds until
    // the window has anything new to show: the next tick comes then.
    template <class Window>
    void onTimer(const Timer& source, void (Window::*handler)(),
                 int (Window::*pacing)() const = nullptr) {
        auto* timer = static_cast<TimerControl*>(source.object());
        QObject::connect(timer, &TimerControl::ticked, this, [this, handler] {
            deliver([&] { (static_cast<Window*>(this)->*handler)(); });
        });
        if (pacing == nullptr || !pacingAllowed())
            return;
        QObject::connect(timer, &QTimer::timeout, this, [this, timer, pacing] {
            const int until = (static_cast<Window*>(this)->*pacing)();
            if (timer->isActive() && (until > 0 || timer->interval() != timer->period()))
                timer->start(until > 0 ? until : timer->period());
        });
    }

    void paintEvent(QPaintEvent* /*event*/) override { paintBackground(); }
    void showEvent(QShowEvent* event) override {
        Base::showEvent(event);
        shown();
    }
    void changeEvent(QEvent* event) override {
        Base::changeEvent(event);
        stateChanged(event);
    }
    void moveEvent(QMoveEvent* event) override {
        Base::moveEvent(event);
        moved();
    }
};

// A top-level window, shown not modal. Closing it runs its Unload handler, which may cancel.
class Window : public Form<QWidget> {
    Q_OBJECT
public:
    Window(const FormDescription& description, Runtime& runtime)
        : Form(description, runtime, nullptr, Qt::Window) {}
    // Closes the window: as the close box does.
    void unload() override;

protected:
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    void closeEvent(QCloseEvent* event) override;
};

// A modal window, made afresh at each opening: it opens centred on the screen, in front of its
// owner, and takes all input until it closes, by its Unload handler, Esc or the close box.
class Dialog : public Form<QDialog> {
    Q_OBJECT
public:
    Dialog(const FormDescription& description, Runtime& runtime, QWidget* owner)
        : Form(description, runtime, owner, Qt::Dialog) {}
    // Shows the window modally and returns once it has closed. Other windows take no input
    // meanwhile; their timers go on ticking.
    void showModal();
    void unload() override;

protected:
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    void done(int result) override;
};

} // namespace velti::forms
