#include "numeric.h"

#include <QStringList>

#include <cmath>
#include <limits>
#include <string>

namespace orv {
namespace {

bool ignorable(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// The characters that count, with the ignorable ones already dropped.
std::string significant(QStringView text)
{
    std::string s;
    s.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        if (ignorable(c))
            continue;
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x01');
    }
    return s;
}

constexpr double kOverflow = std::numeric_limits<double>::infinity();

double radixValue(const std::string& s, std::size_t pos, int radix, double overflow)
{
    // Up to the first character that is not a digit of the radix. Like the
    // classic &H/&O literals, 16-bit and 32-bit patterns read as signed.
    std::uint64_t v = 0;
    std::size_t digits = 0;
    for (; pos < s.size(); ++pos, ++digits) {
        int d;
        const char c = s[pos];
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        if (d >= radix)
            break;
        v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            return overflow;
    }
    if (digits == 0)
        return 0;
    if (v <= 0xFFFF)
        return static_cast<double>(static_cast<std::int16_t>(v));
    return static_cast<double>(static_cast<std::int32_t>(v));
}

// `overflow` is what a number too large to hold gives.
double value(QStringView text, double overflow)
{
    const std::string s = significant(text);
    std::size_t pos = 0;
    if (s.size() >= 2 && s[0] == '&') {
        const char p = static_cast<char>(s[1] | 0x20);
        if (p == 'h')
            return radixValue(s, 2, 16, overflow);
        if (p == 'o')
            return radixValue(s, 2, 8, overflow);
    }
    std::string number;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        number.push_back(s[pos++]);
    bool anyDigit = false;
    bool point = false;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            number.push_back(c);
        } else if (c == '.' && !point) {
            point = true;
            number.push_back(c);
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;
    // An exponent counts only when digits follow it ("2e" is 2).
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E' || s[pos] == 'd' || s[pos] == 'D')) {
        std::size_t q = pos + 1;
        std::string exponent = "e";
        if (q < s.size() && (s[q] == '+' || s[q] == '-'))
            exponent.push_back(s[q++]);
        std::size_t start = q;
        while (q < s.size() && s[q] >= '0' && s[q] <= '9')
            exponent.push_back(s[q++]);
        if (q > start)
            number += exponent;
    }
    const double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) ? v : std::copysign(overflow, v);
}

} // namespace

double numericValue(QStringView text)
{
    return value(text, 0);
}

double numericValueOrOverflow(QStringView text)
{
    return value(text, kOverflow);
}

namespace {

// A whole-valued double as int64: NaN gives 0, values past the range saturate.
std::int64_t toInt64(double whole)
{
    if (std::isnan(whole))
        return 0;
    constexpr double lim = 9.2e18;
    if (whole >= lim)
        return std::numeric_limits<std::int64_t>::max();
    if (whole <= -lim)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(whole);
}

} // namespace

std::int64_t roundHalfEven(double value)
{
    return toInt64(std::nearbyint(value)); // the default rounding mode: ties to even
}

std::int64_t wholePart(double value) { return toInt64(std::trunc(value)); }

std::optional<double> readTime(const QString& text)
{
    double total = 0;
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() > 3)
        return std::nullopt;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const double v = parts[i].toDouble(&ok);
        // Only the last part may have a fraction, and none may pass 59
        // after the first.
        if (!ok || v < 0 || std::isinf(v) || (i + 1 < parts.size() && v != std::floor(v)) ||
            (i > 0 && v >= 60))
            return std::nullopt;
        total = total * 60 + v;
    }
    return total;
}

} // namespace orv
