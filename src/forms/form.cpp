#include "forms/form.h"

#include "core/runtime_error.h"
#include "forms/widgets.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <utility>

namespace velti::forms {

Context::Context(QString title, MsgBox& msgBox, TimerPolicy timers)
    : title_(std::move(title)), msgBox_(msgBox), timers_(timers) {}

void Context::deliver(const std::function<void()>& handler, std::vector<QPointer<QWidget>>* told) {
    int number = 0;
    QString message;
    const int depth = ++running_;
    // Only a click's own changes are told: not a tick's, nor a load's, even inside its loop.
    auto* const outer = std::exchange(told_, told);
    try {
        handler();
    } catch (const RuntimeError& error) {
        number = error.number();
        message = error.message();
    } catch (const std::exception& error) {
        number = 51;
        message = QStringLiteral("Errore interno: %1").arg(QString::fromUtf8(error.what()));
    }
    --running_;
    told_ = outer;
    releaseHeldButtons(depth);
    // Timers go on ticking while the box is open; a handler that keeps failing must not stack
    // one box on another.
    if (number == 0 || reporting_)
        return;
    reporting_ = true;
    msgBox_.show(QStringLiteral("Errore di run-time '%1':\n\n%2").arg(number).arg(message),
                 msgbox::Critical, title_);
    reporting_ = false;
}

void Context::operation() {
    if (failureHook_.failAt != 0 && running_ > 0 && ++failureHook_.counted == failureHook_.failAt)
        throw RuntimeError::invalidCall();
}

void Context::changed(QWidget* control) {
    if (told_ != nullptr)
        told_->emplace_back(control);
}

void Context::setButtonEnabled(QWidget* button, bool enabled) {
    std::erase_if(held_, [button](const HeldButton& h) { return h.button == button; });
    if (!enabled && running_ > 0 && button->isEnabled() &&
        button->window()->focusWidget() == button)
        held_.push_back({button, running_});
    else
        button->setEnabled(enabled);
}

bool Context::isButtonEnabled(const QWidget* button) const {
    return button->isEnabled() && std::none_of(held_.begin(), held_.end(),
                                               [button](auto& h) { return h.button == button; });
}

void Context::releaseHeldButtons(int depth) {
    // Taken out first: disabling one moves the focus, which may deliver further events.
    std::vector<HeldButton> released;
    std::erase_if(held_, [&](const HeldButton& h) {
        if (h.depth >= depth)
            released.push_back(h);
        return h.depth >= depth;
    });
    for (const HeldButton& h : released) {
        if (h.button)
            h.button->setEnabled(false);
    }
}

void Context::windowUnloaded() {
    if (--loadedWindows_ == 0 && allUnloaded_)
        allUnloaded_();
}

// An icon holds every image of its file, so the desktop can pick the size it needs.
QIcon Context::icon(const char* file) {
    const QString name = QString::fromUtf8(file);
    if (!icons_.contains(name))
        icons_.insert(name, QIcon(name));
    return icons_.value(name);
}

Control::Control(Form& form, const char* name, int index)
    : form_(form), name_(name), index_(index), adopted_(true) {
    form_.adopt(this);
}

Control::Control(Form& form, const char* name, int index, QObject* live)
    : form_(form), name_(name), index_(index), live_(live), adopted_(false) {}

Control::~Control() {
    if (adopted_)
        form_.release(this);
}

void Control::bind(QObject* control, int index) {
    if (index == index_)
        live_ = control;
}

template <class Widget> Widget* Control::live() const {
    form_.context().operation();
    if (!form_.isLoaded())
        throw RuntimeError::objectUnloaded();
    if (!live_)
        throw RuntimeError::noSuchControl(QString::fromUtf8(name_));
    auto* widget = qobject_cast<Widget*>(live_.data());
    if (widget == nullptr)
        throw RuntimeError::invalidCall();
    return widget;
}

QString CommandButton::caption() const {
    return live<QPushButton>()->text();
}

void CommandButton::setCaption(const QString& caption) {
    auto* button = live<QPushButton>();
    button->setText(caption);
    form_.context().changed(button);
}

void CommandButton::setEnabled(bool enabled) {
    form_.context().setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!form_.context().isButtonEnabled(button) || button->isHidden())
        throw RuntimeError::invalidCall();
    button->setFocus(Qt::OtherFocusReason);
}

QString Label::caption() const {
    return live<QLabel>()->text();
}

void Label::setCaption(const QString& caption) {
    auto* label = live<QLabel>();
    label->setText(caption);
    form_.context().changed(label);
}

void Label::setForeColor(QRgb colour) {
    auto* label = live<QLabel>();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    label->setPalette(palette);
}

Label LabelArray::item(std::int16_t index) const {
    form_.context().operation();
    if (!form_.isLoaded())
        throw RuntimeError::objectUnloaded();
    const auto element = elements_.find(index);
    if (element == elements_.end() || !element->second)
        throw RuntimeError::noSuchElement(index);
    return {form_, name_, index, element->second.data()};
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

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
    window_ = buildWindow(description_, *this, context_, controls_);
    showControlsInSight();
    for (Control* handle : handles_) {
        for (const LiveControl& c : controls_) {
            if (c.name == handle->name())
                handle->bind(c.object, c.index);
        }
    }
    EventBinding::Handler onLoad;
    bindEvents(onLoad);
    context_.windowLoaded();
    std::int16_t none = 0;
    if (onLoad)
        deliver(onLoad, none);
}

// A row whose control the design lacks, or is of another kind, is a fault of the program itself,
// in any build.
template <class Live> Live* designed(const EventBinding& binding, const char* window) {
    auto* live = qobject_cast<Live*>(binding.source->bound());
    if (live == nullptr || !binding.handler)
        qFatal("%s: the event binding of '%s' names no such control or no handler", window,
               binding.source->name());
    return live;
}

void Form::bindEvents(EventBinding::Handler& load) {
    unloadHandler_ = nullptr;
    for (EventBinding& binding : events()) {
        if (binding.event == Event::Load)
            load = std::move(binding.handler);
        else if (binding.event == Event::Unload)
            unloadHandler_ = std::move(binding.handler);
        else if (binding.event == Event::Click) {
            auto* button = designed<QPushButton>(binding, description_.name);
            // Whoever sends the click (mouse, key, an assistive technology's action, a queued
            // or delayed click), a disabled or hidden button runs nothing, nor does one whose
            // window waits behind a modal window.
            QObject::connect(button, &QPushButton::clicked, window_,
                             [this, button, handler = std::move(binding.handler)] {
                                 if (context_.isButtonEnabled(button) && button->isVisible() &&
                                     !isBlocked(button->window()))
                                     deliverClick(handler);
                             });
        } else {
            auto* timer = designed<TimerControl>(binding, description_.name);
            timer->setHandler([this, handler = std::move(binding.handler)] {
                std::int16_t none = 0;
                deliver(handler, none);
            });
            timer->setPacing(std::move(binding.pacing));
        }
    }
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
    context_.operation();
    load();
    if (!window_)
        return;
    // The window that was active owns the modal one, so the desktop keeps the two together:
    // minimised, raised and placed as one.
    QWidget* owner = QApplication::activeWindow();
    if (owner == window_)
        owner = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (owner == nullptr && top != window_ && top->isVisible() &&
            qobject_cast<FormWindow*>(top) != nullptr)
            owner = top;
    }
    window_->setWindowModality(Qt::ApplicationModal);
    if (owner != nullptr)
        window_->windowHandle()->setTransientParent(owner->windowHandle());
    if (description_.centred)
        window_->centre(owner);
    // Buttons held by the handler that opens this window are disabled before the nested loop.
    context_.releaseHeldButtons();
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

// The enabled button with the lowest tab index.
void Form::focusFirstButton() {
    QWidget* first = nullptr;
    int lowest = 0;
    for (const ControlDescription& c : description_.controls) {
        auto* button = qobject_cast<QPushButton*>(control(c.name, c.index));
        if (button != nullptr && button->isEnabled() && (first == nullptr || c.tabIndex < lowest)) {
            first = button;
            lowest = c.tabIndex;
        }
    }
    if (first != nullptr)
        first->setFocus(Qt::ActiveWindowFocusReason);
}

void Form::unload() {
    context_.operation();
    if (!window_)
        return;
    std::int16_t cancel = 0;
    if (unloadHandler_)
        deliver(unloadHandler_, cancel);
    if (cancel != 0 || !window_)
        return;
    FormWindow* window = std::exchange(window_, nullptr);
    for (auto* timer : window->findChildren<TimerControl*>())
        timer->setEnabled(false);
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
    context_.operation();
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
    for (const LiveControl& c : controls_) {
        auto* control = qobject_cast<QWidget*>(c.object.data());
        if (control == nullptr)
            continue;
        if (!window_->rect().intersects({control->mapTo(window_, QPoint()), control->size()}))
            control->hide();
        else if (control->isHidden() && window_->isVisible()) {
            control->show();
            accessibility::joinedTheTree(control);
            context_.changed(control);
        }
    }
}

QObject* Form::control(std::string_view name, int index) const {
    if (!window_)
        throw RuntimeError::objectUnloaded();
    bool named = false;
    for (const LiveControl& c : controls_) {
        named = named || c.name == name;
        if (c.name == name && c.index == index && c.object)
            return c.object.data();
    }
    if (named && index >= 0)
        throw RuntimeError::noSuchElement(index);
    throw RuntimeError::noSuchControl(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

bool Form::isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

// The window's own handlers are counted, so that a window whose native window is destroyed under
// a running handler is unloaded once that handler ends.
void Form::deliver(const EventBinding::Handler& handler, std::int16_t& cancel,
                   std::vector<QPointer<QWidget>>* told) {
    ++handlersRunning_;
    context_.deliver([&] { handler(cancel); }, told);
    if (--handlersRunning_ == 0 && std::exchange(unloadWhenIdle_, false))
        unload();
}

// A person hears what the click changed once its handler has ended, whatever it ran meanwhile.
void Form::deliverClick(const EventBinding::Handler& handler) {
    std::vector<QPointer<QWidget>> changed;
    const QPointer<QWidget> window = window_.data();
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    std::int16_t none = 0;
    deliver(handler, none, &changed);
    accessibility::announce(window, changed, focus);
}

} // namespace velti::forms
