// A window built from its form description, with its event-binding table and one dispatch path.
#pragma once

#include "forms/build.h"
#include "forms/context.h"
#include "forms/controls.h"
#include "forms/description.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

class QEventLoop;
class QObject;
class QWidget;

namespace velti::forms {

class FormWindow;
class TimerControl;

enum class Event { Load, Unload, Click, Timer };

// One row of a window's event-binding table. Rows are made by the window's onLoad, onUnload,
// onClick and onTimer, which take the handler as a member function of the window itself.
class EventBinding {
public:
    using Handler = std::function<void()>;
    using UnloadHandler = std::function<void(std::int16_t& cancel)>;
    // Milliseconds until the window has anything new to show after a tick; 0 keeps the period.
    using Pacing = std::function<int()>;

    static EventBinding load(Handler handler) { return {nullptr, Event::Load, std::move(handler)}; }
    static EventBinding unload(UnloadHandler handler) {
        EventBinding binding{nullptr, Event::Unload, {}};
        binding.unloadHandler_ = std::move(handler);
        return binding;
    }
    // The source is the control's handle, so a binding names only a control the window has.
    static EventBinding click(const CommandButton& source, Handler handler) {
        return {&source, Event::Click, std::move(handler)};
    }
    static EventBinding timer(const Timer& source, Handler handler, Pacing pacing = {}) {
        EventBinding binding{&source, Event::Timer, std::move(handler)};
        binding.pacing_ = std::move(pacing);
        return binding;
    }

    // The handle of the control that sends the event; null for the window's own.
    const Control* source() const { return source_; }
    Event event() const { return event_; }
    const Handler& handler() const { return handler_; }
    const UnloadHandler& unloadHandler() const { return unloadHandler_; }
    const Pacing& pacing() const { return pacing_; }

private:
    EventBinding(const Control* source, Event event, Handler handler)
        : source_(source), event_(event), handler_(std::move(handler)) {}

    const Control* source_;
    Event event_;
    Handler handler_;
    UnloadHandler unloadHandler_;
    Pacing pacing_;
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
    void adopt(Control* handle);
    void release(Control* handle);

    // Whether a window waits behind a modal one, and so takes no input by any path.
    static bool isBlocked(const QWidget* window);

    // Every event reaches its handler through here: a run-time error ends that handler, is shown
    // in the layer's message box, and the program goes on.
    // The controls a click's handler changes are gathered in told.
    void deliver(const std::function<void()>& handler,
                 std::vector<QPointer<QWidget>>* told = nullptr);
    // A click's delivery, after which a person is told what it changed.
    void deliverClick(const std::function<void()>& handler);

protected:
    // The window's event-binding table.
    virtual std::vector<EventBinding> events() = 0;

    // Rows of the table, each naming a handler of the window's own class.
    template <class Window> EventBinding onLoad(void (Window::*handler)()) {
        return EventBinding::load(bind(handler));
    }
    template <class Window> EventBinding onUnload(void (Window::*handler)(std::int16_t&)) {
        Window* window = self<Window>();
        return EventBinding::unload(
            [window, handler](std::int16_t& cancel) { (window->*handler)(cancel); });
    }
    template <class Window>
    EventBinding onClick(const CommandButton& source, void (Window::*handler)()) {
        return EventBinding::click(source, bind(handler));
    }
    template <class Window>
    EventBinding onTimer(const Timer& source, void (Window::*handler)(),
                         int (Window::*pacing)() const = nullptr) {
        EventBinding::Pacing paced;
        if (pacing != nullptr)
            paced = [window = self<Window>(), pacing] { return (window->*pacing)(); };
        return EventBinding::timer(source, bind(handler), std::move(paced));
    }

private:
    friend class FormWindow;

    template <class Window> Window* self() {
        static_assert(std::is_base_of_v<Form, Window>, "a handler of another class");
        return static_cast<Window*>(this);
    }
    template <class Window> EventBinding::Handler bind(void (Window::*handler)()) {
        return [window = self<Window>(), handler] { (window->*handler)(); };
    }

    void build();
    void bindEvents();
    // The window's native window was destroyed by another program: the window is unloaded as if
    // closed, once none of its own handlers is running.
    void nativeWindowGone();
    template <class Live> Live* designedControl(const EventBinding& binding) const;
    void focusFirstButton();
    void bindHandle(Control* handle) const;
    void showControlsInSight();
    void placeModal(QWidget* owner);

    const FormDescription& description_;
    Context& context_;
    QPointer<QWidget> window_;
    std::vector<LiveControl> controls_;
    std::vector<Control*> handles_;
    EventBinding::UnloadHandler unloadHandler_;
    QEventLoop* modalLoop_ = nullptr;
    // This window's handlers now running, and whether its unload waits for them to end.
    int handlersRunning_ = 0;
    bool unloadWhenIdle_ = false;
};

} // namespace velti::forms
