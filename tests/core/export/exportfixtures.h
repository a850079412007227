#pragma once

#include "movie.h"

#include <QByteArray>
#include <vector>

// Movies built in memory for the export tests: the header and frame lines as
// a plain file holds them, read back by the suite's own parser.
namespace exportfixtures {

orv::Movie movie(int ancho, int alto, double pausa, const std::vector<QByteArray>& frames);

// Frame i as the Player shows it: rows of the armaCuadro text, each padded
// with spaces to the movie's width.
std::vector<QByteArray> paddedRows(const orv::Movie& movie, int i);

} // namespace exportfixtures
