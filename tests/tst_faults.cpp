// The real platform services, and the About window over them when they fail: a help viewer that
// is missing, not executable, gone at once or left running, and memory figures that cannot be
// read or do not parse. The user is told where the design says so, and the program goes on.
// (A control operation that fails inside a handler: tst_runtime_errors.)
#include "tests/support/harness.h"

#include "platform/launcher.h"
#include "platform/memory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace velti;
using velti::test::Harness;

namespace {

const QString helpCommand = QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02");
const QString viewerMissing = QStringLiteral(
    "Impossibile trovare Winhlp32.exe; controllare di averlo installato assieme a Windows e di "
    "non averlo rimosso!");
// The arguments the viewer is started with, one a line, as a shell script writes them down.
const QByteArray helpArguments = "-I\nHlp_Informazioni_suxxx\n-W\nHlpWnd02\n";

void writeFile(const QString& path, const QByteArray& body, bool executable = false) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                (executable ? QFileDevice::ExeOwner : QFileDevice::Permissions())));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString labelText(QWidget& form, const char* name) {
    return Harness::label(form, name)->text();
}

} // namespace

class TestFaults : public test::StartedSuite {
    Q_OBJECT

private slots:
    // --- The help viewer, started by "&Crediti" through the real launcher, which searches the
    // PATH only: a viewer in the current directory is never started.

    void viewer_data() {
        // The viewer on the PATH (empty: none); it writes its arguments into @record@ and waits,
        // when it does, for @go@ to be there.
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<bool>("waits"); // until it is let go
        QTest::addColumn<int>("runs");
        const QString record = u"printf '%s\\n' \"$@\" >> '@record@'\n"_qs;
        QTest::newRow("missing from the PATH") << QString() << false << false << 0;
        QTest::newRow("present but not executable")
            << "#!/bin/sh\n" + record << false << false << 0;
        QTest::newRow("ending at once") << "#!/bin/sh\n" + record + "exit 0\n"
                                        << true << false << 2;
        QTest::newRow("failing at once") << "#!/bin/sh\n" + record + "exit 3\n"
                                         << true << false << 2;
        // Left running until the test lets it go, five seconds at most.
        const QString waitForGo = u"i=0\nwhile [ ! -e '@go@' ] && [ $i -lt 100 ]; do\n"
                                  u"    i=$((i + 1)); /bin/sleep 0.05\ndone\n"_qs;
        QTest::newRow("left running") << "#!/bin/sh\n" + waitForGo + record << true << true << 2;
    }
    void viewer() {
        QFETCH(QString, script);
        QFETCH(bool, executable);
        QFETCH(bool, waits);
        QFETCH(int, runs);
        QTemporaryDir bin, cwd;
        QVERIFY(bin.isValid() && cwd.isValid());
        const QString record = bin.filePath(QStringLiteral("arguments"));
        const QString go = bin.filePath(QStringLiteral("go"));
        if (!script.isEmpty())
            writeFile(
                bin.filePath(QStringLiteral("winhlp32.exe")),
                QString(script).replace(u"@record@"_qs, record).replace(u"@go@"_qs, go).toUtf8(),
                executable);
        writeFile(cwd.filePath(QStringLiteral("winhlp32.exe")), "#!/bin/sh\nexit 0\n", true);
        const QString oldCwd = QDir::currentPath();
        const QByteArray oldPath = qgetenv("PATH");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", oldPath);
            QDir::setCurrent(oldCwd);
        });
        QDir::setCurrent(cwd.path());
        qputenv("PATH", (":" + bin.path()).toUtf8()); // an empty entry would mean "here"

        // Pressed by mouse and by its key.
        const std::size_t boxes = runs == 0 ? 1 : 0;
        SystemLauncher real;
        h->launcher.forwardTo = &real;
        h->withAbout([&](Form3& about) {
            Harness::click(about, "Command2");
            QCOMPARE(h->msgBox.shown.size(), boxes);
            Harness::altKey(about, Qt::Key_C);
            QCOMPARE(h->msgBox.shown.size(), 2 * boxes);
            for (const auto& box : h->msgBox.shown) {
                QCOMPARE(box.prompt, viewerMissing);
                QCOMPARE(box.style, 16);
                QCOMPARE(box.title, QStringLiteral("Appunti"));
            }
            // The About window stays, and still answers.
            QVERIFY(about.isVisible());
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label1", 1)->text(), QStringLiteral("Q"));
            Harness::altKey(about, Qt::Key_M);
            QVERIFY(!Harness::button(about, "Command3")->isEnabled());
        });
        h->launcher.forwardTo = nullptr;
        QCOMPARE(h->launcher.calls.size(), std::size_t{2});
        for (const auto& call : h->launcher.calls) {
            QCOMPARE(call.commandLine, helpCommand);
            QCOMPARE(call.windowStyle, 1);
        }
        QVERIFY(h->about() == nullptr);
        // The stopwatch goes on.
        Harness::click(h->app.form1(), "Command1");
        QCOMPARE(test::stateOf(h->app.form1()), QStringLiteral("counting"));
        QTest::qWait(100);
        if (waits) // the presses came back while the viewer waits
            QCOMPARE(readFile(record), QByteArray());
        writeFile(go, {});
        QTRY_COMPARE(readFile(record), helpArguments.repeated(runs));
    }

    // --- The memory figures.

    void memoryFiguresAreTheMachines() {
        SystemMemoryQuery query;
        const MemoryStatus status = query.query();
        QVERIFY(status.totalPhysical > 64ull * 1024 * 1024);
        QVERIFY(status.availablePhysical > 0);
        QVERIFY(status.availablePhysical <= status.totalPhysical);
        QVERIFY(status.availableVirtual > 0);
        QVERIFY(status.availableVirtual < (1ull << 57));
        // Taking memory shows in the next query: the figures are not cached.
        std::vector<char> block(256 * 1024 * 1024, 1);
        const MemoryStatus after = query.query();
        QVERIFY(after.availableVirtual + 200ull * 1024 * 1024 < status.availableVirtual);
        QVERIFY(block.back() == 1);
    }

    void theAddressSpaceLimitCounts() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's shadow memory alone is larger than the limit");
#endif
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_AS, &saved), 0);
        const rlim_t limit = 64ull * 1024 * 1024 * 1024;
        if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < limit)
            QSKIP("the hard address-space limit is already lower");
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        QCOMPARE(setrlimit(RLIMIT_AS, &lowered), 0);
        const MemoryStatus status = SystemMemoryQuery().query();
        QCOMPARE(setrlimit(RLIMIT_AS, &saved), 0);
        QVERIFY(status.availableVirtual > 0);
        QVERIFY(status.availableVirtual < limit);
    }

    // Files put in the place of /proc/meminfo and /proc/self/statm, as the panel shows them. A
    // file that is missing, a folder, a FIFO (a read would wait for ever for a writer), empty or
    // foreign gives no figure; so does a figure that is not a whole number of at most 64 bits.
    // One past the first page is read. Without a figure of the pages in use, no figure of what is
    // left is shown either.
    void memoryFiles_data() {
        QTest::addColumn<QByteArray>("meminfo"); // null: missing; "<dir>", "<fifo>": one of those
        QTest::addColumn<QByteArray>("statm");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("available");
        QTest::addColumn<bool>("virtualFigure");
        const QByteArray used = "1\n";
        const QByteArray pages = QByteArray("Hugepages-2048kB:   163 kB\n").repeated(160);
        const struct {
            const char* name;
            QByteArray meminfo, statm;
            const char *total, *available;
        } rows[] = {
            // clang-format off
            {"both missing", {}, {}, "", ""},
            {"folders", "<dir>", "<dir>", "", ""},
            {"FIFOs", "<fifo>", "<fifo>", "", ""},
            {"meminfo missing", {}, used, "", ""},
            {"statm missing", "MemTotal:  2048 kB\nMemAvailable: 1 kB\n", {}, "2,097,152", "1,024"},
            {"empty", "", "", "", ""},
            {"foreign", "Nothing: here\n", "nonsense\n", "", ""},
            {"negative", "MemTotal: -5 kB\nMemAvailable: 7 kB\n", used, "", "7,168"},
            {"past 64 bits", "MemTotal: 18446744073709551616 kB\nMemAvailable: 3 kB\n", used, "", "3,072"},
            {"past 64 bits in bytes", "MemTotal: 18014398509481984 kB\nMemAvailable: 12x kB\n", used, "", ""},
            {"another key's tail", "HugeMemTotal: 9 kB\nMemAvailable:\n", used, "", ""},
            {"past the first page", pages + "MemTotal:  2048 kB\nMemAvailable: 1 kB\n", used, "2,097,152", "1,024"},
            // clang-format on
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << row.meminfo << row.statm << QString::fromLatin1(row.total)
                                    << QString::fromLatin1(row.available) << (row.statm == used);
    }
    void memoryFiles() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFETCH(QByteArray, meminfo);
        QFETCH(QByteArray, statm);
        for (const auto& [name, body] :
             {std::pair{"meminfo", meminfo}, std::pair{"statm", statm}}) {
            const QString path = dir.filePath(QLatin1String(name));
            if (body == "<dir>")
                QVERIFY(QDir(dir.path()).mkdir(QLatin1String(name)));
            else if (body == "<fifo>")
                QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else if (!body.isNull())
                writeFile(path, body);
        }
        QFETCH(QString, total);
        QFETCH(QString, available);
        QFETCH(bool, virtualFigure);
        SystemMemoryQuery query(dir.filePath(QStringLiteral("meminfo")).toStdString(),
                                dir.filePath(QStringLiteral("statm")).toStdString());
        h->memory.forwardTo = &query;
        const QRegularExpression aFigure(u"^ Memoria virtuale disponibile: \\d.*\\d bytes$"_qs);
        h->withAbout([&](Form3& about) {
            for (int tick = 0; tick < 2; ++tick) {
                Harness::tick(about);
                QCOMPARE(labelText(about, "Label3"),
                         " Memoria fisica totale:  " + total + " bytes");
                QCOMPARE(labelText(about, "Label4"),
                         " Memoria fisica disponibile:  " + available + " bytes");
                QCOMPARE(labelText(about, "Label8").contains(aFigure), virtualFigure);
                if (!virtualFigure)
                    QCOMPARE(labelText(about, "Label8"),
                             QStringLiteral(" Memoria virtuale disponibile:  bytes"));
            }
            // Ticks go on, the notice goes on being typed.
            QCOMPARE(Harness::label(about, "Label1", 1)->text(), QStringLiteral("Qu"));
            QVERIFY(h->msgBox.shown.empty());
            // A file missing until now is opened by the next query: its figures come in.
            if (meminfo.isNull())
                writeFile(dir.filePath(u"meminfo"_qs), "MemTotal: 2048 kB\nMemAvailable: 1 kB\n");
            if (statm.isNull())
                writeFile(dir.filePath(u"statm"_qs), "1\n");
            Harness::tick(about);
            QCOMPARE(labelText(about, "Label3"), u" Memoria fisica totale:  "_qs +
                                                     (meminfo.isNull() ? u"2,097,152"_qs : total) +
                                                     u" bytes"_qs);
            QCOMPARE(labelText(about, "Label4"), u" Memoria fisica disponibile:  "_qs +
                                                     (meminfo.isNull() ? u"1,024"_qs : available) +
                                                     u" bytes"_qs);
            QCOMPARE(labelText(about, "Label8").contains(aFigure), virtualFigure || statm.isNull());
        });
        h->memory.forwardTo = nullptr;
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
