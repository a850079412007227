#pragma once

#include "movie.h"

#include <QtGlobal>

namespace orv {

class ByteSource;

// Reads a plain movie from a stream: the ten-value header, then exactly
// numCuadros frame lines, pulling no further than the last of them. The
// bytes held stay within `limit` (the header and the frame lines with their
// line ends); a movie that needs more is unreadable. CR LF, a lone CR and a
// lone LF each end a line. On success fills the header fields and frames of
// `out` (the file fields are left alone) and answers true; on false `out`
// is untouched.
//
// With `integer`, a source that can hand over all its data at once (an
// archive member) does so when the header shows the movie needs about all
// of it; otherwise, and without `integer`, it is read piece by piece.
bool readMovie(ByteSource& source, Movie& out, qint64 limit, bool integer = true);

// Whether the stream reads as a movie, by readMovie's rules, without
// keeping its frames: the header is held, the frame lines are only counted
// as they pass. Reads no further than the last frame line.
bool checkMovie(ByteSource& source);

} // namespace orv
