#pragma once

#include "exporting.h"

#include <QFont>

namespace orv::render {

// The face the Player shows movies in, at `points` points, drawn without
// antialiasing so that a frame holds exactly two colours.
QFont gifFont(double points);

// Writes an animated GIF: one image per frame, drawn by the Player's cell
// renderer in `font` with the two colours of `options`, each shown for the
// movie's pause (in hundredths of a second, rounded, at least 2). Runs of
// identical frames become one image shown for the whole run. Every image
// after the first stores only the rectangle that changed, drawn over what
// the one before left. The GIF loops forever. Needs a QGuiApplication (fonts).
ExportResult exportGif(const Movie& movie, const FileName& path, const QFont& font,
                       const ExportOptions& options, QString* error = nullptr);

// The delay in hundredths of a second for `cuadros` frames of `ms` each.
int gifDelay(int cuadros, int ms);

} // namespace orv::render
