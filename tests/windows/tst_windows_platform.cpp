// The real platform services on Windows: the memory figures from GlobalMemoryStatusEx and the
// help launch through CreateProcessW. A stand-in viewer (viewer_standin.cpp, built beside this
// suite) takes the place of winhlp32.exe and writes down how it was started.
#include "platform/launcher.h"
#include "platform/memory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

#include <windows.h>

using namespace velti;

namespace {

const QString helpCommand = QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02");

// Wine's ntdll exports its version; Windows' does not.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

QString standIn() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/viewer_standin.exe");
}

// What the stand-in wrote: its path, its command line, the flag and the window style.
QStringList readRecord(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// Sets an environment variable for the length of a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace

class TestWindowsPlatform : public QObject {
    Q_OBJECT

private slots:
    void memoryFiguresAreTheMachines() {
        SystemMemoryQuery query;
        const MemoryStatus status = query.query();
        QVERIFY(status.totalPhysical > 64ull * 1024 * 1024);
        QVERIFY(status.availablePhysical > 0);
        QVERIFY(status.availablePhysical <= status.totalPhysical);
        QVERIFY(status.availableVirtual > 0);
        // Taking memory shows in the next query: the figures are not cached.
        std::vector<char> block(256 * 1024 * 1024, 1);
        const MemoryStatus after = query.query();
        if (underWine())
            QEXPECT_FAIL("",
                         "Wine reports the same available address space whatever the process "
                         "takes",
                         Continue);
        QVERIFY2(after.availableVirtual + 200ull * 1024 * 1024 < status.availableVirtual,
                 qPrintable(QStringLiteral("%1 then %2")
                                .arg(status.availableVirtual)
                                .arg(after.availableVirtual)));
        QVERIFY(block.back() == 1);
    }

    void theViewerIsFoundOnThePathOnly() {
        QTemporaryDir bin;
        QTemporaryDir cwd;
        QVERIFY(bin.isValid() && cwd.isValid());
        const QString viewer = bin.filePath(QStringLiteral("winhlp32.exe"));
        QVERIFY(QFile::copy(standIn(), viewer));
        // One in the current directory too, which must never be started.
        QVERIFY(QFile::copy(standIn(), cwd.filePath(QStringLiteral("winhlp32.exe"))));
        const QString record = bin.filePath(QStringLiteral("record"));
        ScopedVariable recordTo("VELTI_VIEWER_RECORD", QDir::toNativeSeparators(record));

        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(cwd.path());
        SystemLauncher launcher;
        {
            // An empty entry and a relative one would both mean "here".
            ScopedVariable path("PATH",
                                QStringLiteral(";.;") + QDir::toNativeSeparators(bin.path()));
            QVERIFY(launcher.start(helpCommand, 1).value_or(0) > 0);
        }
        QTRY_COMPARE(readRecord(record).size(), 4);
        const QStringList seen = readRecord(record);
        QCOMPARE(QDir::fromNativeSeparators(seen[0]).toLower(),
                 QDir::fromNativeSeparators(viewer).toLower());
        // The viewer gets the command line as written, and a normal, activated window.
        QCOMPARE(seen[1], helpCommand);
        QCOMPARE(seen[2], QStringLiteral("show window"));
        QCOMPARE(seen[3], QStringLiteral("1"));

        {
            ScopedVariable path("PATH", QStringLiteral("C:\\nonexistent-velti-dir"));
            QVERIFY(!launcher.start(helpCommand, 1));
        }
        {
            ScopedVariable path("PATH", QString());
            QVERIFY(!launcher.start(helpCommand, 1));
        }
        {
            // A name with a folder in it is not searched for at all.
            ScopedVariable path("PATH", QDir::toNativeSeparators(bin.path()));
            QVERIFY(!launcher.start(QStringLiteral(".\\winhlp32.exe -I x"), 1));
        }
        QDir::setCurrent(oldCwd);
    }

    void theLauncherDoesNotWaitForTheViewer() {
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        QVERIFY(QFile::copy(standIn(), bin.filePath(QStringLiteral("winhlp32.exe"))));
        const QString record = bin.filePath(QStringLiteral("record"));
        const QString release = bin.filePath(QStringLiteral("release"));
        const QString finished = bin.filePath(QStringLiteral("finished"));
        ScopedVariable recordTo("VELTI_VIEWER_RECORD", QDir::toNativeSeparators(record));
        ScopedVariable releaseBy("VELTI_VIEWER_RELEASE", QDir::toNativeSeparators(release));
        ScopedVariable finishTo("VELTI_VIEWER_FINISHED", QDir::toNativeSeparators(finished));
        {
            ScopedVariable path("PATH", QDir::toNativeSeparators(bin.path()));
            SystemLauncher launcher;
            QVERIFY(launcher.start(helpCommand, 1));
        }
        // start returned while the viewer is still waiting to be let go.
        QVERIFY(!QFile::exists(finished));
        QTRY_COMPARE(readRecord(record).size(), 4);
        QFile releaseFile(release);
        QVERIFY(releaseFile.open(QIODevice::WriteOnly));
        releaseFile.close();
        QTRY_VERIFY(QFile::exists(finished));
    }
};

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "tst_windows_platform.moc"
