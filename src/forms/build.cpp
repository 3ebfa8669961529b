// Building a window from its description: a step of its own, apart from the window's life. Nothing
// runs and nothing is shown; the window's handlers and its Load come after.
#include "forms/build.h"

#include "forms/widgets.h"

#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace velti::forms {

int pixels(int twips) {
    return qRound(static_cast<double>(twips) / kTwipsPerPixel);
}

namespace {

QRect geometry(const ControlDescription& c) {
    return {pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height)};
}

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

QColor colour(const Colour& c, const QPalette& palette) {
    switch (c.kind) {
    case Colour::Kind::Rgb:
        return QColor::fromRgb(c.value);
    case Colour::Kind::System:
        return c.value == kWindowBackground ? palette.color(QPalette::Base)
                                            : palette.color(QPalette::Text);
    case Colour::Kind::Default:
        break;
    }
    return {};
}

Qt::Alignment alignment(Alignment a) {
    switch (a) {
    case Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QWidget* makeButton(const ControlDescription& c, QWidget* parent, const QIcon& picture) {
    auto* button = new ButtonControl(text(c.caption), parent);
    if (c.picture != nullptr) {
        button->setIcon(picture);
        button->setIconSize(QSize(16, 16));
    }
    // A picture button is read out by its tooltip; a captioned one by its caption, without "&".
    if (*c.caption == '\0' && c.toolTip != nullptr)
        button->setAccessibleName(text(c.toolTip));
    button->setFocusPolicy(Qt::StrongFocus);
    // Enter clicks the button that has the focus, as on any dialog.
    button->setAutoDefault(true);
    button->cancel = c.cancel;
    button->isDefault = c.isDefault;
    return button;
}

QWidget* makeLabel(const ControlDescription& c, QWidget* parent) {
    // A bordered label is a one-line field; other text folds at word boundaries.
    auto* label = new CaptionLabel(text(c.caption), c.border, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment(c.alignment));
    QPalette palette = label->palette();
    if (const QColor fore = colour(c.foreColor, palette); fore.isValid())
        palette.setColor(QPalette::WindowText, fore);
    if (!c.transparent) {
        const QColor back = colour(c.backColor, palette);
        palette.setColor(QPalette::Window,
                         back.isValid() ? back : label->palette().color(QPalette::Window));
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (c.border) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
    }
    return label;
}

QWidget* makeFrame(const ControlDescription& c, QWidget* parent) {
    auto* frame = new FrameControl(parent);
    frame->statusBar = c.role == AccessibleRole::StatusBar;
    // An untitled frame: an etched rectangle.
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setLineWidth(1);
    return frame;
}

QWidget* makeImage(const ControlDescription& c, QWidget* parent, const QIcon& picture) {
    auto* image = new LabelControl(parent);
    // The icon's image of the box's size, at its natural size: never stretched. On a scaled screen
    // the largest image the icon holds is drawn.
    const QSize size(pixels(c.width), pixels(c.height));
    image->setPixmap(picture.pixmap(size, image->devicePixelRatioF()));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

QObject* find(const std::vector<LiveControl>& controls, std::string_view name) {
    for (const LiveControl& c : controls) {
        if (c.name == name)
            return c.object;
    }
    return nullptr;
}

} // namespace

BuiltWindow buildWindow(const FormDescription& d, Form& form, Context& context) {
    const Qt::WindowFlags flags = (d.border == BorderStyle::FixedSingle ? Qt::Dialog : Qt::Window) |
                                  Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                  Qt::MSWindowsFixedSizeDialogHint;
    auto* window = new FormWindow(form, flags);
    BuiltWindow built{window, {}};
    window->setObjectName(QString::fromLatin1(d.name));
    window->setWindowTitle(text(d.caption));
    window->setFixedSize(pixels(d.clientWidth), pixels(d.clientHeight));
    // On a scaled screen Qt asks for resizing in steps of a scaled pixel (2 at 1.5): with the
    // steps counted from the designed size, the desktop never rounds that size away.
    window->setBaseSize(window->size());
    window->winId();
    window->windowHandle()->setBaseSize(window->size());
    window->setFont(font(d.font, window->font()));
    if (d.icon != nullptr)
        window->setWindowIcon(context.icon(d.icon));
    if (d.picture != nullptr)
        window->setBackground(QPixmap(text(d.picture)));

    std::vector<std::pair<int, QPushButton*>> tabOrder;
    for (const ControlDescription& c : d.controls) {
        QWidget* parent = window;
        if (c.container != nullptr)
            parent = qobject_cast<QWidget*>(find(built.controls, c.container));
        QObject* object = nullptr;
        const QIcon picture = c.picture != nullptr ? context.icon(c.picture) : QIcon();
        switch (c.kind) {
        case ControlKind::CommandButton: {
            QWidget* button = makeButton(c, parent, picture);
            tabOrder.emplace_back(c.tabIndex, static_cast<QPushButton*>(button));
            object = button;
            break;
        }
        case ControlKind::Label:
            object = makeLabel(c, parent);
            break;
        case ControlKind::Frame:
            object = makeFrame(c, parent);
            break;
        case ControlKind::Image:
            object = makeImage(c, parent, picture);
            break;
        case ControlKind::Timer: {
            auto* timer = new TimerControl(c.interval, context.timers(), window);
            // Designed enabled: it runs from the load until a handler says otherwise.
            timer->setEnabled(true);
            object = timer;
            break;
        }
        }
        object->setObjectName(QString::fromLatin1(c.name));
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            widget->setGeometry(geometry(c));
            widget->setFont(font(c.font, parent->font()));
            if (c.toolTip != nullptr)
                widget->setToolTip(text(c.toolTip));
            if (c.kind != ControlKind::CommandButton)
                widget->setFocusPolicy(Qt::NoFocus);
        }
        built.controls.push_back({c.name, c.index, object});
    }

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    return built;
}

} // namespace velti::forms
