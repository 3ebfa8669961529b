// The desktop watch: what a desktop does to the state of the program's windows.
#include "forms/desktop/desktop_watch.h"

#ifdef VELTI_XCB
#include "forms/desktop/x11_watch.h"
#endif

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#if __has_include(<qpa/qplatformwindow.h>)
#include <qpa/qplatformwindow.h>
#endif

namespace velti::forms {

namespace {

// What a desktop may do to the state of any window of the program, the message boxes included.
// A fixed-size window is never maximised or made full screen: on Wayland Qt draws its own title
// bar, with a maximise button whatever the window's flags say, and a press on it is undone. A
// modal window minimised on its own takes the windows it blocks along; one of those restored or
// activated (from a taskbar, Alt+Tab) while the modal window is minimised would stand blocked
// with nothing on screen to unblock it, so the modal window comes back with it, in front. Qt
// hands the keyboard on to a modal window only while that one is on screen.
// Wayland has no minimised state to tell: a modal window hidden by the compositor (Super+H) still
// looks on screen to Qt, and one minimised through Qt's own title bar has nothing to bring it
// back. There the modal window comes straight back from its title bar's minimise, and whenever a
// window it blocks becomes active (the compositor handed it the keyboard, a click on it), the
// modal window is brought forward with the keyboard: asked for through xdg_activation_v1, and
// where the compositor does not hand it over (mutter 43 refuses a token that the window it
// activates did not ask for; weston has no such protocol), its surface is made afresh, which a
// compositor shows in front with the keyboard, as any new window of the program that has it.
void bringForward(const QPointer<QWidget>& modal, bool wayland) {
    modal->show();
    modal->raise();
    modal->windowHandle()->requestActivate();
    if (!wayland)
        return;
    QTimer::singleShot(300, modal, [modal] {
        if (!modal || modal != QApplication::activeModalWidget() || modal->isActiveWindow())
            return;
#if __has_include(<qpa/qplatformwindow.h>)
        if (QPlatformWindow* surface = modal->windowHandle()->handle()) {
            surface->setVisible(false);
            surface->setVisible(true);
        }
#endif
    });
}

class WindowStates final : public QObject {
public:
    explicit WindowStates(QObject* parent)
        : QObject(parent), wayland_(QGuiApplication::platformName() == u"wayland") {}

    bool eventFilter(QObject* object, QEvent* event) override {
        const bool stateChange = event->type() == QEvent::WindowStateChange;
        if (!stateChange && event->type() != QEvent::ActivationChange)
            return false;
        auto* window = qobject_cast<QWidget*>(object);
        if (window == nullptr || !window->isWindow() || !window->isVisible() ||
            !(stateChange || window->isActiveWindow()))
            return false;
        static constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
        if (stateChange && (window->windowState() & enlarged)) {
            QMetaObject::invokeMethod(
                window, [window] { window->setWindowState(window->windowState() & ~enlarged); },
                Qt::QueuedConnection);
        }
        const QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (stateChange && window->isMinimized() && window == modal && wayland_) {
            QMetaObject::invokeMethod(
                window,
                [window = QPointer<QWidget>(window)] {
                    if (!window)
                        return;
                    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
                    bringForward(window, true);
                },
                Qt::QueuedConnection);
        } else if (stateChange && window->isMinimized() && window == modal) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top != window && top->isVisible() && !top->isMinimized())
                    top->showMinimized();
            }
        } else if (modal != nullptr && window != modal && !window->isMinimized() &&
                   (stateChange || modal->isMinimized() || wayland_)) {
            QMetaObject::invokeMethod(
                window,
                [modal, wayland = wayland_] {
                    // Unless it has been closed meanwhile.
                    if (!modal || modal != QApplication::activeModalWidget())
                        return;
                    for (QWidget* top : QApplication::topLevelWidgets()) {
                        if (top->isVisible() && top->isMinimized())
                            top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
                    }
                    bringForward(modal, wayland);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    const bool wayland_;
};

// After a change of screens (one unplugged, one shrunk), a window that is less than half on any
// screen comes back whole onto the nearest one, with a window manager or without: nothing else
// would bring it within reach of the mouse. Wayland places windows itself.
class ScreenChanges final : public QObject {
public:
    explicit ScreenChanges(QObject* parent) : QObject(parent) {
        settle_.setSingleShot(true);
        // Once the screens and a window manager have had their say.
        settle_.setInterval(300);
        connect(&settle_, &QTimer::timeout, this, &ScreenChanges::bringWithinReach);
        connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
            watch(screen);
            settle_.start();
        });
        connect(qApp, &QGuiApplication::screenRemoved, &settle_, qOverload<>(&QTimer::start));
        // Nothing to do at start-up: only a change sets the timer going.
        for (QScreen* screen : QGuiApplication::screens())
            watch(screen);
    }

private:
    void watch(QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, &settle_, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::availableGeometryChanged, &settle_, qOverload<>(&QTimer::start));
    }
    static void bringWithinReach() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible() || window->isMinimized() || screens.isEmpty())
                continue;
            const QRect frame = window->frameGeometry();
            qint64 best = 0;
            QScreen* nearest = screens.first();
            qint64 nearestDistance = -1;
            for (QScreen* screen : screens) {
                const QRect on = screen->geometry().intersected(frame);
                best = qMax(best, qint64(on.width()) * on.height());
                const QPoint d = screen->availableGeometry().center() - frame.center();
                const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
                if (nearestDistance < 0 || distance < nearestDistance)
                    nearest = screen, nearestDistance = distance;
            }
            if (2 * best >= qint64(frame.width()) * frame.height())
                continue;
            const QRect area = nearest->availableGeometry();
            QPoint to = frame.topLeft();
            to.setX(
                qBound(area.left(), to.x(), qMax(area.left(), area.right() + 1 - frame.width())));
            to.setY(
                qBound(area.top(), to.y(), qMax(area.top(), area.bottom() + 1 - frame.height())));
            window->move(to);
        }
    }

    QTimer settle_;
};

} // namespace

void watchTheDesktop(QApplication& application, [[maybe_unused]] Keys& keys) {
#ifdef VELTI_XCB
    watchX11(application, keys);
#endif
    application.installEventFilter(new WindowStates(&application));
    if (QGuiApplication::platformName() != u"wayland")
        new ScreenChanges(&application);
}

} // namespace velti::forms
