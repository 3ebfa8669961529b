// The run-time errors a handler may end with, by number and message.
#include "core/runtime_error.h"

#include <limits>

namespace velti {

RuntimeError::RuntimeError(int number, QString message)
    : number_(number), message_(std::move(message)),
      what_(QStringLiteral("%1: %2").arg(number_).arg(message_).toStdString()) {}

RuntimeError RuntimeError::overflow() {
    return {6, QStringLiteral("Overflow")};
}

RuntimeError RuntimeError::invalidCall() {
    return {5, QStringLiteral("Chiamata di routine o argomento non validi")};
}

RuntimeError RuntimeError::fileNotFound() {
    return {53, QStringLiteral("Impossibile trovare il file")};
}

RuntimeError RuntimeError::noSuchElement(int index) {
    return {340, QStringLiteral("L'elemento %1 della matrice di controlli non esiste").arg(index)};
}

RuntimeError RuntimeError::objectUnloaded() {
    return {364, QStringLiteral("Oggetto scaricato")};
}

RuntimeError RuntimeError::noSuchControl(const QString& name) {
    return {730, QStringLiteral("Impossibile trovare il controllo '%1'").arg(name)};
}

std::int16_t checkedInt16(long long value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw RuntimeError::overflow();
    return static_cast<std::int16_t>(value);
}

std::int16_t checkedAdd(std::int16_t value, int addend) {
    return checkedInt16(static_cast<long long>(value) + addend);
}

} // namespace velti
