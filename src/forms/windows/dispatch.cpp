// Dispatch: the guard every click passes, handlers run with the run-time error convention, the
// error box, and buttons held until the handler ends.
#include "forms/windows/dispatch.h"

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

namespace {
Telling told;
} // namespace

void setTelling(const Telling& telling) {
    told = telling;
}

const Telling& telling() {
    return told;
}

void Dispatcher::deliver(const Handler& handler) {
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

void Dispatcher::connectClick(QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, window_, [this, button, handler] {
        // The guard: a button that is off, out of sight or behind a modal window runs nothing.
        if (!isButtonEnabled(button) || !button->isVisible() || isBlocked(window_))
            return;
        // What a person could see before, told what changed once the handler has ended.
        const std::function<void()> tellWhatChanged =
            told.click != nullptr ? told.click(window_) : nullptr;
        deliver(handler);
        if (tellWhatChanged)
            tellWhatChanged();
    });
}

void Dispatcher::operation() {
    if (runtime_.check != nullptr && runtime_.running > 0)
        runtime_.check->beforeOperation();
}

void Dispatcher::setButtonEnabled(QWidget* button, bool enabled) {
    std::erase_if(heldEnabled_, [button](const Held& h) { return h.button == button; });
    if (!enabled && running_ > 0 && button->isEnabled() && window_->focusWidget() == button)
        heldEnabled_.push_back({button, running_});
    else
        button->setEnabled(enabled);
}

bool Dispatcher::isButtonEnabled(const QWidget* button) const {
    return button->isEnabled() && std::none_of(heldEnabled_.begin(), heldEnabled_.end(),
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
    std::erase_if(heldEnabled_, [&](const Held& h) {
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
