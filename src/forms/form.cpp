#include "forms/form.h"

#include "core/runtime_error.h"
#include "forms/accessibility.h"
#include "forms/widgets.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace velti::forms {

Form::Form(const FormDescription& description, Context& context)
    : description_(description), context_(context) {}

Form::~Form() {
    delete window_.data();
}

bool Form::isLoaded() const {
    return window_ != nullptr;
}

QWidget* Form::window() const {
    return window_.data();
}

void Form::load() {
    if (window_)
        return;
    build();
    bindEvents();
    context_.windowLoaded();
    for (const EventBinding& binding : events()) {
        if (binding.event() == Event::Load)
            deliver(binding.handler());
    }
}

void Form::build() {
    BuiltWindow built = buildWindow(description_, *this, context_);
    window_ = built.window;
    controls_ = std::move(built.controls);
    showControlsInSight();
    for (Control* handle : handles_)
        bindHandle(handle);
}

void Form::bindEvents() {
    unloadHandler_ = nullptr;
    for (const EventBinding& binding : events()) {
        switch (binding.event()) {
        case Event::Load:
            break;
        case Event::Unload:
            unloadHandler_ = binding.unloadHandler();
            break;
        case Event::Click: {
            auto* button = designedControl<QPushButton>(binding);
            // Whoever sends the click (mouse, key, an assistive technology's action, a queued
            // or delayed click), a disabled or hidden button runs nothing, nor does one whose
            // window is no longer on screen or waits behind a modal window.
            QObject::connect(button, &QPushButton::clicked, window_,
                             [this, button, handler = binding.handler()] {
                                 if (context_.delivery().isButtonEnabled(button) &&
                                     button->isVisible() && !isBlocked(button->window()))
                                     deliverClick(handler);
                             });
            break;
        }
        case Event::Timer: {
            auto* timer = designedControl<TimerControl>(binding);
            timer->setHandler([this, handler = binding.handler()] { deliver(handler); });
            timer->setPacing(binding.pacing());
            break;
        }
        }
    }
}

// A row whose control the design lacks, or is of another kind, is a fault of the program itself,
// in any build.
template <class Live> Live* Form::designedControl(const EventBinding& binding) const {
    auto* live = qobject_cast<Live*>(binding.source()->bound());
    if (live == nullptr || !binding.handler())
        qFatal("%s: the event binding of '%s' names no such control or no handler",
               description_.name, binding.source()->name());
    return live;
}

void Form::show() {
    load();
    if (!window_)
        return;
    window_->show();
    // The keyboard, as when a modal window gives it back: without a window manager nobody else
    // gives it, and the window would ignore its access keys until clicked. A window manager that
    // decides focus itself is only asked.
    window_->windowHandle()->requestActivate();
    focusFirstButton();
}

void Form::showModal() {
    context_.delivery().operation();
    load();
    if (!window_)
        return;
    // The window that was active owns the modal one, so the desktop keeps the two together:
    // minimised, raised and placed as one.
    QWidget* owner = QApplication::activeWindow();
    if (owner == nullptr || owner == window_) {
        owner = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top != window_ && top->isVisible() && qobject_cast<FormWindow*>(top) != nullptr) {
                owner = top;
                break;
            }
        }
    }
    window_->setWindowModality(Qt::ApplicationModal);
    if (owner != nullptr)
        window_->windowHandle()->setTransientParent(owner->windowHandle());
    placeModal(owner);
    // Buttons held by the handler that opens this window are disabled before the nested loop.
    context_.delivery().releaseHeldButtons();
    window_->show();
    // Asked of the window itself: activateWindow() takes an owned window whose owner is active
    // for active already.
    window_->windowHandle()->requestActivate();
    focusFirstButton();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
}

namespace {
QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
} // namespace

// A centred window centres its frame, title bar included, on the screen of its owner. The frame
// is not known until the desktop has framed the window: until then the owner's frame stands in
// for it, and the window is placed again once its own is known.
void Form::placeModal(QWidget* owner) {
    if (!description_.centred)
        return;
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const auto centre = [window = window_, screen](QMargins margins) {
        QRect frame(QPoint(), window->size().grownBy(margins));
        frame.moveCenter(screen->availableGeometry().center());
        // Placed by its client area: Qt moves a created window's frame only once it knows it.
        const QPoint client = frame.topLeft() + QPoint(margins.left(), margins.top());
        if (window->geometry().topLeft() != client)
            window->move(window->pos() + client - window->geometry().topLeft());
    };
    const QMargins guess = owner != nullptr ? frameMargins(owner) : QMargins();
    centre(guess);
    static_cast<FormWindow*>(window_.data())->whenFramed([window = window_, guess, centre] {
        if (window && frameMargins(window) != guess)
            centre(frameMargins(window));
    });
}

void Form::focusFirstButton() {
    // The enabled button with the lowest tab index; Qt's focus chain follows the tab indices.
    QWidget* first = nullptr;
    int lowest = 0;
    for (const ControlDescription& c : description_.controls) {
        if (c.kind != ControlKind::CommandButton)
            continue;
        auto* button = qobject_cast<QWidget*>(control(c.name, c.index));
        if (button->isEnabled() && (first == nullptr || c.tabIndex < lowest)) {
            first = button;
            lowest = c.tabIndex;
        }
    }
    if (first != nullptr)
        first->setFocus(Qt::ActiveWindowFocusReason);
}

void Form::unload() {
    context_.delivery().operation();
    if (!window_)
        return;
    std::int16_t cancel = 0;
    if (unloadHandler_)
        deliver([&] { unloadHandler_(cancel); });
    if (cancel != 0 || !window_)
        return;
    QWidget* window = window_.data();
    for (auto* timer : window->findChildren<TimerControl*>())
        timer->setEnabled(false);
    window_ = nullptr;
    controls_.clear();
    for (Control* handle : handles_)
        handle->unbind();
    unloadHandler_ = nullptr;
    const QPointer<QWindow> owner =
        modalLoop_ != nullptr ? window->windowHandle()->transientParent() : nullptr;
    window->hide();
    window->deleteLater();
    if (modalLoop_ != nullptr)
        modalLoop_->quit();
    // The keyboard goes back to the window the modal one belonged to. A window manager does it
    // by itself; without one, or after one was replaced, nobody else would, and the stopwatch
    // would ignore its keys until clicked.
    if (owner && owner->isVisible())
        owner->requestActivate();
    context_.windowUnloaded();
}

// A handler of this window may be running still, under a modal window that it opened: the
// stopwatch's information button waits in its handler for the About window to close. Its widgets
// are not deleted under it; the unload comes when that handler ends.
void Form::nativeWindowGone() {
    if (handlersRunning_ > 0)
        unloadWhenIdle_ = true;
    else
        unload();
}

void Form::setHeight(double twips) {
    context_.delivery().operation();
    if (!window_)
        throw RuntimeError::objectUnloaded();
    const int clientTwips = qRound(twips) - description_.borderTop - description_.borderSide;
    if (clientTwips < 0)
        throw RuntimeError::invalidCall();
    window_->setBaseSize(window_->width(), pixels(clientTwips));
    window_->setFixedHeight(pixels(clientTwips));
    window_->windowHandle()->setBaseSize(window_->size());
    showControlsInSight();
}

// A control the client area does not reach, as the memory panel before the About window grows,
// is hidden: nobody sees it, so no reader reads it out. It shows, and a person is told of it,
// when the window grows to reach it.
void Form::showControlsInSight() {
    const QRect client = window_->rect();
    for (const LiveControl& c : controls_) {
        auto* control = qobject_cast<QWidget*>(c.object.data());
        if (control == nullptr)
            continue;
        const bool inSight =
            client.intersects(QRect(control->mapTo(window_.data(), QPoint()), control->size()));
        if (!inSight)
            control->hide();
        else if (control->isHidden() && window_->isVisible()) {
            control->show();
            accessibility::joinedTheTree(control);
            context_.delivery().changed(control);
        }
    }
}

QObject* Form::control(std::string_view name, int index) const {
    if (!window_)
        throw RuntimeError::objectUnloaded();
    bool named = false;
    for (const LiveControl& c : controls_) {
        if (c.name != name)
            continue;
        named = true;
        if (c.index == index && c.object)
            return c.object.data();
    }
    if (named && index >= 0)
        throw RuntimeError::noSuchElement(index);
    throw RuntimeError::noSuchControl(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

void Form::adopt(Control* handle) {
    handles_.push_back(handle);
    bindHandle(handle);
}

void Form::release(Control* handle) {
    std::erase(handles_, handle);
}

// Once, as the window loads: every control of the handle's name.
void Form::bindHandle(Control* handle) const {
    for (const LiveControl& c : controls_) {
        if (c.name == handle->name())
            handle->bind(c.object, c.index);
    }
}

bool Form::isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

// The window's own handlers are counted, so that a window whose native window is destroyed under
// a running handler is unloaded once that handler ends.
void Form::deliver(const std::function<void()>& handler, std::vector<QPointer<QWidget>>* told) {
    ++handlersRunning_;
    context_.delivery().deliver(handler, told);
    if (--handlersRunning_ == 0 && std::exchange(unloadWhenIdle_, false))
        unload();
}

// A person hears what the click changed once its handler has ended, whatever it ran meanwhile.
void Form::deliverClick(const std::function<void()>& handler) {
    std::vector<QPointer<QWidget>> changed;
    const QPointer<QWidget> window = window_;
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    deliver(handler, &changed);
    accessibility::announce(window, changed, focus);
}

} // namespace velti::forms
