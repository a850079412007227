#include "compactorlauncher.h"

#include "settings.h"

#include <QProcess>

namespace orv {
namespace {

bool arrancaDesacoplado(const QString& programa, const QStringList& argumentos)
{
    return QProcess::startDetached(programa, argumentos);
}

ArrancaProceso& arrancador()
{
    static ArrancaProceso actual = arrancaDesacoplado;
    return actual;
}

} // namespace

QString rutaCompactorClave()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\Ruta");
}

InicioCompactor iniciaCompactor(const QString& rutaPelicula)
{
    const QString ruta = leeValor(rutaCompactorClave());
    if (ruta.size() <= 2)
        return InicioCompactor::NoEncontrado;
    // The path goes as one argument, so a movie path with spaces arrives
    // whole; the Compactor joins its arguments with single spaces anyway.
    return arrancador()(ruta, {rutaPelicula}) ? InicioCompactor::Iniciado
                                              : InicioCompactor::NoResponde;
}

void setArrancaProceso(ArrancaProceso arranca)
{
    arrancador() = arranca ? std::move(arranca) : ArrancaProceso(arrancaDesacoplado);
}

} // namespace orv
