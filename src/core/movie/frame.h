#pragma once

#include "movie.h"

#include <QByteArray>

namespace orv {

// Builds frame i for display: `alto` rows of `ancho` characters taken from the
// frame line, CR LF between rows and none after the last. A short line gives
// short or empty rows; an index with no frame gives empty rows. Never fails.
QByteArray armaCuadro(const Movie& movie, int i);

} // namespace orv
