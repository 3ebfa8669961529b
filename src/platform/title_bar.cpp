// The program's own title bar, for a modal window on Wayland.
#include "platform/title_bar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

namespace velti {

namespace {

constexpr int kHeight = 30;
constexpr int kButton = 24;

bool onWayland() {
    return QGuiApplication::platformName() == u"wayland";
}

// Drawn on the window itself, above its client area: no widget of its own, so a screen reader
// finds the window's controls as they were.
class TitleBar final : public QObject {
public:
    explicit TitleBar(QWidget& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
        window.setMouseTracking(true);
    }

    bool eventFilter(QObject* /*object*/, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Paint:
            paint();
            return false;
        case QEvent::ActivationChange:
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
            window_.update(bar());
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return mouse(*static_cast<QMouseEvent*>(event));
        case QEvent::Leave:
            hover(false);
            return false;
        default:
            return false;
        }
    }

private:
    QRect bar() const { return {0, 0, window_.width(), kHeight}; }
    QRect closeBox() const {
        return {window_.width() - kButton - 3, (kHeight - kButton) / 2, kButton, kButton};
    }

    void paint() {
        QPainter p(&window_);
        const QPalette& palette = window_.palette();
        const bool active = window_.isActiveWindow();
        p.fillRect(bar(), palette.color(QPalette::Active, QPalette::Window).darker(108));
        p.setPen(palette.color(QPalette::Active, QPalette::Mid));
        p.drawLine(0, kHeight - 1, window_.width() - 1, kHeight - 1);
        const QColor ink =
            palette.color(active ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
        const QIcon icon = window_.windowIcon();
        int left = 6;
        if (!icon.isNull()) {
            icon.paint(&p, QRect(left, (kHeight - 20) / 2, 20, 20));
            left += 26;
        }
        QFont font = window_.font();
        font.setPixelSize(14);
        font.setBold(true);
        font.setItalic(false);
        p.setFont(font);
        p.setPen(ink);
        // Centred on the window, unless that would run into the icon or the close box.
        const int right = closeBox().left() - 6;
        const QString title =
            p.fontMetrics().elidedText(window_.windowTitle(), Qt::ElideRight, right - left);
        QRect text(0, 0, window_.width(), kHeight);
        const int width = p.fontMetrics().horizontalAdvance(title);
        if ((window_.width() - width) / 2 < left || (window_.width() + width) / 2 > right)
            text = QRect(left, 0, right - left, kHeight);
        p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, title);

        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = closeBox();
        if (hovered_) {
            p.setPen(Qt::NoPen);
            p.setBrush(
                palette.color(QPalette::Active, QPalette::Window).darker(pressed_ ? 135 : 120));
            p.drawEllipse(box);
        }
        QPen cross(ink, 2);
        p.setPen(cross);
        const qreal half = box.height() / 4.6;
        const QPointF centre = box.center();
        p.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
        p.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
    }

    void hover(bool on) {
        if (std::exchange(hovered_, on) != on)
            window_.update(closeBox());
    }

    bool mouse(const QMouseEvent& event) {
        const QPoint at = event.position().toPoint();
        hover(closeBox().contains(at));
        if (!pressed_ && !bar().contains(at))
            return false;
        if (event.button() == Qt::LeftButton && event.type() == QEvent::MouseButtonPress) {
            pressed_ = closeBox().contains(at);
            // Anywhere else the bar moves the window, as the compositor's own would.
            if (!pressed_)
                window_.windowHandle()->startSystemMove();
            window_.update(closeBox());
        } else if (event.button() == Qt::LeftButton && event.type() == QEvent::MouseButtonRelease &&
                   std::exchange(pressed_, false)) {
            window_.update(closeBox());
            // The close box: as Esc and the desktop's close do.
            if (closeBox().contains(at))
                window_.close();
        }
        return true;
    }

    QWidget& window_;
    bool hovered_ = false;
    bool pressed_ = false;
};

} // namespace

Qt::WindowFlags modalFrame() {
    return onWayland() ? Qt::FramelessWindowHint : Qt::WindowFlags();
}

int wearTitleBar(QWidget& window) {
    if (!window.windowFlags().testFlag(Qt::FramelessWindowHint) || !onWayland())
        return 0;
    new TitleBar(window);
    if (QLayout* layout = window.layout()) {
        QMargins margins = layout->contentsMargins();
        margins.setTop(margins.top() + kHeight);
        layout->setContentsMargins(margins);
        return kHeight;
    }
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            child->move(child->pos() + QPoint(0, kHeight));
    }
    if (window.minimumSize() == window.maximumSize())
        window.setFixedSize(window.width(), window.height() + kHeight);
    return kHeight;
}

} // namespace velti
