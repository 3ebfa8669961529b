// The Qt widgets behind the handles: a button's access key, the captions fitted and painted, the
// timer's ticks.
#include "forms/windows/widgets.h"

#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>

#include <utility>

namespace velti::forms {

bool ButtonWidget::event(QEvent* event) {
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous())
        return QPushButton::event(event);
    // Qt would hold the button down and click it 100 ms later, whatever happened meanwhile.
    if (isEnabled() && isVisible()) {
        QPointer<ButtonWidget> alive(this);
        click();
        if (alive && isEnabled() && isVisible()) {
            pressShown_.start(100, this);
            update();
        }
    }
    return true;
}

void ButtonWidget::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId())
        return QPushButton::timerEvent(event);
    pressShown_.stop();
    update();
}

QFont ButtonWidget::fittedFont() const {
    return fitted_.of(*this, text(), [this] {
        QStyleOptionButton option;
        initStyleOption(&option);
        return fittedButtonFont(*this, option);
    });
}

void ButtonWidget::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (!pressShown_.isActive() && fitted == font())
        return QPushButton::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    paintButton(*this, option, fitted, pressShown_.isActive());
}

QFont LabelWidget::fittedFont() const {
    return fitted_.of(*this, text(), [this] { return fittedLabelFont(*this); });
}

void LabelWidget::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    drawFrame(&painter);
    paintLabelText(painter, *this, fitted);
}

TickTimer::TickTimer(int period, QObject* parent) : QTimer(parent), period_(period) {
    setTimerType(Qt::PreciseTimer);
    // Designed enabled: it runs from the load until a handler says otherwise.
    start(period_);
}

void TickTimer::setEnabled(bool enabled) {
    if (!enabled)
        stop();
    else if (!isActive())
        start(period_);
}

void TickTimer::onTick(std::function<void()> handler, std::function<int()> untilNext) {
    handler_ = std::move(handler);
    untilNext_ = std::move(untilNext);
}

void TickTimer::tick() {
    if (isActive() && handler_)
        handler_();
}

// A paced wait counts from the tick. Left running, the timer would keep the rhythm of its last
// start, and could wake a moment before the awaited one, for nothing.
void TickTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId())
        return QTimer::timerEvent(event);
    tick();
    if (!untilNext_)
        return;
    const int until = untilNext_();
    if (isActive() && (until > 0 || interval() != period_))
        start(until > 0 ? until : period_);
}

} // namespace velti::forms
