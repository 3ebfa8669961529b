#include "forms/form.h"

#include "platform/msgbox.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QShortcutEvent>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <algorithm>
#include <utility>

#ifdef VELTI_XCB
#include <xcb/xcb.h>
#endif

namespace velti::forms {

bool isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

bool ButtonControl::event(QEvent* event) {
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous())
        return QPushButton::event(event);
    // Qt would hold the button down and click it 100 ms later, whatever happened meanwhile.
    if (isEnabled() && isVisible()) {
        QPointer<ButtonControl> alive(this);
        click();
        if (alive && isEnabled() && isVisible()) {
            pressShown_.start(100, this);
            update();
        }
    }
    return true;
}

void ButtonControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId())
        return QPushButton::timerEvent(event);
    pressShown_.stop();
    update();
}

Shell::Shell(const FormDescription& description, Runtime& runtime, QWidget* window)
    : description_(description), runtime_(runtime), window_(window) {
    if (description.picture != nullptr)
        background_ = QPixmap(QString::fromUtf8(description.picture));
}

void Shell::connectClick(QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, window_,
                     [this, button, handler] { click(button, handler); });
}

void Shell::click(QWidget* button, Handler handler) {
    if (!isButtonEnabled(button) || !button->isVisible() || isBlocked(window_))
        return;
    const accessibility::Seen before = accessibility::look(window_);
    deliver([&] { handler(*this); });
    accessibility::tell(window_, before);
}

// What changed, told after a click's handler.

namespace accessibility {

namespace {

FrameControl* statusBar(const QWidget* window) {
    for (auto* frame : window->findChildren<FrameControl*>()) {
        if (frame->statusBar)
            return frame;
    }
    return nullptr;
}

// What a control says when told: a label its text, a button its caption, a status bar its labels
// one after the other (the time, then the state).
QString spoken(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().trimmed();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return withoutMarkers(button->text());
    QStringList texts;
    for (const QLabel* label : control->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    return texts.join(u' ');
}

} // namespace

NoticeControl::NoticeControl(QWidget* parent) : QWidget(parent), words(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    words->setGeometry(0, 0, 0, 0);
    shown.setSingleShot(true);
    connect(&shown, &QTimer::timeout, this, &QWidget::hide);
}

Seen look(QWidget* window) {
    Seen seen;
    seen.focus = window->focusWidget();
    seen.focusCaption = seen.focus ? spoken(seen.focus) : QString();
    const FrameControl* bar = statusBar(window);
    seen.status = bar != nullptr ? spoken(bar) : QString();
    for (auto* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control->isHidden() &&
            qobject_cast<NoticeControl*>(control) == nullptr)
            seen.hidden << control;
    }
    return seen;
}

void tell(QWidget* window, const Seen& before) {
    if (window == nullptr || !window->isVisible())
        return;
    // What to say, in the order said: the status bar once when the time or the state changed or
    // the click moved the focus on, then whatever else changed. Each action's own words are taken
    // now, so that a second action a moment later cannot change them; only the time is read when
    // they are said, once a timer the handler started has ticked, so that it is the live one.
    QPointer<QLabel> time;
    QStringList said;
    QWidget* focus = window->focusWidget();
    FrameControl* bar = statusBar(window);
    if (bar != nullptr && (spoken(bar) != before.status || focus != before.focus)) {
        const QList<QLabel*> labels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        time = labels.value(0);
        for (const QLabel* label : labels.mid(1))
            said << label->text();
    }
    // A button renamed under the focus: Qt 6.4 tells the reader of no name change. One that the
    // focus moved to is heard by its new name already.
    if (focus != nullptr && focus == before.focus && spoken(focus) != before.focusCaption)
        said << QStringLiteral("pulsante ") + spoken(focus);
    for (const QPointer<QWidget>& control : before.hidden) {
        if (control && control->isVisible() && !spoken(control).isEmpty())
            said << spoken(control);
    }
    if (said.isEmpty())
        return;
    // In a status bar a reader says the words alone, without calling them a notification. In a
    // dialog it would read the whole dialog before them, so a window without a status bar of its
    // own tells through its owner's; failing that it gets a bar of no size, out of its tree.
    QWidget* owner = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    if (bar == nullptr && owner != nullptr && owner->isVisible())
        bar = statusBar(owner);
    if (bar == nullptr) {
        bar = new FrameControl(window);
        bar->statusBar = true;
        bar->setGeometry(0, 0, 0, 0);
        bar->show();
    }
    auto* notice = bar->findChild<NoticeControl*>(QString(), Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new NoticeControl(bar);
        notice->hide();
    }
    // A moment later: the focus, moved by the handler or by the buttons it held, is heard first.
    // The notice is taken away once told, so that a later review of the window never reads an old
    // time from it.
    QTimer::singleShot(kNoticeDelayMs, notice, [notice, time, said] {
        notice->words->setText((time ? time->text() + u' ' : QString()) +
                               said.join(QStringLiteral(", ")));
        notice->hide();
        notice->show();
        notice->shown.start(kNoticeShownMs);
    });
}

} // namespace accessibility

void Shell::connectTimer(TimerControl* timer, Handler handler, Pacing pacing) {
    QObject::connect(timer, &TimerControl::ticked, window_,
                     [this, handler] { deliver([&] { handler(*this); }); });
    if (pacing == nullptr || !runtime_.timers.pacing)
        return;
    // A paced wait counts from the tick. Left running, the timer would keep the rhythm of its
    // last start, and could wake a moment before the awaited one, for nothing.
    QObject::connect(timer, &QTimer::timeout, window_, [this, timer, pacing] {
        const int until = pacing(*this);
        if (timer->isActive() && (until > 0 || timer->interval() != timer->period()))
            timer->start(until > 0 ? until : timer->period());
    });
}

void Shell::enter() {
    ++running_;
    ++runtime_.running;
}

void Shell::leave(const RuntimeError* error) {
    const int depth = running_--;
    --runtime_.running;
    // Taken out first: disabling one moves the focus, which may deliver further events.
    std::vector<Held> released;
    std::erase_if(held_, [&](const Held& h) {
        if (h.depth >= depth)
            released.push_back(h);
        return h.depth >= depth;
    });
    for (const Held& h : released) {
        if (h.button)
            h.button->setEnabled(false);
    }
    // Timers go on ticking while the box is open; a handler that keeps failing must not stack
    // one box on another.
    if (error != nullptr && !runtime_.reporting) {
        runtime_.reporting = true;
        runtime_.msgBox.show(QStringLiteral("Errore di run-time '%1':\n\n%2")
                                 .arg(error->number())
                                 .arg(error->message()),
                             msgbox::Critical, runtime_.title);
        runtime_.reporting = false;
    }
    if (running_ == 0 && std::exchange(unloadWhenIdle_, false))
        unload();
}

// A handler of this window may be running still, under a modal window that it opened: the
// stopwatch's information button waits in its handler for the About window to close.
void Shell::nativeWindowGone() {
    if (running_ > 0)
        unloadWhenIdle_ = true;
    else
        unload();
}

void Shell::setHeight(double twips) {
    operation();
    const int clientTwips = qRound(twips) - description_.borderTop - description_.borderSide;
    if (clientTwips < 0)
        throw RuntimeError::invalidCall();
    window_->setBaseSize(window_->width(), pixels(clientTwips));
    window_->setFixedHeight(pixels(clientTwips));
    showControlsInSight();
}

// A control comes into sight, and joins what a reader can see, when the window grows to reach it.
void Shell::showControlsInSight() {
    for (auto* control : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow() || control->size().isEmpty())
            continue;
        if (!window_->rect().intersects(control->geometry()))
            control->hide();
        else if (control->isHidden() && window_->isVisible()) {
            control->show();
            accessibility::joinedTheTree(control);
        }
    }
}

void Shell::paintBackground() {
    if (!background_.isNull())
        QPainter(window_).drawPixmap(0, 0, background_);
}

// The window opens with the focus on the enabled button with the lowest tab index: the first in
// the tab order that may take it.
void Shell::shown() {
    const ControlDescription* first = nullptr;
    for (const ControlDescription& c : description_.controls) {
        auto* button = qobject_cast<QWidget*>(controlOf(*window_, c.name));
        if (c.kind == ControlKind::CommandButton && button->isEnabled() &&
            (first == nullptr || c.tabIndex < first->tabIndex))
            first = &c;
    }
    if (first != nullptr)
        static_cast<QWidget*>(controlOf(*window_, first->name))
            ->setFocus(Qt::ActiveWindowFocusReason);
    // Without a window manager nobody else gives the window the keyboard, and it would ignore
    // its access keys until clicked. A window manager that decides focus itself is only asked.
    window_->windowHandle()->requestActivate();
}

void Shell::unload() {
    operation();
    window_->close();
}

bool Shell::unloading() {
    std::int16_t cancel = 0;
    deliver([&] { Form_Unload(cancel); });
    return cancel == 0;
}

void Dialog::showModal() {
    operation();
    if (description().centred)
        centre(parentWidget());
    exec();
    // The keyboard goes back to the owner. A window manager does it by itself; without one, or
    // after one was replaced, nobody else would, and the owner would ignore its keys until
    // clicked.
    if (parentWidget() != nullptr && parentWidget()->isVisible())
        parentWidget()->windowHandle()->requestActivate();
}

namespace {

QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

#ifdef VELTI_XCB
// Another client may destroy one of the program's X windows (xdotool windowclose does), or
// withdraw it (xdotool windowunmap). Qt takes no notice and keeps the window as it was: a modal
// window gone that way would go on blocking the others for ever, with nothing in sight. Such a
// window goes as if it were closed, and a message box as if it were dismissed. Qt's requests on a
// destroyed window that follow (unmap, destroy, focus) fail as expected: their errors are not
// reported. Events that another client sent (the send_event bit) are not the server's word, and
// are ignored.
class WindowsGone final : public QObject, public QAbstractNativeEventFilter {
public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type == 0)
            return gone_.contains(static_cast<const xcb_generic_error_t*>(message)->resource_id);
        // Qt would believe a DestroyNotify sent by another client and close the window.
        if (event->response_type == (XCB_DESTROY_NOTIFY | 0x80))
            return true;
        if (event->response_type == XCB_DESTROY_NOTIFY) {
            // At once, before the events that follow: a key typed to the window that now has
            // the focus must not find it blocked still by a modal window that is gone.
            const xcb_window_t window =
                static_cast<const xcb_destroy_notify_event_t*>(message)->window;
            if (QWidget* top = ours(window)) {
                gone_.insert(window);
                close(top);
            }
        } else if (event->response_type == XCB_UNMAP_NOTIFY) {
            // A window manager unmaps a window it minimises, and marks it so (WM_STATE Iconic);
            // a window withdrawn by another client has no such mark, once the manager has seen.
            const xcb_window_t window =
                static_cast<const xcb_unmap_notify_event_t*>(message)->window;
            if (QPointer<QWidget> top = ours(window); top && top->isVisible())
                QTimer::singleShot(300, this, [this, top, window] {
                    if (top && top->isVisible() && !top->isMinimized() && withdrawn(window))
                        close(top);
                });
        }
        return false;
    }

private:
    static QWidget* ours(xcb_window_t window) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->testAttribute(Qt::WA_WState_Created) && top->internalWinId() == window)
                return top;
        }
        return nullptr;
    }
    static void close(QWidget* top) {
        const QPointer<QWidget> owner =
            top->parentWidget() ? top->parentWidget()->window() : nullptr;
        if (auto* form = dynamic_cast<Shell*>(top))
            form->nativeWindowGone();
        else if (auto* box = qobject_cast<QDialog*>(top))
            box->reject();
        if (owner && owner->isVisible() && QApplication::activeModalWidget() == nullptr &&
            QApplication::activeWindow() == nullptr)
            refocus(owner->internalWinId());
    }
    // A manager that let a window go before it went (xfwm4 believes a forged DestroyNotify) may
    // give its owner the keyboard while the window is still up for Qt, which then hands the
    // keyboard on to the modal window and leaves its owner inactive, deaf to its access keys. The
    // keyboard is taken away and given back, so that Qt hears it arrive.
    static void refocus(WId window) {
        xcb_connection_t* connection = x11();
        if (connection == nullptr)
            return;
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        if (focus != nullptr && focus->focus == window) {
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, XCB_NONE, XCB_CURRENT_TIME);
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            xcb_flush(connection);
        }
        free(focus);
    }
    static xcb_connection_t* x11() {
        auto* application = qApp->nativeInterface<QNativeInterface::QX11Application>();
        return application != nullptr ? application->connection() : nullptr;
    }
    static bool withdrawn(xcb_window_t window) {
        xcb_connection_t* connection = x11();
        if (connection == nullptr)
            return false;
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, 8, "WM_STATE"), nullptr);
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr);
        xcb_get_property_reply_t* state =
            atom == nullptr ? nullptr
                            : xcb_get_property_reply(connection,
                                                     xcb_get_property(connection, 0, window,
                                                                      atom->atom, atom->atom, 0, 1),
                                                     nullptr);
        constexpr std::uint32_t kIconic = 3;
        const bool iconic =
            state != nullptr && xcb_get_property_value_length(state) >= 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(state)) == kIconic;
        const bool unmapped =
            attributes != nullptr && attributes->map_state == XCB_MAP_STATE_UNMAPPED;
        free(atom);
        free(attributes);
        free(state);
        return unmapped && !iconic;
    }

    QSet<xcb_window_t> gone_;
};
#endif

// What a desktop may do to the state of any window of the program, the message boxes included.
// A fixed-size window is never maximised or made full screen: on Wayland Qt draws its own title
// bar, with a maximise button whatever the window's flags say, and a press on it is undone. A
// modal window minimised on its own takes the windows it blocks along; one of those restored or
// activated (from a taskbar, Alt+Tab) while the modal window is minimised would stand blocked
// with nothing on screen to unblock it, so the modal window comes back with it, in front. Qt
// hands the keyboard on to a modal window only while that one is on screen.
class WindowStates final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* object, QEvent* event) override {
        const bool stateChange = event->type() == QEvent::WindowStateChange;
        if (!stateChange && event->type() != QEvent::ActivationChange)
            return false;
        auto* window = qobject_cast<QWidget*>(object);
        if (window == nullptr || !window->isWindow() || !window->isVisible() ||
            !(stateChange || window->isActiveWindow()))
            return false;
        static constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
        if (stateChange && (window->windowState() & enlarged)) {
            QMetaObject::invokeMethod(
                window, [window] { window->setWindowState(window->windowState() & ~enlarged); },
                Qt::QueuedConnection);
        }
        const QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (stateChange && window->isMinimized() && window == modal) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top != window && top->isVisible() && !top->isMinimized())
                    top->showMinimized();
            }
        } else if (modal != nullptr && window != modal && !window->isMinimized() &&
                   (stateChange || modal->isMinimized())) {
            QMetaObject::invokeMethod(
                window,
                [modal] {
                    // Unless it has been closed meanwhile.
                    if (!modal || modal != QApplication::activeModalWidget())
                        return;
                    for (QWidget* top : QApplication::topLevelWidgets()) {
                        if (top->isVisible() && top->isMinimized())
                            top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
                    }
                    modal->show();
                    modal->raise();
                    modal->windowHandle()->requestActivate();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

void initialise(QApplication& application) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
#ifdef Q_OS_LINUX
    // The designed fonts are Windows faces; Liberation Sans has Arial's metrics. Windows has
    // the faces themselves.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
#endif
#ifdef VELTI_XCB
    application.installNativeEventFilter(new WindowsGone(&application));
#endif
    application.installEventFilter(new WindowStates(&application));
    accessibility::install();

    // Owned by the application object, it lasts as long as the application does.
    auto* translator = new QTranslator(&application);
#ifdef Q_OS_WIN
    // The installer puts Qt's Italian beside the program.
    const QString translations = QCoreApplication::applicationDirPath();
#else
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    if (translator->load(QStringLiteral("qtbase_it"), translations))
        QApplication::installTranslator(translator);
}

// The frame is not known until the desktop has framed the window: until then the owner's frame
// stands in for it, and the window is placed again once its own is known.
void Shell::centre(const QWidget* owner) {
    screen_ = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    guess_ = owner != nullptr ? frameMargins(owner) : QMargins();
    framed_ = false;
    centre(guess_);
}

void Shell::centre(QMargins frame) {
    if (!screen_)
        return;
    QRect outer(QPoint(), window_->size().grownBy(frame));
    outer.moveCenter(screen_->availableGeometry().center());
    // Placed by its client area: Qt moves a created window's frame only once it knows it.
    const QPoint client = outer.topLeft() + QPoint(frame.left(), frame.top());
    if (window_->geometry().topLeft() != client)
        window_->move(window_->pos() + client - window_->geometry().topLeft());
}

void Shell::moved() {
    if (framed_ || window_->frameGeometry() == window_->geometry())
        return;
    framed_ = true;
    if (frameMargins(window_) != guess_)
        centre(frameMargins(window_));
}

} // namespace velti::forms
