#include "forms/context.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <utility>

namespace velti::forms {

Context::Context(QString title, MsgBox& msgBox, TimerPolicy timers)
    : delivery_(std::move(title), msgBox), timers_(timers) {}

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
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    icons_.insert(name, icon);
    return icon;
}

} // namespace velti::forms
