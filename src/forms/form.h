// A window built from its form description, with its event-binding table and one dispatch path.
#pragma once

#include "forms/context.h"
#include "forms/controls.h"
#include "forms/description.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>
#include <vector>

class QEventLoop;
class QObject;
class QWidget;

namespace velti::forms {

class FormWindow;

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
        return {Event::Unload, nullptr, [window = self<Window>(), handler](std::int16_t& cancel) {
                    (window->*handler)(cancel);
                }};
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
            binding.pacing = [window = self<Window>(), pacing] { return (window->*pacing)(); };
        return binding;
    }

private:
    friend class FormWindow;

    template <class Window> Window* self() {
        static_assert(std::is_base_of_v<Form, Window>, "a handler of another class");
        return static_cast<Window*>(this);
    }
    template <class Window> EventBinding::Handler call(void (Window::*handler)()) {
        return [window = self<Window>(), handler](std::int16_t&) { (window->*handler)(); };
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
