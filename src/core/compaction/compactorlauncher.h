#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace orv {

// Starting the Compactor on a freshly written movie, shared by the Creator
// and the Converter. The Compactor writes its own program path into `Ruta`
// at every start; the writers only read it and start that program detached,
// with the movie's full path as its one argument, and learn nothing of the
// result.

// The full settings path of the Compactor's program path.
QString rutaCompactorClave();

enum class InicioCompactor {
    Iniciado,    // the Compactor was started
    NoEncontrado, // `Ruta` is missing or holds 2 characters or fewer
    NoResponde,   // `Ruta` names a program that could not be started
};

// Reads `Ruta` and starts the Compactor on the movie.
InicioCompactor iniciaCompactor(const QString& rutaPelicula);

// How a detached process is started: the program and its arguments; true when
// it started. Tests replace it so that nothing is launched.
using ArrancaProceso = std::function<bool(const QString& programa, const QStringList& argumentos)>;

// Installs another starter; an empty function restores QProcess::startDetached.
void setArrancaProceso(ArrancaProceso arranca);

} // namespace orv
