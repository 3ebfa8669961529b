// Faults from outside: a help viewer that is missing, not executable or gone at once, and memory
// figures that cannot be read. The user is told where the design says so, and the program goes on.
// (A control operation that fails inside a handler: tst_runtime_errors.)
#include "tests/support/harness.h"

#include "platform/launcher.h"
#include "platform/memory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velti;
using velti::test::Harness;

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
        QCOMPARE(test::stateOf(h->app.form1()), QStringLiteral("counting"));
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
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
