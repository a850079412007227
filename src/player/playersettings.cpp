#include "playersettings.h"

#include "numeric.h"
#include "settings.h"

#include <algorithm>

namespace orv::player {

QString rutareg()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\");
}

QString leeAjuste(const QString& nombre)
{
    return leeValor(rutareg() + nombre);
}

void guardaAjuste(const QString& nombre, const QString& valor)
{
    guardaValor(rutareg() + nombre, valor);
}

double valorAjuste(const QString& nombre)
{
    return numericValue(leeAjuste(nombre));
}

void guardaPredeterminados()
{
    guardaAjuste(QStringLiteral("TamanoFuente"), QStringLiteral("4"));
    guardaAjuste(QStringLiteral("ColorFondo"), QStringLiteral("16777215"));
    guardaAjuste(QStringLiteral("ColorLetras"), QStringLiteral("0"));
    guardaAjuste(QStringLiteral("Repetir"), QStringLiteral("0"));
    guardaAjuste(QStringLiteral("ReproIni"), QStringLiteral("0"));
    guardaAjuste(QStringLiteral("NRecientes"), QStringLiteral("0"));
    guardaAjuste(QStringLiteral("MRecientes"), QStringLiteral("10"));
}

int indiceFuenteGuardado()
{
    const double valor = valorAjuste(QStringLiteral("TamanoFuente"));
    const std::int64_t indice = wholePart(valor);
    if (indice < 0 || indice > 9)
        return kIndiceFuentePredeterminado;
    return static_cast<int>(indice);
}

QColor colorDeValor(qint64 bbggrr)
{
    return QColor(static_cast<int>(bbggrr & 0xff), static_cast<int>((bbggrr >> 8) & 0xff),
                  static_cast<int>((bbggrr >> 16) & 0xff));
}

qint64 valorDeColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (qint64(rgb.green()) << 8) | (qint64(rgb.blue()) << 16);
}

QColor colorGuardado(const QString& nombre, const QColor& porDefecto)
{
    // Strict on purpose: "abc" would read as 0, and a black background under
    // black letters is an unusable window.
    bool esNumero = false;
    const qlonglong valor = leeAjuste(nombre).trimmed().toLongLong(&esNumero);
    if (!esNumero || valor < 0 || valor > 0xffffff)
        return porDefecto;
    return colorDeValor(valor);
}

int maximoRecientes()
{
    const std::int64_t m = wholePart(valorAjuste(QStringLiteral("MRecientes")));
    if (m >= 1 && m <= kMaximoRecientes)
        return static_cast<int>(m);
    guardaAjuste(QStringLiteral("MRecientes"), QString::number(kMaximoRecientes));
    return kMaximoRecientes;
}

int numeroRecientes()
{
    const std::int64_t n = wholePart(valorAjuste(QStringLiteral("NRecientes")));
    return static_cast<int>(std::clamp<std::int64_t>(n, 0, kMaximoRecientes));
}

bool ocultaSplash()
{
    return wholePart(valorAjuste(QStringLiteral("SplashScreen"))) == 1;
}

} // namespace orv::player
