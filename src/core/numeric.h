#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <cstdint>

namespace orv {

// The numeric value of a text, the way every box, setting and command-line
// piece of the suite is read: spaces, tabs and line feeds are ignored wherever
// they stand; an optional sign, digits with at most one decimal point and an
// optional exponent are read up to the first other character; "&H" and "&O"
// introduce hexadecimal and octal digits; a text that starts with no number
// gives 0. "3abc" gives 3, "1 2" gives 12, "" gives 0.
double numericValue(QStringView text);
// The same, but a number too large to hold (1e999, &H1FFFFFFFF) comes back
// as an infinity of its sign instead of 0: for a count that must fail then.
double numericValueOrOverflow(QStringView text);

// Rounds to the nearest whole number, a tie going to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Values outside the int64 range saturate.
std::int64_t roundHalfEven(double value);

// The whole part of a value (truncation toward zero), saturated to int64.
std::int64_t wholePart(double value);

// True when the value fits a 16-bit signed field.
constexpr bool fitsInt16(std::int64_t v) { return v >= -32768 && v <= 32767; }

// A moment as people write it: seconds ("75", "2.5") or minutes and seconds
// ("1:15", "01:02:03.5"); nothing when it is neither.
std::optional<double> readTime(const QString& text);

} // namespace orv
