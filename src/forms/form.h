// What a window's code sees of the window layer: the window (a QWidget, or a QDialog for a modal
// one) built from its description, its controls as typed members, and its handlers connected to
// them through one guard that carries the run-time error convention.
#pragma once

#include "core/runtime_error.h"
#include "forms/controls.h"

#include <QCloseEvent>
#include <QDialog>

#include <cstdint>
#include <exception>
#include <type_traits>
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

namespace accessibility {
// How long after a click's handler a person is told, and how long what is told stays to be read.
inline constexpr int kNoticeDelayMs = 100;
inline constexpr int kNoticeShownMs = 1500;
// Where a window says what an action changed, to assistive technology alone: it has no size and
// draws nothing. Its one label holds the words, and it is hidden after a while.
class NoticeControl final : public QWidget {
    Q_OBJECT
public:
    explicit NoticeControl(QWidget* parent);
    QLabel* const words;
    QTimer shown;
};
// What a person could see of a window before a click's handler ran.
struct Seen {
    QPointer<QWidget> focus;
    QString focusCaption, status;
    QList<QPointer<QWidget>> hidden;
};
Seen look(QWidget* window);
// Once a click's handler has ended, a person hears once what it changed: the time and the state,
// a button renamed under the focus, controls that came into sight.
void tell(QWidget* window, const Seen& before);
// A hidden control has come into sight: it joins the window's tree, the same object it was.
void joinedTheTree(QWidget* control);
// A caption without its access-key markers; "&&" stands for one "&".
QString withoutMarkers(QString caption);
void install();
} // namespace accessibility

template <class> struct MemberOf;
template <class Result, class Window> struct MemberOf<Result Window::*> { using Class = Window; };
template <class Reference, class Window>
using CopyConst =
    std::conditional_t<std::is_const_v<std::remove_reference_t<Reference>>, const Window, Window>;

// The part of a window that runs its handlers, one at a time, nested only inside a modal window
// or a message box. A run-time error ends a handler at the failing step, is shown in the error
// box, and the program goes on; no exception crosses Qt's event loop.
class Shell {
public:
    Shell(const FormDescription& description, Runtime& runtime, QWidget* window);
    virtual ~Shell() = default;

    QWidget& widget() const { return *window_; }
    const FormDescription& description() const { return description_; }

    template <class Handler> void deliver(Handler&& handler) {
        enter();
        try {
            handler();
        } catch (const RuntimeError& error) {
            return leave(&error);
        } catch (const std::exception& error) {
            const RuntimeError internal(
                51, QStringLiteral("Errore interno: %1").arg(QString::fromUtf8(error.what())));
            return leave(&internal);
        }
        leave(nullptr);
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
    // Another program destroyed the native window: it goes as if closed, once none of its
    // handlers runs.
    void nativeWindowGone();
    // Closes the window as its close box does: the Unload handler runs first, and may cancel.
    void unload();

protected:
    // A handler, a member function of the window's own class, called on the window.
    using Handler = void (*)(Shell& window);
    using Pacing = int (*)(const Shell& window);
    template <auto member> static auto call() {
        return [](auto& window) {
            using Window = typename MemberOf<decltype(member)>::Class;
            return (static_cast<CopyConst<decltype(window), Window>&>(window).*member)();
        };
    }
    // Whoever sends the click (mouse, key, an assistive technology, a queued click), a disabled
    // or hidden button runs nothing, nor does one whose window waits behind a modal one. A person
    // hears what the click changed once its handler has ended.
    template <auto handler> void onClick(const CommandButton& source) {
        connectClick(static_cast<QPushButton*>(source.object()), Handler(call<handler>()));
    }
    // pacing, if given, tells after each tick of the running timer how many milliseconds until
    // the window has anything new to show; the next tick comes then.
    template <auto handler, auto pacing = nullptr> void onTimer(const Timer& source) {
        Pacing paced = nullptr;
        if constexpr (pacing != nullptr)
            paced = Pacing(call<pacing>());
        connectTimer(static_cast<TimerControl*>(source.object()), Handler(call<handler>()), paced);
    }
    template <auto handler> void onLoad() {
        deliver([&] { call<handler>()(*this); });
    }

    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    // Runs the Unload handler: whether the window may go.
    bool unloading();
    void showControlsInSight();
    void paintBackground();
    void shown();
    void moved();
    // Centres the window's frame, title bar included, on the screen of its owner.
    void centre(const QWidget* owner);

private:
    void connectClick(QPushButton* button, Handler handler);
    void click(QWidget* button, Handler handler);
    void connectTimer(TimerControl* timer, Handler handler, Pacing pacing);
    void enter();
    void leave(const RuntimeError* error);
    void centre(QMargins frame);

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
    Form(const FormDescription& description, Runtime& runtime, QWidget* parent, Qt::WindowType type)
        : Base(parent, type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
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
        : Form(description, runtime, owner, Qt::Dialog) {}
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
