// What a person meets on a real desktop: fast keys and clicks that never run a disabled button,
// a focus that moves once per press, and memory lines that always show whole.
#include "tests/support/harness.h"

#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

// The four states the stopwatch is designed to be in, as the window shows them.
struct State {
    const char* status;
    bool enabled[5]; // Command1 to Command5
    const char* pauseCaption;
    const char* readingCaption;
};

const State designedStates[] = {
    {"Inattivo", {true, false, false, false, true}, "&Pausa", "R&ileva"},
    {"Conteggio...", {false, true, true, true, false}, "&Pausa", "R&ileva"},
    {"In pausa", {false, true, true, false, false}, "&Riprendi", "R&ileva"},
    {"Rilevamento", {false, true, false, true, false}, "&Pausa", "OK"},
};

// Why the window is in none of the designed states, or an empty text if it is in one.
QString strayState(Form1& form) {
    const QString status = Harness::label(form, "Label2")->text();
    const char* names[] = {"Command1", "Command2", "Command3", "Command4", "Command5"};
    for (const State& state : designedStates) {
        if (status != QLatin1String(state.status))
            continue;
        for (int i = 0; i < 5; ++i) {
            if (Harness::button(form, names[i])->isEnabled() != state.enabled[i])
                return QStringLiteral("%1 with %2 %3")
                    .arg(status, QLatin1String(names[i]),
                         state.enabled[i] ? "disabled" : "enabled");
        }
        if (Harness::button(form, "Command3")->text() != QLatin1String(state.pauseCaption) ||
            Harness::button(form, "Command4")->text() != QLatin1String(state.readingCaption))
            return status + QStringLiteral(" with captions ") +
                   Harness::button(form, "Command3")->text() + u' ' +
                   Harness::button(form, "Command4")->text();
        QWidget* focus = form.window()->focusWidget();
        if (focus != nullptr && !focus->isEnabled())
            return status + QStringLiteral(" with the focus on a disabled button");
        return {};
    }
    return QStringLiteral("unknown status ") + status;
}

bool displayIsSound(Form1& form) {
    static const QRegularExpression sound(QStringLiteral("^\\d{2,}:\\d{2}:\\d{2}$"));
    return sound.match(Harness::label(form, "Label1")->text()).hasMatch();
}

// One input as a user gives it, with nothing in between.
enum class Input { AltV, AltS, AltP, AltR, AltI, AltA, Space, Return, ClickPause };

void give(Form1& form, Input input) {
    QWindow* window = form.window()->windowHandle();
    switch (input) {
    case Input::AltV:
        return QTest::keyClick(window, Qt::Key_V, Qt::AltModifier);
    case Input::AltS:
        return QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    case Input::AltP:
        return QTest::keyClick(window, Qt::Key_P, Qt::AltModifier);
    case Input::AltR:
        return QTest::keyClick(window, Qt::Key_R, Qt::AltModifier);
    case Input::AltI:
        return QTest::keyClick(window, Qt::Key_I, Qt::AltModifier);
    case Input::AltA:
        return QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
    case Input::Space:
        return QTest::keyClick(window, Qt::Key_Space);
    case Input::Return:
        return QTest::keyClick(window, Qt::Key_Return);
    case Input::ClickPause:
        return Harness::click(form, "Command3");
    }
}

// Counts the focus-in events that reach buttons: each one is a focus change a screen reader
// announces.
class FocusInCounter final : public QObject {
public:
    int count = 0;
    QStringList order;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && qobject_cast<QPushButton*>(watched) != nullptr) {
            ++count;
            order << watched->objectName();
        }
        return false;
    }
};

// The rightmost column inside the label's border that holds any of the caption's ink, in device
// pixels, or -1.
int lastInkColumn(const QImage& image, QRect inside, QRgb background) {
    for (int x = inside.right(); x >= inside.left(); --x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            const QRgb pixel = image.pixel(x, y);
            if (qAbs(qGray(pixel) - qGray(background)) > 60)
                return x;
        }
    }
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Input)

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::initialiseLayer(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Pairs found by random input, given with no delay between them; then time for anything an
    // input could have left pending.
    void twoFastInputsNeverRunADisabledButton_data() {
        QTest::addColumn<bool>("counting");
        QTest::addColumn<Input>("first");
        QTest::addColumn<Input>("second");
        QTest::addColumn<QString>("status");
        QTest::newRow("Alt+S Alt+P") << true << Input::AltS << Input::AltP << u"Inattivo"_qs;
        QTest::newRow("Alt+I Space") << true << Input::AltI << Input::Space << u"Conteggio..."_qs;
        QTest::newRow("Alt+I Return") << true << Input::AltI << Input::Return << u"Conteggio..."_qs;
        QTest::newRow("Alt+I click Pausa")
            << true << Input::AltI << Input::ClickPause << u"Rilevamento"_qs;
        QTest::newRow("Alt+S Alt+I") << true << Input::AltS << Input::AltI << u"Inattivo"_qs;
        QTest::newRow("Alt+I Alt+P") << true << Input::AltI << Input::AltP << u"Rilevamento"_qs;
        QTest::newRow("Alt+P Alt+I") << true << Input::AltP << Input::AltI << u"In pausa"_qs;
        QTest::newRow("Alt+V Alt+A") << false << Input::AltV << Input::AltA << u"Conteggio..."_qs;
        QTest::newRow("Alt+A Return on Via")
            << false << Input::AltA << Input::Return << u"Conteggio..."_qs;
    }

    void twoFastInputsNeverRunADisabledButton() {
        QFETCH(bool, counting);
        QFETCH(Input, first);
        QFETCH(Input, second);
        QFETCH(QString, status);
        Harness h;
        Form1& form = h.startUp();
        if (counting) {
            Harness::click(form, "Command1");
            h.clock.advance(5);
        }
        give(form, first);
        give(form, second);
        QTest::qWait(250);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
        QCOMPARE(Harness::label(form, "Label2")->text(), status);
        // Every access key clicked at once: the second input met the state the first one left.
        Harness::tick(form);
        QVERIFY2(displayIsSound(form), qPrintable(Harness::label(form, "Label1")->text()));
    }

    // Before, after Alt+S Alt+P the box came up, and Alt+V Alt+R then left a negative display.
    void theWorstSequenceLeavesASoundDisplay() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        h.clock.advance(7);
        for (Input input : {Input::AltS, Input::AltP, Input::AltV, Input::AltR})
            give(form, input);
        QTest::qWait(250);
        h.clock.advance(3);
        Harness::tick(form, 2);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Conteggio..."));
        QCOMPARE(Harness::label(form, "Label1")->text(), QStringLiteral("00:00:03"));
    }

    // A seeded storm of keys and clicks, some with no pause at all and some with one longer than
    // Qt's animated click: every step leaves a designed state and a sound display.
    void aStormOfInputsKeepsTheDesignedStates() {
        Harness h;
        Form1& form = h.startUp();
        QRandomGenerator random(20261208);
        const Input inputs[] = {Input::AltV,  Input::AltS,   Input::AltP,
                                Input::AltR,  Input::AltI,   Input::AltA,
                                Input::Space, Input::Return, Input::ClickPause};
        const char* buttons[] = {"Command1", "Command2", "Command4", "Command5"};
        for (int step = 0; step < 600; ++step) {
            const int pick = random.bounded(13);
            if (pick < 9)
                give(form, inputs[pick]);
            else
                Harness::click(form, buttons[pick - 9]);
            if (random.bounded(20) == 0) {
                QTest::qWait(110);
                h.clock.advance(random.bounded(4));
            }
            Harness::tick(form);
            QVERIFY2(strayState(form).isEmpty(), qPrintable(strayState(form)));
            QVERIFY2(displayIsSound(form), qPrintable(Harness::label(form, "Label1")->text()));
        }
        QTest::qWait(150);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
    }

    // Alt+V disables the focused "&Via": a screen reader hears only where the handler puts the
    // focus, "Pausa", not every button the focus passes on the way.
    void oneAccessKeyAnnouncesOneFocus() {
        Harness h;
        Form1& form = h.startUp();
        QCOMPARE(Harness::focused(form), QStringLiteral("Command1"));
        FocusInCounter counter;
        qApp->installEventFilter(&counter);
        give(form, Input::AltV);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command3"_qs});
        QCOMPARE(Harness::focused(form), QStringLiteral("Command3"));
        QVERIFY(!Harness::button(form, "Command1")->isEnabled());
        QVERIFY(!Harness::button(form, "Command5")->isEnabled());

        // Stop from the keyboard, with the focus on "&Stop": one announcement, "Azzera".
        Harness::button(form, "Command2")->setFocus();
        qApp->installEventFilter(&counter);
        counter.order.clear();
        give(form, Input::AltS);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command5"_qs});
        QVERIFY(!Harness::button(form, "Command2")->isEnabled());
    }

    // A handler that disables the focused button and then fails still leaves it disabled, and the
    // focus on an enabled button, before the box is shown.
    void aHeldButtonIsDisabledBeforeTheErrorBox() {
        Harness h;
        Form1& form = h.startUp();
        bool disabledWhenShown = false;
        h.msgBox.whileShown = [&] {
            disabledWhenShown = !Harness::button(form, "Command1")->isEnabled();
        };
        form.deliver([&] {
            form.Command1.setEnabled(false);
            QVERIFY(Harness::button(form, "Command1")->hasFocus());
            form.Command1.setFocus(); // disabled as far as a handler can tell
        });
        QCOMPARE(h.msgBox.shown.size(), std::size_t{1});
        QVERIFY(disabledWhenShown);
        QVERIFY(!Harness::button(form, "Command1")->isEnabled());
        QCOMPARE(Harness::focused(form), QStringLiteral("Command5"));
    }

    // A click that comes late, through Qt's animated click (as a screen reader's press does), finds
    // the button disabled, or its window closed: it runs nothing.
    void aLateClickRunsNothing() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        QPushButton* pause = Harness::button(form, "Command3");
        pause->animateClick();
        Harness::click(form, "Command2"); // stop: "&Pausa" is disabled before the click lands
        QTest::qWait(200);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Inattivo"));
        QCOMPARE(pause->text(), QStringLiteral("&Pausa"));

        h.withAbout([&](Form3& about) {
            Harness::button(about, "Command3")->animateClick(); // "&Memoria", 100 ms from now
            Harness::key(about, Qt::Key_Escape);
            QVERIFY(!about.isLoaded());
            QTest::qWait(200);
        });
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
    }

    // The press that follows an access key is only drawn: the button is never down, and a
    // disabled button shows nothing.
    void theAccessKeyPressIsOnlyAPicture() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        auto* pause = static_cast<forms::ButtonControl*>(Harness::button(form, "Command3"));
        give(form, Input::AltP);
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("In pausa"));
        QVERIFY(pause->showsPress());
        QVERIFY(!pause->isDown());
        QTRY_VERIFY(!pause->showsPress());
        auto* stop = static_cast<forms::ButtonControl*>(Harness::button(form, "Command2"));
        give(form, Input::AltS);
        QVERIFY(!stop->showsPress());
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Inattivo"));
    }

    // The stopwatch owns the About window: desktops keep the two together, and the About window
    // is centred on the stopwatch's screen. Minimised on its own, it takes the stopwatch along.
    void theAboutWindowBelongsToTheStopwatch() {
        Harness h;
        Form1& form = h.startUp();
        QWidget* stopwatch = form.window();
        h.withAbout([&](Form3& about) {
            QWidget* window = about.window();
            QCOMPARE(window->windowHandle()->transientParent(), stopwatch->windowHandle());
            QVERIFY(window->isModal());
            const QPoint centre = stopwatch->screen()->availableGeometry().center();
            QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 2);

            window->showMinimized();
            QTRY_VERIFY(stopwatch->isMinimized());
            stopwatch->showNormal();
            window->showNormal();
            QTRY_VERIFY(!window->isMinimized());
        });
        QVERIFY(!stopwatch->isMinimized());
    }

    // Wayland's client-side title bar has a maximise button even on a fixed-size window; pressing
    // it (or asking for full screen) leaves the window as it was.
    void aFixedWindowIsNeverMaximised() {
        Harness h;
        Form1& form = h.startUp();
        QWidget* window = form.window();
        const QRect before = window->geometry();
        for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
            window->windowHandle()->setWindowState(state);
            QTRY_COMPARE(window->windowState(), Qt::WindowStates(Qt::WindowNoState));
            QCOMPARE(window->geometry().size(), before.size());
            QVERIFY(window->isVisible());
        }
    }

    void memoryLinesShowWhole_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<quint64>("figure");
        const quint64 figures[] = {0ULL, 4'294'967'295ULL, 140'737'094'066'176ULL,
                                   18'446'744'073'709'551'615ULL};
        for (const char* locale : {"it_IT", "en_US", "fr_FR"}) {
            for (quint64 figure : figures)
                QTest::addRow("%s %llu", locale, static_cast<unsigned long long>(figure))
                    << QString::fromLatin1(locale) << figure;
        }
    }

    void memoryLinesShowWhole() {
        QFETCH(QString, locale);
        QFETCH(quint64, figure);
        QLocale::setDefault(QLocale(locale));
        Harness h;
        h.memory.status = {figure, figure, figure};
        h.startUp();
        h.withAbout([&](Form3& about) {
            Harness::click(about, "Command3");
            Harness::tick(about);
            QCOMPARE(QLocale().name(), locale);
            for (const char* name : {"Label3", "Label4", "Label8"}) {
                auto* field = qobject_cast<forms::CaptionLabel*>(about.control(name));
                QVERIFY(field != nullptr);
                const QString caption = field->text();
                QVERIFY2(caption.endsWith(u" bytes"_qs), qPrintable(caption));
                if (figure == 18'446'744'073'709'551'615ULL) {
                    const QString group = QLocale().groupSeparator();
                    QVERIFY(
                        caption.contains(QStringList{u"18"_qs, u"446"_qs, u"744"_qs}.join(group)));
                }
                const QFont fitted = field->fittedFont();
                QVERIFY(fitted.pixelSize() >= forms::kCaptionMinimumPx);
                QVERIFY(fitted.pixelSize() <= field->font().pixelSize());
                const int room = field->contentsRect().width();
                QVERIFY2(QFontMetrics(fitted).horizontalAdvance(caption) <= room,
                         qPrintable(caption));
                // The largest size that fits: one pixel more would not, once the few pixels a
                // framed label keeps clear at each end are left out.
                if (fitted.pixelSize() < field->font().pixelSize()) {
                    QFont larger = fitted;
                    larger.setPixelSize(fitted.pixelSize() + 1);
                    QVERIFY(QFontMetrics(larger).horizontalAdvance(caption) > room - 8);
                }
                // What is drawn: the ink ends before the right border, with room to spare, so
                // nothing runs under it.
                const QImage image = field->grab().toImage();
                const qreal ratio = image.devicePixelRatio();
                const QRect inside(field->contentsRect().topLeft() * ratio,
                                   field->contentsRect().size() * ratio);
                const QRgb background = field->palette().color(QPalette::Window).rgb();
                const int ink = lastInkColumn(image, inside, background);
                QVERIFY2(ink > inside.left(), "the caption was not drawn");
                QVERIFY2(
                    ink < inside.right() - qRound(ratio),
                    qPrintable(u"%1: ink to column %2 of %3, %4 px wide at %5 px"_qs.arg(caption)
                                   .arg(ink)
                                   .arg(inside.right())
                                   .arg(QFontMetrics(fitted).horizontalAdvance(caption))
                                   .arg(fitted.pixelSize())));
            }
        });
    }

    // A short caption keeps the designed font.
    void aShortCaptionKeepsItsSize() {
        Harness h;
        h.memory.status = {8'000'000'000, 3'000'000'000, 2'000'000'000};
        h.startUp();
        h.withAbout([&](Form3& about) {
            Harness::tick(about);
            auto* field = qobject_cast<forms::CaptionLabel*>(about.control("Label3"));
            QCOMPARE(field->fittedFont().pixelSize(), field->font().pixelSize());
        });
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
