// Dispatch: the guard every click passes, handlers run with the run-time error convention, the
// error box, and buttons held until the handler ends.
#include "forms/dispatch.h"

#include "forms/notices.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <utility>

namespace velti::forms {

bool isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

void Dispatcher::deliver(const std::function<void()>& body) {
    enter();
    try {
        body();
    } catch (const RuntimeError& error) {
        return leave(&error);
    } catch (const std::exception& error) {
        const RuntimeError internal(
            51, QStringLiteral("Errore interno: %1").arg(QString::fromUtf8(error.what())));
        return leave(&internal);
    }
    leave(nullptr);
}

void Dispatcher::deliver(Handler handler) {
    deliver([&] { handler(*window_); });
}

void Dispatcher::connectClick(QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, window_,
                     [this, button, handler] { click(button, handler); });
}

void Dispatcher::click(QWidget* button, Handler handler) {
    if (!isButtonEnabled(button) || !button->isVisible() || isBlocked(window_))
        return;
    const accessibility::Seen before = accessibility::look(window_);
    deliver(handler);
    accessibility::tell(window_, before);
}

void Dispatcher::operation() {
    if (runtime_.check != nullptr && runtime_.running > 0)
        runtime_.check->beforeOperation();
}

void Dispatcher::setButtonEnabled(QWidget* button, bool enabled) {
    std::erase_if(held_, [button](const Held& h) { return h.button == button; });
    if (!enabled && running_ > 0 && button->isEnabled() && window_->focusWidget() == button)
        held_.push_back({button, running_});
    else
        button->setEnabled(enabled);
}

bool Dispatcher::isButtonEnabled(const QWidget* button) const {
    return button->isEnabled() && std::none_of(held_.begin(), held_.end(),
                                               [button](auto& h) { return h.button == button; });
}

void Dispatcher::enter() {
    ++running_;
    ++runtime_.running;
}

void Dispatcher::leave(const RuntimeError* error) {
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
                             msgbox::Critical, runtime_.title, window_);
        runtime_.reporting = false;
    }
    if (running_ == 0 && std::exchange(closeWhenIdle_, false))
        close();
}

void Dispatcher::close() {
    operation();
    window_->close();
}

void Dispatcher::closeWhenIdle() {
    if (running_ > 0)
        closeWhenIdle_ = true;
    else
        close();
}

} // namespace velti::forms
