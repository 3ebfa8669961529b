// The window kinds: what a window's code sees of the window layer. A window (a QWidget, or a
// QDialog for a modal one) is built from its description; its controls are typed members, and its
// handlers, member functions, are connected to them through the dispatcher it owns.
#pragma once

#include "forms/controls.h"
#include "forms/design.h"
#include "forms/dispatch.h"
#include "platform/title_bar.h"

#include <QCloseEvent>
#include <QDialog>
#include <QPixmap>

#include <cstdint>
#include <type_traits>
#include <utility>

class QScreen;

namespace velti::forms {

template <class> struct MemberOf;
template <class Result, class Window> struct MemberOf<Result Window::*> { using Class = Window; };
template <class Reference, class Window>
using CopyConst =
    std::conditional_t<std::is_const_v<std::remove_reference_t<Reference>>, const Window, Window>;

// What a window is besides its Qt widget: its description, its dispatcher, its background, and
// where it opens.
class Shell {
public:
    Shell(const FormDescription& description, Runtime& runtime, QWidget* window);
    virtual ~Shell() = default;

    QWidget& widget() const { return dispatch_.widget(); }
    const FormDescription& description() const { return description_; }
    Dispatcher& dispatch() { return dispatch_; }
    // The window's handles reach their controls through its dispatcher.
    operator Dispatcher&() { return dispatch_; }

    template <class Body> void deliver(Body&& body) { dispatch_.deliver(std::forward<Body>(body)); }
    // Sets the window's outer height in twips; the client area takes what the designed border
    // leaves. The top edge stays where it is.
    void setHeight(double twips);
    // Another program destroyed the native window: it goes as if closed, once none of its
    // handlers runs.
    void nativeWindowGone() { dispatch_.closeWhenIdle(); }
    // Closes the window as its close box does: the Unload handler runs first, and may cancel.
    void unload() { dispatch_.close(); }

protected:
    using Handler = Dispatcher::Handler;
    using Pacing = int (*)(const QWidget& window);
    // A handler, a member function of the window's own class, called on the window.
    template <auto member> static auto call() {
        return [](auto& window) {
            using Window = typename MemberOf<decltype(member)>::Class;
            return (static_cast<CopyConst<decltype(window), Window>&>(window).*member)();
        };
    }
    template <auto handler> void onClick(const CommandButton& source) {
        dispatch_.connectClick(static_cast<QPushButton*>(source.object()),
                               Handler(call<handler>()));
    }
    // pacing, if given, tells after each tick of the running timer how many milliseconds until
    // the window has anything new to show; the next tick comes then.
    template <auto handler, auto pacing = nullptr> void onTimer(const Timer& source) {
        Pacing paced = nullptr;
        if constexpr (pacing != nullptr)
            paced = Pacing(call<pacing>());
        connectTimer(static_cast<TimerControl*>(source.object()), Handler(call<handler>()), paced);
    }
    template <auto handler> void onLoad() { dispatch_.deliver(Handler(call<handler>())); }

    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    // Runs the Unload handler: whether the window may go.
    bool unloading();
    void showControlsInSight();
    void paintBackground();
    // Where the window draws its own title bar, the client area moves down below it.
    void wearTitleBar();
    void shown();
    void moved();
    // Centres the window's frame, title bar included, on the screen of its owner.
    void centre(const QWidget* owner);

private:
    void connectTimer(TimerControl* timer, Handler handler, Pacing pacing);
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
template <class Base> class Form : public Base, public Shell {
public:
    Form(const FormDescription& description, Runtime& runtime, QWidget* parent,
         Qt::WindowFlags type)
        // A title bar's hints would take a frameless window's frame back.
        : Base(parent, type.testFlag(Qt::FramelessWindowHint)
                           ? type
                           : type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                 Qt::MSWindowsFixedSizeDialogHint),
          Shell(description, runtime, this) {
        build(description, *this, runtime.timers, runtime.icons);
        showControlsInSight();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override { paintBackground(); }
    void showEvent(QShowEvent* event) override {
        Base::showEvent(event);
        shown();
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
