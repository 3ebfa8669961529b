// The controls: the Qt widgets' behaviour and the handles' checked operations.
#include "forms/controls.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVariant>
#include <QWidget>

#include <utility>

namespace velti::forms {

QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits) {
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits(font) && size > kCaptionMinimumPx)
        font.setPixelSize(--size);
    return font;
}

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

// The style centres the caption in the button's contents; it keeps a pixel clear of the frame's
// inner edge at either end, as a framed label does of its border.
QFont ButtonControl::fittedFont() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect room =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
    return fitted(font(), [&](const QFont& font) {
        const QSize caption = QFontMetrics(font).size(Qt::TextShowMnemonic, text());
        return caption.width() <= room.width() && caption.height() <= room.height();
    });
}

void ButtonControl::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (!pressShown_.isActive() && fitted == font())
        return QPushButton::paintEvent(event);
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (pressShown_.isActive()) {
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
    }
    painter.setFont(fitted);
    option.fontMetrics = QFontMetrics(fitted);
    painter.drawControl(QStyle::CE_PushButton, option);
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

namespace {

// The room a label leaves its text: QLabel indents a framed label's text by half an "x".
QRect textRoom(const QLabel& label) {
    QRect room = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(),
                                               -label.margin());
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0)
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0 && (label.alignment() & Qt::AlignLeft))
        room.setLeft(room.left() + indent);
    else if (indent > 0 && (label.alignment() & Qt::AlignRight))
        room.setRight(room.right() - indent);
    return room;
}

// The height a line of text takes on screen, in logical pixels. On a scaled screen the face is
// drawn at the scaled size, and its ascent and descent round up in device pixels: at scale 2 an
// 11 px line needs 12.5 rows, not the 12 the logical metrics report.
qreal lineHeight(QFont font, qreal ratio) {
    if (font.pixelSize() <= 0)
        return QFontMetricsF(font).height();
    font.setPixelSize(qRound(font.pixelSize() * ratio));
    return QFontMetricsF(font).height() / ratio;
}

// How a label lays out its plain text: as QLabel does, but a one-line field centres its line in
// its box. QLabel would indent it from the top as far as from the side, and the descenders of the
// memory fields (11 px of text in 15 rows) met the border below.
int textFlags(const QLabel& label) {
    const Qt::Alignment aligned =
        QStyle::visualAlignment(label.layoutDirection(), label.alignment());
    if (label.wordWrap())
        return int(aligned) | Qt::TextWordWrap;
    return int(aligned & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
}

} // namespace

QFont CaptionLabel::fittedFont() const {
    const QRect room = textRoom(*this);
    return fitted(font(), [&](const QFont& font) {
        const QFontMetrics metrics(font);
        if (!wordWrap()) {
            // A shrunk caption keeps the label's indent clear at its other end too: it never
            // runs up to the border, whatever the font engine's rounding.
            const int indent = contentsRect().width() - room.width();
            return metrics.horizontalAdvance(text()) <= room.width() - indent &&
                   lineHeight(font, devicePixelRatioF()) <= room.height();
        }
        // Every line, as the words fold in this face, and no word wider than the box.
        const QRect drawn = metrics.boundingRect(room, textFlags(*this), text());
        return drawn.width() <= room.width() && drawn.height() <= room.height();
    });
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fitted);
    style()->drawItemText(&painter, textRoom(*this), textFlags(*this), palette(), isEnabled(),
                          text(), foregroundRole());
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
