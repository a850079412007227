#pragma once

#include "exportacion.h"

#include <QFont>

namespace orv::render {

enum class FormatoVideo { Mp4, WebM };

// Writes the movie as a video: H.264 in MP4 (yuv420p, moov first so it
// plays while it downloads) or VP9 in WebM, through FFmpeg's libraries.
// Frames are drawn by the Player's cell renderer in `fuente` with the two
// colours of `opciones`, the picture padded to even sides with the
// background; each frame lasts the movie's pause exactly (times in
// milliseconds), and a run of frames that look alike is one longer frame.
// Written through the safe writer. Needs a QGuiApplication (fonts).
ResultadoExport exportaVideo(const Pelicula& pelicula, const QString& ruta, const QFont& fuente,
                             const OpcionesExport& opciones, FormatoVideo formato, QString* error = nullptr);

} // namespace orv::render
