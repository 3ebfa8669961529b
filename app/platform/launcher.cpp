#include "app/platform/launcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace velti {

namespace {

// Only absolute PATH entries count: an empty or relative one would mean the current directory.
QString findOnPath(const QString& program) {
    if (program.isEmpty() || program.contains(u'/'))
        return {};
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

} // namespace velti
