#include "forms/form.h"

#include "forms/accessibility.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace velti::forms {

bool isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

struct Shell::Told {
    accessibility::Seen before;
};

Shell::Shell(const FormDescription& description, Runtime& runtime, QWidget* window)
    : description_(description), runtime_(runtime), window_(window) {
    if (description.picture != nullptr)
        background_ = QPixmap(QString::fromUtf8(description.picture));
}

Shell::~Shell() = default;

void Shell::finish(const RuntimeError* error) {
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

// A person hears what the click changed once its handler has ended, whatever it ran meanwhile.
void Shell::beforeClick() {
    told_.push_back(std::make_unique<Told>(Told{accessibility::look(window_)}));
}

void Shell::afterClick() {
    const std::unique_ptr<Told> told = std::move(told_.back());
    told_.pop_back();
    accessibility::tell(window_, told->before);
}

void Shell::operation() {
    if (runtime_.check != nullptr && runtime_.running > 0)
        runtime_.check->beforeOperation();
}

void Shell::setButtonEnabled(QWidget* button, bool enabled) {
    std::erase_if(held_, [button](const Held& h) { return h.button == button; });
    if (!enabled && running_ > 0 && button->isEnabled() && window_->focusWidget() == button)
        held_.push_back({button, running_});
    else
        button->setEnabled(enabled);
}

bool Shell::isButtonEnabled(const QWidget* button) const {
    return button->isEnabled() && std::none_of(held_.begin(), held_.end(),
                                               [button](auto& h) { return h.button == button; });
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
        if (control->isWindow())
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

// The window opens with the focus on the enabled button with the lowest tab index: the first of
// the tab order that may take it.
void Shell::shown() {
    QWidget* first = nullptr;
    int lowest = 0;
    for (const ControlDescription& c : description_.controls) {
        auto* button = window_->findChild<QPushButton*>(QString::fromLatin1(c.name));
        if (button != nullptr && button->isEnabled() && (first == nullptr || c.tabIndex < lowest)) {
            first = button;
            lowest = c.tabIndex;
        }
    }
    if (first != nullptr)
        first->setFocus(Qt::ActiveWindowFocusReason);
    // Without a window manager nobody else gives the window the keyboard, and it would ignore
    // its access keys until clicked. A window manager that decides focus itself is only asked.
    window_->windowHandle()->requestActivate();
}

Control::Control(Shell& window, QObject* control, const char* name)
    : window_(window), control_(control), name_(name), found_(control != nullptr) {}

template <class Widget> Widget* Control::live() const {
    window_.operation();
    if (!control_)
        throw found_ ? RuntimeError::objectUnloaded()
                     : RuntimeError::noSuchControl(QString::fromUtf8(name_));
    return static_cast<Widget*>(control_.data());
}

namespace {
template <class Widget> Widget* named(Shell& window, const char* name) {
    auto* self = dynamic_cast<QWidget*>(&window);
    for (auto* control : self->findChildren<Widget*>(QString::fromLatin1(name))) {
        if (indexOf(control) < 0)
            return control;
    }
    return nullptr;
}
} // namespace

CommandButton::CommandButton(Shell& window, const char* name)
    : Control(window, named<ButtonControl>(window, name), name) {}

QString CommandButton::caption() const {
    return live<QPushButton>()->text();
}

void CommandButton::setCaption(const QString& caption) {
    live<QPushButton>()->setText(caption);
}

void CommandButton::setEnabled(bool enabled) {
    window_.setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!window_.isButtonEnabled(button) || button->isHidden())
        throw RuntimeError::invalidCall();
    button->setFocus(Qt::OtherFocusReason);
}

Label::Label(Shell& window, const char* name)
    : Control(window, named<QLabel>(window, name), name) {}

QString Label::caption() const {
    return live<QLabel>()->text();
}

void Label::setCaption(const QString& caption) {
    live<QLabel>()->setText(caption);
}

void Label::setForeColor(QRgb colour) {
    auto* label = live<QLabel>();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    label->setPalette(palette);
}

Label LabelArray::item(std::int16_t index) const {
    window_.operation();
    auto* self = dynamic_cast<QWidget*>(&window_);
    for (auto* element : self->findChildren<QLabel*>(QString::fromLatin1(name_))) {
        if (indexOf(element) == index)
            return {window_, element, name_};
    }
    throw RuntimeError::noSuchElement(index);
}

Timer::Timer(Shell& window, const char* name)
    : Control(window, named<TimerControl>(window, name), name) {}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

void Window::unload() {
    operation();
    close();
}

void Window::closeEvent(QCloseEvent* event) {
    std::int16_t cancel = 0;
    deliver([&] { Form_Unload(cancel); });
    event->setAccepted(cancel == 0);
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

void Dialog::unload() {
    operation();
    close();
}

// Every way out (Esc, the close box, a handler's unload) comes here first.
void Dialog::done(int result) {
    std::int16_t cancel = 0;
    deliver([&] { Form_Unload(cancel); });
    if (cancel == 0)
        QDialog::done(result);
}

} // namespace velti::forms
