// What a window's code sees of the window layer: the window itself (Form), the handles of its
// controls, its event-binding table, and what the windows of one application share (Context).
// A window is built from its form description and every event reaches its handler through one
// dispatch path.
#pragma once

#include "forms/description.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <type_traits>
#include <vector>

class QApplication;
class QEventLoop;
class QWidget;

namespace velti {
class MsgBox;
}

namespace velti::forms {

class Form;
class FormWindow;

// Sets up what every window relies on: the style, the stand-ins for the designed fonts, the
// layer's own texts in Italian whatever the user's locale, and what the desktop and assistive
// technology are told.
void initialise(QApplication& application);

// The real tick period never goes below this floor, whatever the designed interval: about the
// granularity desktop timers have always had.
inline constexpr int kTimerFloorMs = 15;

struct TimerPolicy {
    int floorMs = kTimerFloorMs;
    // Whether a window may let its timer sleep while it has nothing new to show.
    bool pacing = true;
};

class Context {
public:
    // The title is the application's name: the title of the run-time error box.
    Context(QString title, MsgBox& msgBox, TimerPolicy timers = {});
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const TimerPolicy& timers() const { return timers_; }

    // Runs a handler, one at a time, nested only inside a modal window's loop or a message box. A
    // run-time error ends it at the failing step, is shown in the error box, and the program goes
    // on; no exception ever crosses Qt's event loop. A click's handler gathers in told the
    // controls it changes, for a person to be told of them.
    void deliver(const std::function<void()>& handler,
                 std::vector<QPointer<QWidget>>* told = nullptr);
    // Every control operation passes through here before it acts.
    void operation();
    // A control whose change a person is told of once the running click handler ends.
    void changed(QWidget* control);

    // Enabled set on a button, and whether it is enabled as the handlers see it. While a handler
    // runs, the button with the focus is not disabled at once: Qt would move the focus on through
    // the window, and a screen reader would announce every stop. It is disabled when the handler
    // that disabled it ends, by which time the handler has usually put the focus where it wants.
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;
    // Disables the held buttons of the handlers running at this depth and deeper: a handler that
    // opens a modal window releases its own before the window's loop.
    void releaseHeldButtons(int depth = 0);

    // A test hook: while failAt is set, the control operations that handlers take are counted,
    // and the one that brings the count to failAt fails as a real failure would. Only operations
    // inside a handler count: there the failure is caught. Unset, an operation costs one
    // comparison.
    struct FailureHook {
        int failAt = 0;
        int counted = 0;
    };
    FailureHook& failureHook() { return failureHook_; }

    int loadedWindows() const { return loadedWindows_; }
    // Runs when the last loaded window is unloaded: the end of the program.
    void whenAllUnloaded(std::function<void()> run) { allUnloaded_ = std::move(run); }
    void windowLoaded() { ++loadedWindows_; }
    void windowUnloaded();

    // Each icon file is read once: a window loaded afresh reuses its icons, and with them the
    // pixmaps Qt has already cached for them, so that a thousand loads hold no more than one.
    QIcon icon(const char* file);

private:
    QString title_;
    MsgBox& msgBox_;
    TimerPolicy timers_;
    bool reporting_ = false;
    FailureHook failureHook_;
    int running_ = 0;
    // What the innermost running handler, when it is a click, changed; null while a tick or a
    // load runs innermost, which nobody is told of.
    std::vector<QPointer<QWidget>>* told_ = nullptr;
    struct HeldButton {
        QPointer<QWidget> button;
        int depth; // running_ when the handler disabled it
    };
    std::vector<HeldButton> held_;
    int loadedWindows_ = 0;
    std::function<void()> allUnloaded_;
    QHash<QString, QIcon> icons_;
};

// Control handles: a window reaches its controls through members named as the design names them,
// one operation a step. A handle is bound to its control once, as the window loads, and let go as
// it unloads. An operation that cannot be carried out throws RuntimeError and so ends the handler
// at that step.

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

enum class Event { Load, Unload, Click, Timer };

// One row of a window's event-binding table, made by the window's onLoad, onUnload, onClick and
// onTimer, which take the handler as a member function of the window itself.
struct EventBinding {
    using Handler = std::function<void(std::int16_t& cancel)>; // cancel: an Unload's alone
    Event event;
    const Control* source; // the handle of the control that sends it; null for the window's own
    Handler handler;
    // A timer's: milliseconds until the window has anything new to show after a tick; 0 keeps
    // the period.
    std::function<int()> pacing = {};
};

// A control as built, by its designed name and array index.
struct LiveControl {
    std::string_view name;
    int index;
    QPointer<QObject> object;
};

class Form {
public:
    Form(const FormDescription& description, Context& context);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormDescription& description() const { return description_; }
    Context& context() const { return context_; }

    bool isLoaded() const;
    // Builds every control afresh from the description, then runs the Load handler.
    void load();
    // Loads if needed and shows the window, not modal.
    void show();
    // Loads if needed, shows the window modally and returns once it has been unloaded. Other
    // windows take no input meanwhile; their timers go on ticking.
    void showModal();
    // Runs the Unload handler; unless it cancels, the window and its controls go away. The
    // widgets are deleted once the event being handled is done, so a handler may unload its own
    // window and still finish.
    void unload();
    // Sets the window's outer height in twips; the client area takes what the designed border
    // leaves. The top edge stays where it is.
    void setHeight(double twips);

    // The live window, or nullptr while the window is not loaded.
    QWidget* window() const;
    // The live control by name (and array index), or a RuntimeError: for what looks at the window
    // from outside, as tests do. The window's own handles are bound to their controls at load.
    QObject* control(std::string_view name, int index = -1) const;

    // A handle of this window's class, bound at every load; released as it goes.
    void adopt(Control* handle) { handles_.push_back(handle); }
    void release(Control* handle) { std::erase(handles_, handle); }

    // Whether a window waits behind a modal one, and so takes no input by any path.
    static bool isBlocked(const QWidget* window);

protected:
    // The window's event-binding table.
    virtual std::vector<EventBinding> events() = 0;

    template <class Window> EventBinding onLoad(void (Window::*handler)()) {
        return {Event::Load, nullptr, call(handler)};
    }
    template <class Window> EventBinding onUnload(void (Window::*handler)(std::int16_t&)) {
        return {Event::Unload, nullptr, call(handler)};
    }
    template <class Window>
    EventBinding onClick(const CommandButton& source, void (Window::*handler)()) {
        return {Event::Click, &source, call(handler)};
    }
    template <class Window>
    EventBinding onTimer(const Timer& source, void (Window::*handler)(),
                         int (Window::*pacing)() const = nullptr) {
        EventBinding binding{Event::Timer, &source, call(handler)};
        if (pacing != nullptr)
            binding.pacing = [window = static_cast<Window*>(this), pacing] {
                return (window->*pacing)();
            };
        return binding;
    }

private:
    friend class FormWindow;

    // A handler of the window's own class, with the cancel flag (Unload) or without.
    template <class Window, class... Cancel>
    EventBinding::Handler call(void (Window::*handler)(Cancel...)) {
        static_assert(std::is_base_of_v<Form, Window>, "a handler of another class");
        return [window = static_cast<Window*>(this), handler](std::int16_t& cancel) {
            if constexpr (sizeof...(Cancel) == 0)
                (window->*handler)();
            else
                (window->*handler)(cancel);
        };
    }
    void bindEvents(EventBinding::Handler& load);
    // Every event reaches its handler through here; a click's handler gathers what it changes in
    // told, for a person to be told of it.
    void deliver(const EventBinding::Handler& handler, std::int16_t& cancel,
                 std::vector<QPointer<QWidget>>* told = nullptr);
    void deliverClick(const EventBinding::Handler& handler);
    // The window's native window was destroyed by another program: the window is unloaded as if
    // closed, once none of its own handlers is running.
    void nativeWindowGone();
    void focusFirstButton();
    void showControlsInSight();

    const FormDescription& description_;
    Context& context_;
    QPointer<FormWindow> window_;
    std::vector<LiveControl> controls_;
    std::vector<Control*> handles_;
    EventBinding::Handler unloadHandler_;
    QEventLoop* modalLoop_ = nullptr;
    // This window's handlers now running, and whether its unload waits for them to end.
    int handlersRunning_ = 0;
    bool unloadWhenIdle_ = false;
};

} // namespace velti::forms
