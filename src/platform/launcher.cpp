// Starting another program: the help viewer.
#include "platform/launcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#endif

namespace velti {

namespace {

// Only absolute PATH entries count: an empty or relative one would mean the current directory.
QString findOnPath(const QString& program) {
    if (program.isEmpty() || program.contains(u'/'))
        return {};
#ifdef Q_OS_WIN
    // A drive or a folder in the name would bypass the search.
    if (program.contains(u'\\') || program.contains(u':'))
        return {};
#endif
    QStringList directories;
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& entry : path.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(entry))
            directories << entry;
    }
    if (directories.isEmpty())
        return {};
    return QStandardPaths::findExecutable(program, directories);
}

} // namespace

#ifdef Q_OS_WIN
std::optional<qint64> SystemLauncher::start(const QString& commandLine, int windowStyle) {
    const QStringList arguments = QProcess::splitCommand(commandLine);
    const QString executable = findOnPath(arguments.isEmpty() ? QString() : arguments.first());
    if (executable.isEmpty())
        return std::nullopt;
    // The program is named by its full path, so CreateProcessW does no search of its own (its
    // search would try the current directory first); the new program still gets the command
    // line exactly as written, and its window opens as the style asks.
    const std::wstring application = QDir::toNativeSeparators(executable).toStdWString();
    std::wstring line = commandLine.toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return std::nullopt;
    // Not waited for: the handles go at once, the program runs on by itself.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<qint64>(process.dwProcessId);
}
#else
std::optional<qint64> SystemLauncher::start(const QString& commandLine, int /*windowStyle*/) {
    // Every program opens its window normal and activated here; the style has nothing to change.
    QStringList arguments = QProcess::splitCommand(commandLine);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    const QString executable = findOnPath(program);
    qint64 pid = 0;
    if (executable.isEmpty() || !QProcess::startDetached(executable, arguments, QString(), &pid))
        return std::nullopt;
    return pid;
}
#endif

} // namespace velti
