// The design: a window built from its description.
#include "forms/windows/design.h"

#include "forms/windows/properties.h"
#include "forms/windows/widgets.h"

#include <QWindow>

#include <algorithm>
#include <map>

namespace velti::forms {

namespace {

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
    auto* button = new ButtonWidget(text(c.caption), parent);
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
    auto* label = new LabelWidget(text(c.caption), parent);
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

void build(const FormDescription& d, QWidget& window, const TimerPolicy& timers, Icons& icons) {
    window.setObjectName(QString::fromLatin1(d.name));
    window.setWindowTitle(text(d.caption));
    // A minimised window goes by its icon text, to a desktop's taskbar and to a screen reader
    // alike: without one it would have no name there.
    window.setWindowIconText(window.windowTitle());
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
            control = new TickTimer(std::max({c.interval, timers.floorMs, 1}), &window);
        } else {
            QWidget* widget = nullptr;
            if (c.kind == ControlKind::CommandButton) {
                widget = makeButton(c, parent, icons);
                tabOrder[c.tabIndex] = widget;
            } else if (c.kind == ControlKind::Label) {
                widget = makeLabel(c, parent);
            } else if (c.kind == ControlKind::Frame) {
                auto* frame = new FrameWidget(parent);
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

} // namespace velti::forms
