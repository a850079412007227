#pragma once

#include "filename.h"

#include <QColor>
#include <QFont>

class QWidget;

namespace orv {
struct Movie;
}

namespace orv::viewer {

// "Exportar...", shared by the Player and the Editor: the Save dialog offers
// the movie's own name in its folder; the kind chosen there (GIF, page,
// asciicast, MP4, WebM) gives the extension; the pictures are drawn in
// `font` and the colours given. A long export shows its progress and can be
// cancelled; a failure is said.
void exportMovie(QWidget* parent, const Movie& movie, const FileName& named, const QFont& font,
                 const QColor& letters, const QColor& background);

} // namespace orv::viewer
