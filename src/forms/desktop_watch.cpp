// The desktop watch: what a desktop does to the state of the program's windows.
#include "forms/desktop_watch.h"

#ifdef VELTI_XCB
#include "forms/x11_watch.h"
#endif

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace velti::forms {

namespace {

// What a desktop may do to the state of any window of the program, the message boxes included.
// A fixed-size window is never maximised or made full screen: on Wayland Qt draws its own title
// bar, with a maximise button whatever the window's flags say, and a press on it is undone. A
// modal window minimised on its own takes the windows it blocks along; one of those restored or
// activated (from a taskbar, Alt+Tab) while the modal window is minimised would stand blocked
// with nothing on screen to unblock it, so the modal window comes back with it, in front. Qt
// hands the keyboard on to a modal window only while that one is on screen.
class WindowStates final : public QObject {
public:
    using QObject::QObject;

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
        if (stateChange && window->isMinimized() && window == modal) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top != window && top->isVisible() && !top->isMinimized())
                    top->showMinimized();
            }
        } else if (modal != nullptr && window != modal && !window->isMinimized() &&
                   (stateChange || modal->isMinimized())) {
            QMetaObject::invokeMethod(
                window,
                [modal] {
                    // Unless it has been closed meanwhile.
                    if (!modal || modal != QApplication::activeModalWidget())
                        return;
                    for (QWidget* top : QApplication::topLevelWidgets()) {
                        if (top->isVisible() && top->isMinimized())
                            top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
                    }
                    modal->show();
                    modal->raise();
                    modal->windowHandle()->requestActivate();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

void watchTheDesktop(QApplication& application, [[maybe_unused]] Keys& keys) {
#ifdef VELTI_XCB
    watchX11(application, keys);
#endif
    application.installEventFilter(new WindowStates(&application));
}

} // namespace velti::forms
