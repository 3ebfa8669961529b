// The window kinds: what a window's code sees of the window layer. A window (a QWidget, or a
// QDialog for a modal one) is built from its description; its controls are typed members, and its
// handlers, member functions, are connected to them through the dispatcher it owns.
#pragma once

#include "forms/windows/controls.h"
#include "forms/windows/design.h"
#include "forms/windows/dispatch.h"
#include "forms/windows/widgets.h"
#include "platform/title_bar.h"

#include <QCloseEvent>
#include <QDialog>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <utility>

class QScreen;

namespace velti::forms {

// What a window is besides its Qt widget: its description, its dispatcher, its background, and
// where it opens.
class FormBase {
public:
    FormBase(const FormDescription& description, Runtime& runtime, QWidget* window);
    virtual ~FormBase() = default;

    QWidget& widget() const { return dispatch_.widget(); }
    const FormDescription& description() const { return description_; }
    Dispatcher& dispatch() { return dispatch_; }
    // The window's handles reach their controls through its dispatcher.
    operator Dispatcher&() { return dispatch_; }

    // Sets the window's outer height in twips; the client area takes what the designed border
    // leaves. The top edge stays where it is.
    void setHeight(double twips);
    // Another program destroyed the native window: it goes as if closed, once none of its
    // handlers runs.
    void nativeWindowGone() { dispatch_.closeWhenIdle(); }
    // The window's Unload, as a handler asks for it.
    void unload() { dispatch_.close(); }

protected:
    // Each connects a handler, a member function of the window's own class, and runs it on the
    // window: at the button's click, at the timer's tick, or at once for the Load handler.
    template <class Window> void onClick(const CommandButton& source, void (Window::*handler)()) {
        dispatch_.connectClick(
            static_cast<QPushButton*>(source.object()),
            [window = static_cast<Window*>(this), handler] { (window->*handler)(); });
    }
    // pacing, if given, tells after each tick of the running timer how many milliseconds until
    // the window has anything new to show; the next tick comes then.
    template <class Window>
    void onTimer(const Timer& source, void (Window::*handler)(),
                 int (Window::*pacing)() const = nullptr) {
        auto* window = static_cast<Window*>(this);
        std::function<int()> paced;
        if (pacing != nullptr)
            paced = [window, pacing] { return (window->*pacing)(); };
        connectTimer(
            static_cast<TickTimer*>(source.object()), [window, handler] { (window->*handler)(); },
            std::move(paced));
    }
    template <class Window> void onLoad(void (Window::*handler)()) {
        dispatch_.deliver([window = static_cast<Window*>(this), handler] { (window->*handler)(); });
    }

    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    // Runs the Unload handler: whether the window may go.
    bool unloading();
    void showControlsInSight();
    void paintBackground();
    // Where the window draws its own title bar, the client area moves down below it.
    void wearTitleBar();
    void onShow();
    void moved();
    // Centres the window's frame, title bar included, on the screen of its owner.
    void centre(const QWidget* owner);

private:
    void connectTimer(TickTimer* timer, Dispatcher::Handler handler, std::function<int()> pacing);
    void centre(QMargins frame);

    const FormDescription& description_;
    Dispatcher dispatch_;
    QPixmap background_;
    int top_ = 0; // where the client area begins: below the title bar the window draws itself
    // Until the desktop has framed a centred window, the frame centred is a guess.
    QPointer<QScreen> screen_;
    QMargins guess_;
    bool framed_ = true;
    bool opened_ = false;
};

// What both kinds of window do alike: built as designed, the background drawn unscaled from the
// top-left corner, the focus on the enabled button with the lowest tab index when shown.
template <class Base> class Form : public Base, public FormBase {
public:
    Form(const FormDescription& description, Runtime& runtime, QWidget* parent,
         Qt::WindowFlags type)
        // A title bar's hints would take a frameless window's frame back.
        : Base(parent, type.testFlag(Qt::FramelessWindowHint)
                           ? type
                           : type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                 Qt::MSWindowsFixedSizeDialogHint),
          FormBase(description, runtime, this) {
        build(description, *this, runtime.timers, runtime.icons);
        showControlsInSight();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override { paintBackground(); }
    void showEvent(QShowEvent* event) override {
        Base::showEvent(event);
        onShow();
    }
    void moveEvent(QMoveEvent* event) override {
        Base::moveEvent(event);
        moved();
    }
};

// A top-level window, shown not modal.
class Window : public Form<QWidget> {
    Q_OBJECT
public:
    Window(const FormDescription& description, Runtime& runtime)
        : Form(description, runtime, nullptr, Qt::Window) {}

protected:
    void closeEvent(QCloseEvent* event) override { event->setAccepted(unloading()); }
};

// A modal window, made afresh at each opening: it opens centred on the screen, in front of its
// owner, and takes all input until it closes, by its Unload handler, Esc or the close box.
class Dialog : public Form<QDialog> {
    Q_OBJECT
public:
    Dialog(const FormDescription& description, Runtime& runtime, QWidget* owner)
        : Form(description, runtime, owner, Qt::Dialog | modalFrame()) {
        wearTitleBar();
    }
    // Shows the window modally and returns once it has closed. Other windows take no input
    // meanwhile; their timers go on ticking.
    void showModal();

protected:
    // Every way out (Esc, the close box, a handler's unload) comes here first.
    void done(int result) override {
        if (unloading())
            QDialog::done(result);
    }
};

} // namespace velti::forms
