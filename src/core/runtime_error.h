// Run-time errors: a failed control operation ends the handler at that step.
#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace velti {

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString message);

    int number() const { return number_; }
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return what_.c_str(); }

    // The errors the window layer raises, with their numbers and Italian messages.
    static RuntimeError overflow();
    static RuntimeError invalidCall();
    static RuntimeError fileNotFound();
    static RuntimeError noSuchElement(int index);
    static RuntimeError objectUnloaded();
    static RuntimeError noSuchControl(const QString& name);

private:
    int number_;
    QString message_;
    std::string what_;
};

// Signed 16-bit arithmetic with an overflow test, for per-window integers: a result that does not
// fit raises the overflow error.
std::int16_t checkedInt16(long long value);
std::int16_t checkedAdd(std::int16_t value, int addend);

} // namespace velti
