// Fake platform services: a clock the test moves by hand, memory figures it sets, a launcher and a
// message box that record what they were asked.
#pragma once

#include "platform/services.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velti::test {

// Starts at 7 December 2026 10:00:00 local time.
class FakeClock final : public Clock {
public:
    std::int64_t seconds = 46363 * kSecondsPerDay + 10 * 3600;
    Instant now() override { return instantFromSeconds(seconds); }
    void advance(std::int64_t by) { seconds += by; }
};

class FakeMemory final : public MemoryQuery {
public:
    MemoryStatus status{8'000'000'000, 3'000'000'000, 140'000'000'000'000};
    int queries = 0;
    // When set, the figures come from this query (a real one, say) instead of status.
    MemoryQuery* forwardTo = nullptr;
    MemoryStatus query() override {
        ++queries;
        return forwardTo != nullptr ? forwardTo->query() : status;
    }
};

class FakeLauncher final : public ProgramLauncher {
public:
    struct Call {
        QString commandLine;
        int windowStyle;
    };
    std::vector<Call> calls;
    bool fail = false;
    // When set, every call is recorded and then handed to this launcher (a real one, say),
    // whose answer or error is the fake's own.
    ProgramLauncher* forwardTo = nullptr;
    std::optional<qint64> start(const QString& commandLine, int windowStyle) override {
        calls.push_back({commandLine, windowStyle});
        if (forwardTo != nullptr)
            return forwardTo->start(commandLine, windowStyle);
        if (fail)
            return std::nullopt;
        return 4242;
    }
};

class FakeMsgBox final : public MsgBox {
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
        QWidget* owner;
    };
    std::vector<Shown> shown;
    // Runs while the box is "open", as the real box goes on delivering events.
    std::function<void()> whileShown;
    int show(const QString& prompt, int style, const QString& title, QWidget* owner) override {
        shown.push_back({prompt, style, title, owner});
        if (whileShown)
            whileShown();
        return 1;
    }
};

} // namespace velti::test
