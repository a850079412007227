#pragma once

#include "exportacion.h"

namespace orv {

// Writes one self-contained web page that plays the movie: the frames sit in
// the page as a JSON array of text (with '<', '>' and '&' escaped, so no frame
// can end the script element or inject markup), shown with textContent in a
// <pre>, with play/stop, rewind, single steps, a position slider and repeat.
// The page loads nothing from anywhere: its content policy forbids it.
ResultadoExport exportaHtml(const Pelicula& pelicula, const QString& ruta,
                            const OpcionesExport& opciones, QString* error = nullptr);

} // namespace orv
