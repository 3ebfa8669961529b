// The stopwatch window in plain Qt: the same window velti shows while it counts, with none of the
// window layer under it. The same title, client size, icon and window flags; the same buttons,
// frame and labels, with the same captions, access keys, picture, fonts and places; the same
// style and font substitution. Geometry is in pixels, the designed twips divided by 15 as the
// window layer divides them; fonts are in pixels, the designed points at 96 dots per inch. The
// pictures are velti's own, from its resource library. The stopwatch's design has no background
// picture: the window is drawn in the style's own background, as velti's is.
//
// It opens counting, as velti is once "&Via" has been pressed: "&Via" and "&Azzera" disabled, the
// focus on "&Pausa", the status "Conteggio...". Like the reference window, it counts the wall
// clock's seconds (CLOCK_REALTIME) from its start, with one single-shot timer armed for the next
// whole second each time, and shows them in hh:mm:ss. The buttons do nothing when pressed.
//
// Against it, bench/run measures what velti's window layer costs: start-up, peak memory, and the
// CPU of the program and of the X server while it counts.
#include "wall_clock.h"

#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <time.h>

#include <cstdint>

namespace {

using bench::hms;
using bench::kNanosPerSecond;
using bench::wallNanoseconds;

// The designed face over a base font: "MS Sans Serif" at this pixel size, which the substitution
// below turns into Liberation Sans.
QFont designed(QFont base, int pixelSize, bool bold = false) {
    base.setFamilies({QStringLiteral("MS Sans Serif")});
    base.setPixelSize(pixelSize);
    base.setBold(bold);
    base.setItalic(false);
    return base;
}

// A push button as the stopwatch has them: the window's font, the keyboard focus by Tab or click,
// and Enter clicking the one with the focus.
QPushButton* button(const QString& caption, QWidget* window, int x, int y, int width, int height) {
    auto* made = new QPushButton(caption, window);
    made->setFocusPolicy(Qt::StrongFocus);
    made->setAutoDefault(true);
    made->setGeometry(x, y, width, height);
    made->setFont(window->font());
    return made;
}

// A label as the stopwatch has them: plain text, centred at the top of its box, folded at word
// boundaries, over its own background.
QLabel* label(const QString& caption, QWidget* frame, int x, int y, int width, int height,
              const QFont& font) {
    auto* made = new QLabel(caption, frame);
    made->setWordWrap(true);
    made->setTextFormat(Qt::PlainText);
    made->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    made->setAutoFillBackground(true);
    made->setGeometry(x, y, width, height);
    made->setFont(font);
    made->setFocusPolicy(Qt::NoFocus);
    return made;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The desktop knows the window by the program's name (its WM_CLASS on X11).
    QApplication::setApplicationName(QStringLiteral("Vantelsiro"));
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    // The designed faces are Windows faces; Liberation Sans has Arial's metrics.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

    // 3960 x 2625 twips; a fixed size, with a title bar, a system menu and a close box only.
    QWidget window(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                Qt::MSWindowsFixedSizeDialogHint);
    window.setWindowTitle(QStringLiteral("Vantelsiro"));
    window.setFixedSize(264, 175);
    window.setBaseSize(window.size());
    window.setFont(designed(window.font(), 11)); // 8.25 points
    window.setWindowIcon(QIcon(QStringLiteral(":/velti/stopwatch.ico")));

    // In the designed order, which is also the tab order of the buttons.
    QPushButton* via = button(QStringLiteral("&Via"), &window, 8, 112, 57, 25);
    button(QStringLiteral("&Stop"), &window, 72, 112, 57, 25);
    QPushButton* pause = button(QStringLiteral("&Pausa"), &window, 136, 112, 57, 25);
    // The status bar: an untitled frame, an etched rectangle, holding the time and the state.
    auto* frame = new QFrame(&window);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(8, 0, 249, 105);
    frame->setFont(window.font());
    frame->setFocusPolicy(Qt::NoFocus);
    QLabel* time = label(QStringLiteral("00:00:00"), frame, 16, 24, 217, 41,
                         designed(frame->font(), 32, true)); // 24 points, bold
    label(QStringLiteral("Conteggio..."), frame, 80, 80, 97, 17,
          designed(frame->font(), 13)); // 9.75 points
    button(QStringLiteral("R&ileva"), &window, 200, 112, 57, 25);
    QPushButton* reset = button(QStringLiteral("&Azzera"), &window, 8, 144, 217, 25);
    QPushButton* about = button(QString(), &window, 232, 144, 25, 25);
    about->setIcon(QIcon(QStringLiteral(":/velti/info.ico")));
    about->setIconSize(QSize(16, 16));
    about->setToolTip(QStringLiteral("Informazioni su..."));
    about->setAccessibleName(QStringLiteral("Informazioni su..."));

    // Counting, as after "&Via".
    via->setEnabled(false);
    reset->setEnabled(false);
    window.show();
    pause->setFocus(Qt::OtherFocusReason);
    // Without a window manager nobody else gives the window the keyboard.
    window.windowHandle()->requestActivate();

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    const std::int64_t startSecond = wallNanoseconds() / kNanosPerSecond;
    std::int64_t shown = 0;
    const auto armForNextSecond = [&] {
        const std::int64_t left = kNanosPerSecond - wallNanoseconds() % kNanosPerSecond;
        // Whole milliseconds, rounded up: the timer never fires before the boundary.
        timer.start(static_cast<int>((left + 999'999) / 1'000'000));
    };
    QObject::connect(&timer, &QTimer::timeout, time, [&] {
        const std::int64_t elapsed = wallNanoseconds() / kNanosPerSecond - startSecond;
        if (elapsed != shown) {
            shown = elapsed;
            time->setText(hms(elapsed));
        }
        armForNextSecond();
    });
    armForNextSecond();
    return QApplication::exec();
}
