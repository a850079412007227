#include "numberformat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace orv::player {

QString spanishNumber(double value)
{
    // The C locale writes no grouping and a point, whatever the system says;
    // the point is the only thing to change.
    QString text = QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

bool readSpanishNumber(const QString& text, double& value)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)([0-9]*)(?:([.,])([0-9]*))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const QString whole = m.captured(2);
    const QString mark = m.captured(3);
    const QString decimals = m.captured(4);
    if (whole.isEmpty() && decimals.isEmpty())
        return false;
    const bool looksLikeThousands = mark == QLatin1String(".") && decimals.size() == 3 &&
                                    whole.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (looksLikeThousands)
        return false;
    bool read = false;
    const double number = QLocale::c().toDouble(
        m.captured(1) + (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.') +
            (decimals.isEmpty() ? QStringLiteral("0") : decimals),
        &read);
    if (!read || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

} // namespace orv::player
