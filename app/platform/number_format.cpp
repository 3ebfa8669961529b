#include "number_format.h"

namespace velti {

namespace {

struct Pattern {
    int minimumDigits = 0;
    bool grouped = false;
};

Pattern parse(QStringView pattern) {
    Pattern parsed;
    for (const QChar c : pattern) {
        if (c == u'0')
            ++parsed.minimumDigits;
        else if (c == u',')
            parsed.grouped = true;
    }
    return parsed;
}

QString format(bool negative, std::uint64_t magnitude, QStringView patternText,
               const QLocale& locale) {
    const Pattern pattern = parse(patternText);
    if (magnitude == 0 && pattern.minimumDigits == 0)
        return {};
    QString digits = QString::number(magnitude);
    if (digits.size() < pattern.minimumDigits)
        digits.prepend(QString(pattern.minimumDigits - digits.size(), u'0'));
    if (pattern.grouped) {
        const QString separator = locale.groupSeparator();
        for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
            digits.insert(at, separator);
    }
    if (negative)
        digits.prepend(u'-');
    return digits;
}

} // namespace

QString formatNumber(std::int64_t value, QStringView pattern, const QLocale& locale) {
    const bool negative = value < 0;
    // Negate in unsigned arithmetic so the lowest value keeps its magnitude.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return format(negative, magnitude, pattern, locale);
}

QString formatNumber(std::uint64_t value, QStringView pattern, const QLocale& locale) {
    return format(false, value, pattern, locale);
}

} // namespace velti
