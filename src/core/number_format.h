// Whole numbers shown through a display pattern such as "##00" or "###,###,###".
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace velti {

// A pattern is made of digit places and an optional grouping mark: "0" is a place always shown,
// "#" a place shown only when the number needs it, and "," anywhere asks for the digits grouped by
// threes with the locale's grouping character. The places never limit the number of digits, and a
// number of 0 under a pattern without any "0" place gives empty text.
QString formatNumber(std::int64_t value, QStringView pattern, const QLocale& locale = QLocale());

// The same, for the full unsigned 64-bit range.
QString formatNumber(std::uint64_t value, QStringView pattern, const QLocale& locale = QLocale());

} // namespace velti
