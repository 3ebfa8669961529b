// A window built from its form description, with its event-binding table and one dispatch path.
#pragma once

#include "forms/description.h"
#include "forms/timer_policy.h"

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

class QEventLoop;
class QObject;

namespace velti {
class MsgBox;
}

namespace velti::forms {

class FormWindow;
class TimerControl;

// What the window layer shares between the windows of one application.
struct Context {
    Context(QString title, MsgBox& msgBox, TimerPolicy timers = {})
        : title(std::move(title)), msgBox(msgBox), timers(timers) {}

    QString title; // the application's name: the title of the run-time error box
    MsgBox& msgBox;
    TimerPolicy timers;
    int loadedWindows = 0;
    bool reportingError = false;
    std::function<void()> onAllUnloaded; // called when the last loaded window is unloaded
    // Each icon file is read once: a window loaded afresh reuses its icons, and with them the
    // pixmaps Qt has already cached for them.
    QHash<QString, QIcon> icons;

    // For tests: while failAtOperation is set, the control operations that handlers take are
    // counted in operations, and the one that brings the count to failAtOperation fails as a real
    // failure would. Only operations inside a handler count: there the layer catches the failure,
    // and nothing is ever thrown out of Qt's own event handling. Unset, an operation costs one
    // comparison.
    int failAtOperation = 0;
    int operations = 0;
    // Every control operation passes through here before it acts.
    void operation();
    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler that disabled it ends, by which time the handler has usually put the focus
    // where it wants; a handler that runs inside a modal window's loop releases its own buttons.
    struct HeldButton {
        QPointer<QWidget> button;
        int depth; // handlersRunning when the handler disabled it
    };
    int handlersRunning = 0;
    std::vector<HeldButton> heldDisabled = {};
};

enum class Event { Load, Unload, Click, Timer };

// One row of a window's event-binding table. Rows are made by the window's onLoad, onUnload,
// onClick and onTimer, which take the handler as a member function of the window itself.
class EventBinding {
public:
    using Handler = std::function<void()>;
    using UnloadHandler = std::function<void(std::int16_t& cancel)>;
    // Milliseconds until the window has anything new to show after a tick; 0 keeps the period.
    using Pacing = std::function<int()>;

    static EventBinding load(Handler handler) { return {"Form", Event::Load, std::move(handler)}; }
    static EventBinding unload(UnloadHandler handler) {
        EventBinding binding{"Form", Event::Unload, {}};
        binding.unloadHandler_ = std::move(handler);
        return binding;
    }
    static EventBinding click(const char* source, Handler handler) {
        return {source, Event::Click, std::move(handler)};
    }
    static EventBinding timer(const char* source, Handler handler, Pacing pacing = {}) {
        EventBinding binding{source, Event::Timer, std::move(handler)};
        binding.pacing_ = std::move(pacing);
        return binding;
    }

    const char* source() const { return source_; }
    Event event() const { return event_; }
    const Handler& handler() const { return handler_; }
    const UnloadHandler& unloadHandler() const { return unloadHandler_; }
    const Pacing& pacing() const { return pacing_; }

private:
    EventBinding(const char* source, Event event, Handler handler)
        : source_(source), event_(event), handler_(std::move(handler)) {}

    const char* source_;
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

    bool isLoaded() const { return window_ != nullptr; }
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
    // The live control by name (and array index), or a RuntimeError.
    QObject* control(std::string_view name, int index = -1) const;
    // Whether a control array has an element with this index; RuntimeError if not loaded.
    bool hasElement(std::string_view name, int index) const;

    // Enabled set on one of this window's buttons, and whether it is enabled as the handlers see
    // it (a button disabled by the running handler is disabled, even while it keeps the focus).
    void setButtonEnabled(QWidget* button, bool enabled);
    bool isButtonEnabled(const QWidget* button) const;
    // Whether a window waits behind a modal one, and so takes no input by any path.
    static bool isBlocked(const QWidget* window);

    // Every event reaches its handler through here: a run-time error ends that handler, is shown
    // in the layer's message box, and the program goes on.
    void deliver(const std::function<void()>& handler);

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
    template <class Window> EventBinding onClick(const char* source, void (Window::*handler)()) {
        return EventBinding::click(source, bind(handler));
    }
    template <class Window>
    EventBinding onTimer(const char* source, void (Window::*handler)(),
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

    struct LiveControl {
        std::string_view name;
        int index;
        QPointer<QObject> object;
    };

    void build();
    void bindEvents();
    QObject* designedControl(const EventBinding& binding) const;
    void focusFirstButton();
    void placeModal(QWidget* owner);
    // Disables the held buttons of the handlers running at this depth and deeper.
    void releaseHeldButtons(int depth = 0);
    void reportError(int number, const QString& message);

    const FormDescription& description_;
    Context& context_;
    QPointer<QWidget> window_;
    std::vector<LiveControl> controls_;
    EventBinding::UnloadHandler unloadHandler_;
    QEventLoop* modalLoop_ = nullptr;
};

} // namespace velti::forms
