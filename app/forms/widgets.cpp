#include "app/forms/widgets.h"

#include "app/forms/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

namespace velti::forms {

FormWindow::FormWindow(Form& form, Qt::WindowFlags flags) : QWidget(nullptr, flags), form_(form) {}

void FormWindow::paintEvent(QPaintEvent* /*event*/) {
    if (background_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The layer decides whether and how the window goes: it unloads, or stays if the handler
    // cancels. A window that waits behind a modal one cannot be closed at all.
    event->ignore();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this)
        return;
    form_.unload();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (escape || enter) {
        const char* property = escape ? "veltiCancel" : "veltiDefault";
        for (auto* button : findChildren<QPushButton*>()) {
            if (button->property(property).toBool() && button->isEnabled() && button->isVisible()) {
                button->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

TimerControl::TimerControl(int intervalMs, const TimerPolicy& policy, QObject* parent)
    : QObject(parent), pacingAllowed_(policy.pacing),
      period_(std::max({intervalMs, policy.floorMs, 1})), wait_(period_) {}

void TimerControl::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled && !timer_.isActive()) {
        wait_ = period_;
        timer_.start(wait_, Qt::PreciseTimer, this);
    } else if (!enabled) {
        timer_.stop();
    }
}

void TimerControl::tick() {
    if (enabled_ && handler_)
        handler_();
}

void TimerControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        tick();
        // A window with nothing new to show before a known moment is not woken until then,
        // however near or far that moment is: the floor limits how often a timer ticks, and
        // this wakes it at most as often.
        if (pacing_ && pacingAllowed_ && enabled_ && timer_.isActive()) {
            const int until = pacing_();
            const int wait = until > 0 ? until : period_;
            if (wait != wait_) {
                wait_ = wait;
                timer_.start(wait_, Qt::PreciseTimer, this);
            }
        }
    } else
        QObject::timerEvent(event);
}

} // namespace velti::forms
