#pragma once

#include <QString>

class QWidget;

namespace orv::ui {

// The Creator's and the Converter's last step when "Comprimir
// automáticamente la película de salida." is checked: start the Compactor on
// the movie just written and, when it cannot be found or started, say so. The
// movie stays written either way. True when the Compactor was started.
bool comprimePelicula(QWidget* parent, const QString& rutaPelicula);

// The two messages, title "Error al comprimir la película", exclamation icon.
QString mensajeCompactorNoEncontrado();
QString mensajeCompactorNoResponde();

} // namespace orv::ui
