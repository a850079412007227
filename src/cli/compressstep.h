#pragma once

#include "cli.h"
#include "filename.h"

namespace orv::cli {

// `--compress` of the verbs that write movies: compresses the movie just
// written in place with the Compactor's engine. The movie stays written
// either way; a movie that could not be compressed is a failure of the
// command, with the engine's lines on standard error.
int compressWritten(const FileName& path, Io& io);

} // namespace orv::cli
