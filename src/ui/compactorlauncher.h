#pragma once

#include "filename.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace orv::ui {

// Starting the Compactor on a freshly written movie, shared by the Creator
// and the Converter. The Compactor writes its own program path into `Ruta`
// at every start; the writers only read it and start that program detached,
// with the movie's full path as its one argument, and learn nothing of the
// result. Before the Compactor's first start, `Ruta` is missing: the
// OrvCompactor beside the running program is started instead.

// The full settings path of the Compactor's program path.
QString compactorPathKey();

enum class CompactorStart {
    Started,       // the Compactor was started
    NotFound,      // `Ruta` is missing (or holds 2 characters or fewer) and no
                   // OrvCompactor stands beside the program
    NotResponding, // `Ruta` names a program that could not be started
};

// Reads `Ruta` and starts the Compactor on the movie.
CompactorStart startCompactor(const FileName& rutaPelicula);

// The OrvCompactor program in the running program's folder (or, in a build
// tree, in the Compactor's own folder beside it); empty when there is none.
QString compactorBesideProgram();

// How a detached process is started: the program and its arguments (names'
// bytes that are not UTF-8 as FileName::escapedText() writes them, and given
// to the program as those bytes); true when it started. Tests replace it so
// that nothing is launched.
using ProcessStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

// Another program of the suite (OrvEditor, say): the one in the running
// program's folder, or, in a build tree, in `buildFolder` beside it; empty
// when there is none.
QString suiteProgram(const QString& program, const QString& buildFolder);

// Starts a program detached through the current starter; true when it started.
bool startProgram(const QString& program, const QStringList& arguments);

// Installs another starter; an empty function restores QProcess::startDetached.
void setProcessStarter(ProcessStarter start);

// The Creator's and the Converter's last step when "Comprimir
// automáticamente la película de salida." is checked: start the Compactor on
// the movie just written and, when it cannot be found or started, say so. The
// movie stays written either way. True when the Compactor was started.
bool compressMovie(QWidget* parent, const FileName& rutaPelicula);

// The two messages, title "Error al comprimir la película", exclamation icon.
QString compactorNotFoundMessage();
QString compactorNotRespondingMessage();

} // namespace orv::ui
