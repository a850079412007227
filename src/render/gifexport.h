#pragma once

#include "exportacion.h"

#include <QFont>

namespace orv::render {

// The face the Player shows movies in, at `puntos` points, drawn without
// antialiasing so that a frame holds exactly two colours.
QFont fuenteGif(double puntos);

// Writes an animated GIF: one image per frame, drawn by the Player's cell
// renderer in `fuente` with the two colours of `opciones`, each shown for the
// movie's pause (in hundredths of a second, rounded, at least 2). Runs of
// identical frames become one image shown for the whole run. Every image
// after the first stores only the rectangle that changed, drawn over what
// the one before left. The GIF loops forever. Needs a QGuiApplication (fonts).
ResultadoExport exportaGif(const Pelicula& pelicula, const QString& ruta, const QFont& fuente,
                           const OpcionesExport& opciones, QString* error = nullptr);

// The delay in hundredths of a second for `cuadros` frames of `ms` each.
int retardoGif(int cuadros, int ms);

} // namespace orv::render
