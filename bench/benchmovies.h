#pragma once

#include <QString>

namespace bench {

struct MovieSize
{
    int ancho;
    int alto;
    int cuadros;
};

// Writes a plain movie of the given size at `path` whose frames look like
// ASCII art (smooth shapes drawn with a tone ramp), so that compression
// ratios are those of real movies, not of noise or of blank frames.
bool writePlainMovie(const QString& path, const MovieSize& size);

// A field of this process's /proc/self/status ("VmRSS:", "VmHWM:"), in KiB;
// -1 where it cannot be read.
long statusKb(const char* field);

} // namespace bench
