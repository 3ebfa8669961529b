#include "forms/context.h"

#include "core/runtime_error.h"
#include "platform/msgbox.h"

#include <QImageReader>
#include <QPixmap>
#include <QWidget>

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

// Every image the icon file holds, so the desktop can pick the size it needs.
QIcon Context::icon(const char* file) {
    const QString name = QString::fromUtf8(file);
    if (const auto known = icons_.constFind(name); known != icons_.constEnd())
        return *known;
    QIcon icon;
    QImageReader reader(name);
    do {
        if (const QImage image = reader.read(); !image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    return icons_.insert(name, icon).value();
}

} // namespace velti::forms
