// The real platform services: the memory figures and the program launcher.
#include "platform/launcher.h"
#include "platform/memory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace velti;

namespace {
const QString helpCommand = QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02");
}

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
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

    // A file put in the place of /proc/meminfo: a figure that is not a whole number of at most
    // 64 bits is no figure, as if the file could not be read; one past the first page is read.
    void memoryFiguresThatDoNotParse_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<quint64>("available");
        QTest::newRow("well formed")
            << QByteArray("MemTotal:  2048 kB\nMemAvailable: 1 kB\n") << 2'097'152ull << 1024ull;
        QTest::newRow("negative") << QByteArray("MemTotal: -5 kB\nMemAvailable: 7 kB\n") << 0ull
                                  << 7168ull;
        QTest::newRow("past 64 bits")
            << QByteArray("MemTotal: 18446744073709551616 kB\nMemAvailable: 3 kB\n") << 0ull
            << 3072ull;
        QTest::newRow("past 64 bits in bytes")
            << QByteArray("MemTotal: 18014398509481984 kB\nMemAvailable: 12x kB\n") << 0ull << 0ull;
        QTest::newRow("another key's tail")
            << QByteArray("HugeMemTotal: 9 kB\nMemAvailable:\n") << 0ull << 0ull;
        QTest::newRow("past the first page")
            << QByteArray("Hugepages-2048kB:   163 kB\n").repeated(160) + "MemTotal:  2048 kB\n" +
                   "MemAvailable: 1 kB\n"
            << 2'097'152ull << 1024ull;
    }
    void memoryFiguresThatDoNotParse() {
        QFETCH(QByteArray, meminfo);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("meminfo")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(meminfo) == meminfo.size());
        file.close();
        const MemoryStatus status =
            SystemMemoryQuery(file.fileName().toStdString(), "/proc/self/statm").query();
        QTEST(quint64(status.totalPhysical), "total");
        QTEST(quint64(status.availablePhysical), "available");
        QVERIFY(status.availableVirtual > 0);
    }

    // A FIFO in the place of the files is not read: a read would wait for ever for a writer.
    void aFifoIsNoFigureAndNoWait() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("meminfo")));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        SystemMemoryQuery query(fifo.toStdString(), fifo.toStdString());
        for (int i = 0; i < 2; ++i) {
            const MemoryStatus status = query.query();
            QCOMPARE(status.totalPhysical + status.availablePhysical + status.availableVirtual,
                     0ull);
        }
    }

    void theRealLauncherSearchesThePathOnly() {
        QTemporaryDir bin;
        QTemporaryDir cwd;
        QVERIFY(bin.isValid() && cwd.isValid());
        const QString record = bin.filePath(QStringLiteral("arguments"));
        auto writeScript = [](const QString& path, const QString& body) {
            QFile script(path);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(body.toUtf8());
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        };
        writeScript(bin.filePath(QStringLiteral("winhlp32.exe")),
                    "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "'\n");
        // One in the current directory too, which must never be started.
        writeScript(cwd.filePath(QStringLiteral("winhlp32.exe")), "#!/bin/sh\nexit 0\n");

        const QByteArray oldPath = qgetenv("PATH");
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        SystemLauncher launcher;
        qputenv("PATH", (":" + bin.path()).toUtf8()); // an empty entry would mean "here"
        QVERIFY(launcher.start(helpCommand, 1) > 0);
        const auto recorded = [&] {
            QFile arguments(record);
            return arguments.open(QIODevice::ReadOnly) ? QString::fromUtf8(arguments.readAll())
                                                       : QString();
        };
        QTRY_COMPARE(recorded(), QStringLiteral("-I\nHlp_Informazioni_suxxx\n-W\nHlpWnd02\n"));

        qputenv("PATH", "/nonexistent-velti-dir");
        QVERIFY(!launcher.start(helpCommand, 1));
        qputenv("PATH", oldPath);
        QDir::setCurrent(oldCwd);
    }

    void theLauncherDoesNotWaitForTheViewer() {
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QString started = bin.filePath(QStringLiteral("started"));
        const QString release = bin.filePath(QStringLiteral("release"));
        const QString finished = bin.filePath(QStringLiteral("finished"));
        // A viewer that stays open until the test lets it go.
        QFile script(bin.filePath(QStringLiteral("winhlp32.exe")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            QStringLiteral("#!/bin/sh\ntouch '%1'\nwhile [ ! -e '%2' ]; do sleep 0.05; done\n"
                           "touch '%3'\n")
                .arg(started, release, finished)
                .toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ":/usr/bin:/bin");
        SystemLauncher launcher;
        launcher.start(helpCommand, 1);
        qputenv("PATH", oldPath);
        // start returned while the viewer is still waiting to be let go.
        QVERIFY(!QFile::exists(finished));
        QTRY_VERIFY(QFile::exists(started));
        QFile releaseFile(release);
        QVERIFY(releaseFile.open(QIODevice::WriteOnly));
        QTRY_VERIFY(QFile::exists(finished));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
