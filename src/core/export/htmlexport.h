#pragma once

#include "exporting.h"

namespace orv {

// Writes one self-contained web page that plays the movie: the frames sit in
// the page as a JSON array of text (with '<', '>' and '&' escaped, so no frame
// can end the script element or inject markup), shown with textContent in a
// <pre>, with play/stop, rewind, single steps, a position slider and repeat.
// The page loads nothing from anywhere: its content policy forbids it.
ExportResult exportHtml(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error = nullptr);

} // namespace orv
