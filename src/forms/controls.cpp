// The controls: the Qt widgets' behaviour and the handles' checked operations.
#include "forms/controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QVariant>
#include <QWidget>

#include <utility>

namespace velti::forms {

const char* const kIndex = "velti_index";

QObject* controlOf(const QWidget& window, const char* name, int index) {
    for (QObject* control : window.findChildren<QObject*>(QLatin1String(name))) {
        const QVariant designed = control->property(kIndex);
        if ((designed.isValid() ? designed.toInt() : -1) == index)
            return control;
    }
    return nullptr;
}

// Tests plant a failure here; the program has none.
void Control::check() const {
    if (runtime_.check != nullptr && runtime_.running > 0)
        runtime_.check->beforeOperation();
}

// A control that is gone may have taken its window with it: the window is not asked then.
template <class Widget> Widget* Control::live() const {
    if (!control_)
        throw found_ ? RuntimeError::objectUnloaded()
                     : RuntimeError::noSuchControl(QString::fromUtf8(name_));
    check();
    return static_cast<Widget*>(control_.data());
}

Control::Control(Dispatcher& window, const char* name, int index)
    : window_(window), runtime_(window.runtime()), name_(name),
      control_(controlOf(window.widget(), name, index)), found_(control_ != nullptr) {}

bool ButtonControl::event(QEvent* event) {
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous())
        return QPushButton::event(event);
    // Qt would hold the button down and click it 100 ms later, whatever happened meanwhile.
    if (isEnabled() && isVisible()) {
        QPointer<ButtonControl> alive(this);
        click();
        if (alive && isEnabled() && isVisible()) {
            pressShown_.start(100, this);
            update();
        }
    }
    return true;
}

void ButtonControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId())
        return QPushButton::timerEvent(event);
    pressShown_.stop();
    update();
}

QFont ButtonControl::fittedFont() const {
    return fitted_.of(*this, text(), [this] {
        QStyleOptionButton option;
        initStyleOption(&option);
        return fittedButtonFont(*this, option);
    });
}

void ButtonControl::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (!pressShown_.isActive() && fitted == font())
        return QPushButton::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    paintButton(*this, option, fitted, pressShown_.isActive());
}

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

QFont CaptionLabel::fittedFont() const {
    return fitted_.of(*this, text(), [this] { return fittedLabelFont(*this); });
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    drawFrame(&painter);
    paintLabelText(painter, *this, fitted);
}

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
    check();
    Label element(window_, name_, index);
    if (element.object() == nullptr)
        throw RuntimeError::noSuchElement(index);
    return element;
}

TimerControl::TimerControl(int period, QObject* parent) : QTimer(parent), period_(period) {
    setTimerType(Qt::PreciseTimer);
    connect(this, &QTimer::timeout, this, &TimerControl::tick);
    // Designed enabled: it runs from the load until a handler says otherwise.
    start(period_);
}

void TimerControl::setEnabled(bool enabled) {
    if (!enabled)
        stop();
    else if (!isActive())
        start(period_);
}

// A paced wait counts from the tick. Left running, the timer would keep the rhythm of its last
// start, and could wake a moment before the awaited one, for nothing.
void TimerControl::pace(std::function<int()> untilNext) {
    connect(this, &QTimer::timeout, this, [this, untilNext = std::move(untilNext)] {
        const int until = untilNext();
        if (isActive() && (until > 0 || interval() != period_))
            start(until > 0 ? until : period_);
    });
}

void TimerControl::tick() {
    if (isActive())
        emit ticked();
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

} // namespace velti::forms
