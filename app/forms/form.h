// A window built from its form description, with its event-binding table and one dispatch path.
#pragma once

#include "description.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string_view>
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
    QString title; // the application's name: the title of the run-time error box
    MsgBox& msgBox;
    int loadedWindows = 0;
    bool reportingError = false;
    std::function<void()> onAllUnloaded; // called when the last loaded window is unloaded
    // While a handler runs, the button with the focus is not disabled at once: Qt would move the
    // focus on through the window, and a screen reader would announce every stop. It is disabled
    // when the handler ends, by which time the handler has usually put the focus where it wants.
    int handlersRunning = 0;
    std::vector<QPointer<QWidget>> heldDisabled = {};
};

enum class Event { Load, Unload, Click, Timer };

// One row of a window's event-binding table. The source is a control's name, or "Form" for the
// window's own events.
struct EventBinding {
    const char* source;
    Event event;
    std::function<void()> handler;
    std::function<void(std::int16_t& cancel)> unloadHandler = {};
    // Timers only: milliseconds until the window has anything new to show after a tick (see
    // TimerControl::setPacing); none keeps the timer's period.
    std::function<int()> pacing = {};
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

    // Every event reaches its handler through here: a run-time error ends that handler, is shown
    // in the layer's message box, and the program goes on.
    void deliver(const std::function<void()>& handler);

protected:
    // The window's event-binding table.
    virtual std::vector<EventBinding> events() = 0;

private:
    friend class FormWindow;

    struct LiveControl {
        std::string_view name;
        int index;
        QPointer<QObject> object;
    };

    void build();
    void bindEvents();
    void focusFirstButton();
    void placeModal(QWidget* owner);
    void releaseHeldButtons();
    void reportError(int number, const QString& message);

    const FormDescription& description_;
    Context& context_;
    QPointer<QWidget> window_;
    std::vector<LiveControl> controls_;
    std::function<void(std::int16_t&)> unloadHandler_;
    QEventLoop* modalLoop_ = nullptr;
};

} // namespace velti::forms
