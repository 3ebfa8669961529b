#include "forms/context.h"

#include "core/runtime_error.h"

#include <QWidget>

#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <utility>

namespace velti::forms {

Context::Context(QString title, MsgBox& msgBox, TimerPolicy timers)
    : title_(std::move(title)), msgBox_(msgBox), timers_(timers) {}

void Context::changed(QWidget* control) {
    if (told_ != nullptr)
        told_->emplace_back(control);
}

void Context::operation() {
    if (failureHook_.failAt != 0 && handlersRunning_ > 0 &&
        ++failureHook_.counted == failureHook_.failAt)
        throw RuntimeError::invalidCall();
}

// Every image the icon file holds, so the desktop can pick the size it needs.
QIcon Context::icon(const char* file) {
    const QString name = QString::fromUtf8(file);
    if (const auto known = icons_.constFind(name); known != icons_.constEnd())
        return *known;
    QIcon icon;
    QImageReader reader(name);
    do {
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    icons_.insert(name, icon);
    return icon;
}

} // namespace velti::forms
