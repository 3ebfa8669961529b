// Whole numbers through a display pattern.
#include "core/number_format.h"

#include <algorithm>

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

// The text is written once, from its last digit back to its first, into a string of the exact
// length: one allocation, whatever the pattern.
QString format(bool negative, std::uint64_t magnitude, QStringView patternText,
               const QLocale& locale) {
    const Pattern pattern = parse(patternText);
    if (magnitude == 0 && pattern.minimumDigits == 0)
        return {};
    char16_t digits[20]; // least significant first; 2^64 has 20 digits
    qsizetype count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const qsizetype width = std::max<qsizetype>(count, pattern.minimumDigits);
    // A separator between every three digits from the right, never before the first.
    QString separator;
    if (pattern.grouped && width > 3)
        separator = locale.groupSeparator();
    const qsizetype separators = separator.isEmpty() ? 0 : (width - 1) / 3;
    QString text((negative ? 1 : 0) + width + separators * separator.size(), Qt::Uninitialized);
    QChar* out = text.data() + text.size();
    for (qsizetype place = 0; place < width; ++place) {
        if (separators > 0 && place > 0 && place % 3 == 0) {
            out -= separator.size();
            std::copy(separator.cbegin(), separator.cend(), out);
        }
        *--out = place < count ? QChar(digits[place]) : QChar(u'0');
    }
    if (negative)
        *--out = u'-';
    return text;
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
