#pragma once

#include "exporting.h"

namespace orv {

// Writes an asciicast v2 recording: a header line with the movie's width and
// height, then one output event per frame at the time the Player would show
// it. Each event writes, with cursor positioning, only the rows and columns
// that hold text, and erases what the frame before left around them, so a
// frame never shows what the one before left. A recording that would pass
// 1 GiB is refused before anything is written.
ExportResult exportCast(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error = nullptr);

} // namespace orv
