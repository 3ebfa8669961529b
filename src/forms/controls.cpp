#include "forms/controls.h"

#include "forms/form.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <map>

namespace velti::forms {

const char* const kDescribed = "velti_described";

namespace {

const char* const kIndex = "velti_index";

QString text(const char* utf8) {
    return utf8 == nullptr ? QString() : QString::fromUtf8(utf8);
}

// Point sizes are designed for 96 dots per inch; a pixel size keeps the text in proportion with
// the twips of the layout on any screen.
QFont font(const FontSpec& designed, QFont base) {
    if (designed.family == nullptr)
        return base;
    base.setFamilies({QString::fromLatin1(designed.family)});
    base.setPixelSize(qRound(designed.points * 96.0 / 72.0));
    base.setBold(designed.bold);
    base.setItalic(designed.italic);
    return base;
}

QWidget* makeButton(const ControlDescription& c, QWidget* parent, Icons& icons) {
    auto* button = new ButtonControl(text(c.caption), parent);
    if (c.picture != nullptr) {
        button->setIcon(icons(c.picture));
        button->setIconSize(QSize(16, 16));
    }
    // A picture button is read out by its tooltip; a captioned one by its caption, without "&".
    if (*c.caption == '\0' && c.toolTip != nullptr)
        button->setAccessibleName(text(c.toolTip));
    if (c.description != nullptr)
        button->setProperty(kDescribed, QStringList{text(c.describedCaption), text(c.description)});
    button->setFocusPolicy(Qt::StrongFocus);
    // Enter clicks the button that has the focus, as on any dialog.
    button->setAutoDefault(true);
    return button;
}

QWidget* makeLabel(const ControlDescription& c, QWidget* parent) {
    auto* label = new CaptionLabel(text(c.caption), parent);
    // A field is one line; other text folds at word boundaries.
    label->setWordWrap(!c.field);
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment across[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    label->setAlignment(across[int(c.alignment)] | Qt::AlignTop);
    QPalette palette = label->palette();
    if (c.foreColor != 0)
        palette.setColor(QPalette::WindowText, QColor::fromRgb(c.foreColor));
    if (c.field) {
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    label->setAutoFillBackground(!c.transparent);
    label->setPalette(palette);
    return label;
}

} // namespace

QObject* controlOf(const QWidget& window, const char* name, int index) {
    for (QObject* control : window.findChildren<QObject*>(QLatin1String(name))) {
        const QVariant designed = control->property(kIndex);
        if ((designed.isValid() ? designed.toInt() : -1) == index)
            return control;
    }
    return nullptr;
}

QIcon Icons::operator()(const char* file) {
    const QString name = text(file);
    if (!loaded_.contains(name))
        loaded_.insert(name, QIcon(name));
    return loaded_.value(name);
}

void build(const FormDescription& d, QWidget& window, const TimerPolicy& timers, Icons& icons) {
    window.setObjectName(QString::fromLatin1(d.name));
    window.setWindowTitle(text(d.caption));
    if (d.description != nullptr)
        window.setAccessibleDescription(text(d.description));
    window.setFixedSize(pixels(d.clientWidth), pixels(d.clientHeight));
    // On a scaled screen Qt asks for resizing in steps of a scaled pixel (2 at 1.5): with the
    // steps counted from the designed size, the desktop never rounds that size away.
    window.setBaseSize(window.size());
    window.winId();
    window.windowHandle()->setBaseSize(window.size());
    window.setFont(font(d.font, window.font()));
    if (d.icon != nullptr)
        window.setWindowIcon(icons(d.icon));

    std::map<int, QWidget*> tabOrder;
    for (const ControlDescription& c : d.controls) {
        QObject* control = nullptr;
        QWidget* parent = &window;
        if (c.container != nullptr)
            parent = window.findChild<QWidget*>(QString::fromLatin1(c.container));
        if (c.kind == ControlKind::Timer) {
            control = new TimerControl(std::max({c.interval, timers.floorMs, 1}), &window);
        } else {
            QWidget* widget = nullptr;
            if (c.kind == ControlKind::CommandButton) {
                widget = makeButton(c, parent, icons);
                tabOrder[c.tabIndex] = widget;
            } else if (c.kind == ControlKind::Label) {
                widget = makeLabel(c, parent);
            } else if (c.kind == ControlKind::Frame) {
                auto* frame = new FrameControl(parent);
                frame->statusBar = c.statusBar;
                // An untitled frame: an etched rectangle.
                frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
                widget = frame;
            } else {
                // The icon's image of the box's size, at its natural size: never stretched. On a
                // scaled screen the largest image the icon holds is drawn.
                auto* image = new QLabel(parent);
                image->setPixmap(icons(c.picture).pixmap(QSize(pixels(c.width), pixels(c.height)),
                                                         image->devicePixelRatioF()));
                image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = image;
            }
            widget->setGeometry(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height));
            widget->setFont(font(c.font, parent->font()));
            if (c.toolTip != nullptr)
                widget->setToolTip(text(c.toolTip));
            if (c.kind != ControlKind::CommandButton)
                widget->setFocusPolicy(Qt::NoFocus);
            control = widget;
        }
        control->setObjectName(QString::fromLatin1(c.name));
        if (c.index >= 0)
            control->setProperty(kIndex, c.index);
    }
    QWidget* previous = nullptr;
    for (const auto& [tabIndex, button] : tabOrder) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

namespace {

// The control's own font when the caption fits at that size, else the largest pixel size that
// fits, never below kCaptionMinimumPx.
QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits) {
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits(font) && size > kCaptionMinimumPx)
        font.setPixelSize(--size);
    return font;
}

} // namespace

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

void TimerControl::tick() {
    if (isActive())
        emit ticked();
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

Control::Control(Shell& window, const char* name, int index)
    : window_(window), name_(name), control_(controlOf(window.widget(), name, index)),
      found_(control_ != nullptr) {}

// A control that is gone may have taken its window with it: the window is not asked then.
template <class Widget> Widget* Control::live() const {
    if (!control_)
        throw found_ ? RuntimeError::objectUnloaded()
                     : RuntimeError::noSuchControl(QString::fromUtf8(name_));
    window_.operation();
    return static_cast<Widget*>(control_.data());
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
    Label element(window_, name_, index);
    if (element.object() == nullptr)
        throw RuntimeError::noSuchElement(index);
    return element;
}

void Timer::setEnabled(bool enabled) {
    live<TimerControl>()->setEnabled(enabled);
}

} // namespace velti::forms
