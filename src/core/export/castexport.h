#pragma once

#include "exporting.h"

namespace orv {

// Writes an asciicast v2 recording: a header line with the movie's width and
// height, then one output event per frame at the time the Player would show
// it, each drawing every row at its place with cursor positioning and padding
// it to the full width, so a frame never shows what the one before left.
ExportResult exportCast(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error = nullptr);

} // namespace orv
