// Starting another program from a command line.
#pragma once

#include <QString>

#include <optional>

namespace velti {

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Starts the command line and returns at once, without waiting for the program; the window
    // style asks for the new program's window (1: normal, activated). Returns the new task's
    // identifier, or nothing when the program cannot be found or started.
    virtual std::optional<qint64> start(const QString& commandLine, int windowStyle) = 0;
};

// Finds the program on the PATH only, never in the current directory.
class SystemLauncher final : public ProgramLauncher {
public:
    std::optional<qint64> start(const QString& commandLine, int windowStyle) override;
};

} // namespace velti
