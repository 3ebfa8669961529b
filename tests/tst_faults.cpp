// Faults from outside and inside: a help viewer that is missing, not executable or gone at once;
// memory figures that cannot be read; and a control operation that fails in every kind of
// handler. The user is told, the failed handler stops at its step, and the program goes on.
#include "tests/support/harness.h"
#include "tests/support/probe.h"

#include "core/runtime_error.h"
#include "platform/launcher.h"
#include "platform/memory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velti;
using velti::test::Failure;
using velti::test::Harness;
using velti::test::Probe;

namespace {

const QString viewerMissing = QStringLiteral(
    "Impossibile trovare Winhlp32.exe; controllare di averlo installato assieme a Windows e di "
    "non averlo rimosso!");

void writeFile(const QString& path, const QByteArray& body, QFileDevice::Permissions permissions) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

// The PATH for one test, given back afterwards.
class PathFor {
public:
    explicit PathFor(const QString& directory) : saved_(qgetenv("PATH")) {
        qputenv("PATH", directory.toUtf8());
    }
    ~PathFor() { qputenv("PATH", saved_); }
    PathFor(const PathFor&) = delete;
    PathFor& operator=(const PathFor&) = delete;

private:
    QByteArray saved_;
};

struct Expected {
    const char* name;
    Failure failure;
    const char* prompt;
};

const Expected failures[] = {
    {"invalid call", Failure::InvalidCall,
     "Errore di run-time '5':\n\nChiamata di routine o argomento non validi"},
    {"no such element", Failure::NoSuchElement,
     "Errore di run-time '340':\n\nL'elemento 7 della matrice di controlli non esiste"},
    {"overflow", Failure::Overflow, "Errore di run-time '6':\n\nOverflow"},
    {"no such control", Failure::NoSuchControl,
     "Errore di run-time '730':\n\nImpossibile trovare il controllo 'Label9'"},
    {"unloaded window", Failure::Unloaded, "Errore di run-time '364':\n\nOggetto scaricato"},
};

QString labelText(forms::Form& form, const char* name, int index = -1) {
    return Harness::label(form, name, index)->text();
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

    // The About window's "&Crediti", pressed by mouse and by its key, with the real launcher.
    void pressCreditsTwice(int boxesEach) {
        SystemLauncher real;
        h->launcher.forwardTo = &real;
        h->withAbout([&](Form3& about) {
            Harness::click(about, "Command2");
            QCOMPARE(h->msgBox.shown.size(), std::size_t(boxesEach));
            Harness::altKey(about, Qt::Key_C);
            QCOMPARE(h->msgBox.shown.size(), std::size_t(2 * boxesEach));
            for (const auto& box : h->msgBox.shown) {
                QCOMPARE(box.prompt, viewerMissing);
                QCOMPARE(box.style, 16);
                QCOMPARE(box.title, QStringLiteral("Appunti"));
            }
            // The About window stays, and still answers.
            QVERIFY(about.isLoaded());
            Harness::tick(about);
            QCOMPARE(labelText(about, "Label1", 1), QStringLiteral("Q"));
            Harness::altKey(about, Qt::Key_M);
            QVERIFY(!Harness::button(about, "Command3")->isEnabled());
        });
        h->launcher.forwardTo = nullptr;
        QCOMPARE(h->launcher.calls.size(), std::size_t{2});
        QVERIFY(!h->app.form3().isLoaded());
        // The stopwatch goes on.
        Harness::click(h->app.form1(), "Command1");
        QCOMPARE(labelText(h->app.form1(), "Label2"), QStringLiteral("Conteggio..."));
    }

    void showMemoryWith(SystemMemoryQuery& query, const std::function<void(Form3&)>& check) {
        h->memory.forwardTo = &query;
        h->withAbout([&](Form3& about) {
            Harness::tick(about);
            check(about);
            // Ticks go on, the notice goes on being typed.
            Harness::tick(about, 2);
            QCOMPARE(labelText(about, "Label1", 1), QStringLiteral("Que"));
            QVERIFY(h->msgBox.shown.empty());
        });
        h->memory.forwardTo = nullptr;
    }

private slots:
    void initTestCase() { test::initialiseLayer(); }
    void init() {
        h = std::make_unique<Harness>(test::quietTimers);
        h->startUp();
    }
    void cleanup() { h.reset(); }

    // --- The help viewer.

    void viewerMissingFromThePath() {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        PathFor path(empty.path());
        pressCreditsTwice(1);
    }

    void viewerPresentButNotExecutable() {
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QString marker = bin.filePath(QStringLiteral("ran"));
        writeFile(bin.filePath(QStringLiteral("winhlp32.exe")),
                  "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n",
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        PathFor path(bin.path());
        pressCreditsTwice(1);
        QTest::qWait(100);
        QVERIFY(!QFile::exists(marker));
    }

    void viewerThatEndsAtOnce_data() {
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("success") << QByteArray("0");
        QTest::newRow("failure") << QByteArray("3");
    }
    void viewerThatEndsAtOnce() {
        QFETCH(QByteArray, status);
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QString marker = bin.filePath(QStringLiteral("runs"));
        writeFile(bin.filePath(QStringLiteral("winhlp32.exe")),
                  "#!/bin/sh\necho run >> '" + marker.toUtf8() + "'\nexit " + status + "\n",
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        PathFor path(bin.path());
        // Started and gone: no message, the window stays, and every press starts it again.
        pressCreditsTwice(0);
        const auto runs = [&] {
            QFile file(marker);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count("run\n") : 0;
        };
        QTRY_COMPARE(runs(), 2);
    }

    // --- The memory figures.

    void memoryFiguresUnreadable_data() {
        QTest::addColumn<QString>("meminfo");
        QTest::addColumn<QString>("statm");
        QTest::newRow("both missing") << "/nonexistent-velti/meminfo"
                                      << "/nonexistent-velti/statm";
        QTest::newRow("directories") << "/proc/self"
                                     << "/";
        QTest::newRow("meminfo missing") << "/nonexistent-velti/meminfo"
                                         << "/proc/self/statm";
        QTest::newRow("statm missing") << "/proc/meminfo"
                                       << "/nonexistent-velti/statm";
    }
    void memoryFiguresUnreadable() {
        QFETCH(QString, meminfo);
        QFETCH(QString, statm);
        SystemMemoryQuery query(meminfo.toStdString(), statm.toStdString());
        const bool physical = meminfo == u"/proc/meminfo";
        const bool virtualFigure = statm == u"/proc/self/statm";
        showMemoryWith(query, [&](Form3& about) {
            const QString total = labelText(about, "Label3");
            const QString available = labelText(about, "Label4");
            const QString free = labelText(about, "Label8");
            QCOMPARE(total == QStringLiteral(" Memoria fisica totale:   bytes"), !physical);
            QCOMPARE(available == QStringLiteral(" Memoria fisica disponibile:   bytes"),
                     !physical);
            QCOMPARE(free == QStringLiteral(" Memoria virtuale disponibile:  bytes"),
                     !virtualFigure);
            // A readable file still gives digits.
            QCOMPARE(total.contains(QRegularExpression(QStringLiteral("\\d bytes$"))), physical);
            QCOMPARE(free.contains(QRegularExpression(QStringLiteral("\\d bytes$"))),
                     virtualFigure);
        });
    }

    void memoryFilesEmptyOrForeign_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<QByteArray>("statm");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("foreign") << QByteArray("Nothing: here\n") << QByteArray("nonsense\n");
    }
    void memoryFilesEmptyOrForeign() {
        QFETCH(QByteArray, meminfo);
        QFETCH(QByteArray, statm);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        writeFile(dir.filePath(QStringLiteral("meminfo")), meminfo, permissions);
        writeFile(dir.filePath(QStringLiteral("statm")), statm, permissions);
        SystemMemoryQuery query(dir.filePath(QStringLiteral("meminfo")).toStdString(),
                                dir.filePath(QStringLiteral("statm")).toStdString());
        const MemoryStatus status = query.query();
        QCOMPARE(status.totalPhysical, std::uint64_t{0});
        QCOMPARE(status.availablePhysical, std::uint64_t{0});
        // Without a figure of the pages in use, no figure of what is left is shown either.
        showMemoryWith(query, [&](Form3& about) {
            QCOMPARE(labelText(about, "Label3"), QStringLiteral(" Memoria fisica totale:   bytes"));
            QCOMPARE(labelText(about, "Label4"),
                     QStringLiteral(" Memoria fisica disponibile:   bytes"));
            QCOMPARE(labelText(about, "Label8"),
                     QStringLiteral(" Memoria virtuale disponibile:  bytes"));
        });
    }

    void memoryFileReadableAgainLater() {
        // The file is missing at the first tick and there by the next: the same query, asked
        // again, opens it then and the figures come back.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString meminfo = dir.filePath(QStringLiteral("meminfo"));
        const QString statm = dir.filePath(QStringLiteral("statm"));
        SystemMemoryQuery query(meminfo.toStdString(), statm.toStdString());
        h->memory.forwardTo = &query;
        h->withAbout([&](Form3& about) {
            Harness::tick(about);
            QCOMPARE(labelText(about, "Label3"), QStringLiteral(" Memoria fisica totale:   bytes"));
            QCOMPARE(labelText(about, "Label8"),
                     QStringLiteral(" Memoria virtuale disponibile:  bytes"));
            const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
            writeFile(meminfo, "MemTotal:       2048 kB\nMemAvailable:   1024 kB\n", permissions);
            Harness::tick(about);
            QCOMPARE(labelText(about, "Label3"),
                     QStringLiteral(" Memoria fisica totale:  2,097,152 bytes"));
            QCOMPARE(labelText(about, "Label4"),
                     QStringLiteral(" Memoria fisica disponibile:  1,048,576 bytes"));
            QCOMPARE(labelText(about, "Label8"),
                     QStringLiteral(" Memoria virtuale disponibile:  bytes"));
            // The other file comes later still, and is picked up in its turn.
            writeFile(statm, "1\n", permissions);
            Harness::tick(about);
            QVERIFY(labelText(about, "Label8")
                        .contains(QRegularExpression(
                            QStringLiteral("^ Memoria virtuale disponibile: \\d.*\\d bytes$"))));
            QCOMPARE(labelText(about, "Label3"),
                     QStringLiteral(" Memoria fisica totale:  2,097,152 bytes"));
        });
        h->memory.forwardTo = nullptr;
    }

    // --- A failing control operation in every kind of handler.

    void failureInLoad_data() {
        QTest::addColumn<int>("which");
        for (int i = 0; i < int(std::size(failures)); ++i)
            QTest::newRow(failures[i].name) << i;
    }
    void failureInLoad() {
        QFETCH(int, which);
        const Expected& e = failures[which];
        Probe other(h->app.context());
        forms::Label otherLabel{other, "Label2"};
        Probe probe(h->app.context(), {.load = e.failure});
        probe.elsewhere = &otherLabel;
        probe.show();
        QVERIFY(probe.isLoaded());
        QCOMPARE(h->msgBox.shown.size(), std::size_t{1});
        QCOMPARE(h->msgBox.shown[0].prompt, QString::fromUtf8(e.prompt));
        QCOMPARE(h->msgBox.shown[0].style, 16);
        QCOMPARE(h->msgBox.shown[0].title, QStringLiteral("Vantelsiro"));
        // The steps before the failure stay done, the ones after it never ran.
        QVERIFY(!Harness::button(probe, "Command3")->isEnabled());
        QCOMPARE(labelText(probe, "Label1", 0), QStringLiteral("caricato"));
        QCOMPARE(labelText(probe, "Label2"), QString());
        QCOMPARE(probe.afterLoad, 0);
        // The window was shown and takes input.
        QVERIFY(probe.window()->isVisible());
        Harness::click(probe, "Command2");
        QCOMPARE(labelText(probe, "Label2"), QStringLiteral("bene 1"));
        QCOMPARE(h->msgBox.shown.size(), std::size_t{1});
        probe.unload();
    }

    void failureInClick_data() { failureInLoad_data(); }
    void failureInClick() {
        QFETCH(int, which);
        const Expected& e = failures[which];
        Probe other(h->app.context());
        forms::Label otherLabel{other, "Label2"};
        Probe probe(h->app.context(), {.click = e.failure});
        probe.elsewhere = &otherLabel;
        probe.show();
        QVERIFY(h->msgBox.shown.empty());
        QCOMPARE(probe.afterLoad, 1);
        QCOMPARE(labelText(probe, "Label2"), QStringLiteral("caricato fino in fondo"));
        for (int press = 1; press <= 2; ++press) {
            if (press == 1)
                Harness::click(probe, "Command1");
            else
                Harness::altKey(probe, Qt::Key_P);
            QCOMPARE(h->msgBox.shown.size(), std::size_t(press));
            QCOMPARE(h->msgBox.shown.back().prompt, QString::fromUtf8(e.prompt));
            QCOMPARE(labelText(probe, "Label1", 0), QStringLiteral("cliccato"));
            // What the earlier handler wrote is still there.
            QCOMPARE(labelText(probe, "Label2"), QStringLiteral("caricato fino in fondo"));
            QCOMPARE(probe.afterClick, 0);
        }
        Harness::altKey(probe, Qt::Key_B);
        QCOMPARE(labelText(probe, "Label2"), QStringLiteral("bene 1"));
        QCOMPARE(h->msgBox.shown.size(), std::size_t{2});
        // The stopwatch behind it goes on too.
        Harness::click(h->app.form1(), "Command1");
        QCOMPARE(labelText(h->app.form1(), "Label2"), QStringLiteral("Conteggio..."));
        probe.unload();
    }

    void failureInTimer_data() { failureInLoad_data(); }
    void failureInTimer() {
        QFETCH(int, which);
        const Expected& e = failures[which];
        Probe other(h->app.context());
        forms::Label otherLabel{other, "Label2"};
        Probe probe(h->app.context(), {.timer = e.failure});
        probe.elsewhere = &otherLabel;
        probe.show();
        Harness::tick(probe, 3);
        // Each tick fails on its own and is reported on its own; the timer keeps running.
        QCOMPARE(h->msgBox.shown.size(), std::size_t{3});
        for (const auto& box : h->msgBox.shown)
            QCOMPARE(box.prompt, QString::fromUtf8(e.prompt));
        QVERIFY(Harness::timer(probe)->isEnabled());
        QCOMPARE(labelText(probe, "Label1", 0), QStringLiteral("tic"));
        QCOMPARE(labelText(probe, "Label2"), QStringLiteral("caricato fino in fondo"));
        QCOMPARE(probe.afterTimer, 0);
        Harness::click(probe, "Command2");
        QCOMPARE(labelText(probe, "Label2"), QStringLiteral("bene 1"));
        probe.unload();
    }

    void failureInUnload_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<bool>("cancelled");
        for (int i = 0; i < int(std::size(failures)); ++i) {
            QTest::addRow("%s, going", failures[i].name) << i << false;
            QTest::addRow("%s, cancelled first", failures[i].name) << i << true;
        }
    }
    void failureInUnload() {
        QFETCH(int, which);
        QFETCH(bool, cancelled);
        const Expected& e = failures[which];
        Probe other(h->app.context());
        forms::Label otherLabel{other, "Label2"};
        Probe probe(h->app.context(), {.unload = e.failure});
        probe.elsewhere = &otherLabel;
        probe.cancelBeforeFailure = cancelled ? 1 : 0;
        probe.show();
        const int loaded = h->app.context().loadedWindows();
        QPointer<QWidget> window = probe.window();
        // Closed by its close box, as a user would.
        window->close();
        QCOMPARE(h->msgBox.shown.size(), std::size_t{1});
        QCOMPARE(h->msgBox.shown[0].prompt, QString::fromUtf8(e.prompt));
        QCOMPARE(probe.afterUnload, 0);
        // The cancel set before the failure holds; the one after it was never reached.
        QCOMPARE(probe.isLoaded(), cancelled);
        QCOMPARE(h->app.context().loadedWindows(), cancelled ? loaded : loaded - 1);
        QCOMPARE(h->allUnloaded, 0);
        if (cancelled) {
            QCOMPARE(labelText(probe, "Label1", 0), QStringLiteral("chiusura"));
            Harness::click(probe, "Command2");
            QCOMPARE(labelText(probe, "Label2"), QStringLiteral("bene 1"));
            probe.cancelBeforeFailure = 0;
            probe.unload();
            QCOMPARE(h->msgBox.shown.size(), std::size_t{2});
            QVERIFY(!probe.isLoaded());
        }
        QTRY_VERIFY(window.isNull());
        // The program goes on: the stopwatch answers its keys once it is active again.
        QWidget* stopwatch = h->app.form1().window();
        stopwatch->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(stopwatch));
        Harness::altKey(h->app.form1(), Qt::Key_V);
        QCOMPARE(labelText(h->app.form1(), "Label2"), QStringLiteral("Conteggio..."));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
