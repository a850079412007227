#pragma once

#include "exporting.h"

#include <QFont>

namespace orv::render {

enum class VideoFormat { Mp4, WebM };

// Writes the movie as a video: H.264 in MP4 (yuv420p, moov first so it
// plays while it downloads) or VP9 in WebM, through FFmpeg's libraries.
// Frames are drawn by the Player's cell renderer in `font` with the two
// colours of `options`, the picture padded to even sides with the
// background; each frame lasts the movie's pause exactly (times in
// milliseconds), and a run of frames that look alike is one longer frame.
// Written through the safe writer. Needs a QGuiApplication (fonts).
ExportResult exportVideo(const Movie& movie, const FileName& path, const QFont& font,
                         const ExportOptions& options, VideoFormat format,
                         QString* error = nullptr);

} // namespace orv::render
