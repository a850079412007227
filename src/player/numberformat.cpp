#include "numberformat.h"

#include <QLocale>
#include <cmath>

namespace orv::player {
namespace {

QLocale formato()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QString numeroLocal(double valor)
{
    return formato().toString(valor, 'f', QLocale::FloatingPointShortest);
}

bool leeNumeroLocal(const QString& texto, double& valor)
{
    bool esNumero = false;
    const double leido = QLocale().toDouble(texto.trimmed(), &esNumero);
    if (!esNumero || !std::isfinite(leido))
        return false;
    valor = leido;
    return true;
}

} // namespace orv::player
