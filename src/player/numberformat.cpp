#include "numberformat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace orv::player {

QString numeroEspanol(double valor)
{
    // The C locale writes no grouping and a point, whatever the system says;
    // the point is the only thing to change.
    QString texto = QLocale::c().toString(valor, 'f', QLocale::FloatingPointShortest);
    texto.replace(QLatin1Char('.'), QLatin1Char(','));
    return texto;
}

bool leeNumeroEspanol(const QString& texto, double& valor)
{
    static const QRegularExpression forma(QStringLiteral("^([+-]?)([0-9]*)(?:([.,])([0-9]*))?$"));
    const QRegularExpressionMatch m = forma.match(texto.trimmed());
    if (!m.hasMatch())
        return false;
    const QString entera = m.captured(2);
    const QString marca = m.captured(3);
    const QString decimales = m.captured(4);
    if (entera.isEmpty() && decimales.isEmpty())
        return false;
    const bool pareceMillares = marca == QLatin1String(".") && decimales.size() == 3 &&
                                entera.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (pareceMillares)
        return false;
    bool leido = false;
    const double numero = QLocale::c().toDouble(
        m.captured(1) + (entera.isEmpty() ? QStringLiteral("0") : entera) + QLatin1Char('.') +
            (decimales.isEmpty() ? QStringLiteral("0") : decimales),
        &leido);
    if (!leido || !std::isfinite(numero))
        return false;
    valor = numero;
    return true;
}

} // namespace orv::player
