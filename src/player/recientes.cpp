#include "recientes.h"

#include "playersettings.h"

#include <algorithm>

namespace orv::player {
namespace {

QString nombreReciente(int j)
{
    return QStringLiteral("Recientes") + QString::number(j);
}

} // namespace

QString captionReciente(int j, const QString& ruta)
{
    QString visible = ruta.size() < 41 ? QLatin1Char(' ') + ruta : QStringLiteral(" ...") + ruta.right(36);
    visible.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QLatin1Char('&') + QString::number(j) + visible;
}

QString rutaReciente(int j)
{
    return leeAjuste(nombreReciente(j));
}

QStringList rutasRecientes()
{
    QStringList rutas;
    const int n = numeroRecientes();
    for (int j = 1; j <= n; ++j)
        rutas.append(rutaReciente(j));
    return rutas;
}

void guardaReciente(const QString& ruta)
{
    const int n = numeroRecientes();
    const int m = maximoRecientes();
    guardaAjuste(QStringLiteral("NRecientes"), QString::number(std::min(n + 1, m)));
    for (int k = n; k >= 1; --k)
        guardaAjuste(nombreReciente(k + 1), rutaReciente(k));
    guardaAjuste(nombreReciente(1), ruta);
}

} // namespace orv::player
