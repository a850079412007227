#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace bench {

struct MovieSize
{
    int ancho;
    int alto;
    int cuadros;
};

// The three movies every benchmark measures; with --quick among `args`, the
// smallest only.
std::vector<MovieSize> movieSizes(const QStringList& args);

// Best of `runs` wall-clock timings of `work`, in seconds; `prepare`, when
// given, runs untimed before each.
double bestOf(int runs, const std::function<void()>& work,
              const std::function<void()>& prepare = {});

// Best of three runs of a shell command, in seconds; a command that fails
// is reported on standard error.
double shell(const QString& command);

// The peak memory of a shell command run once on its own, in KiB (-1 when
// it fails).
long peakKb(const QString& command);

// Writes a plain movie of the given size at `path` whose frames look like
// ASCII art (smooth shapes drawn with a tone ramp), so that compression
// ratios are those of real movies, not of noise or of blank frames.
bool writePlainMovie(const QString& path, const MovieSize& size);

// Writes a plain movie whose every cell is drawn at random from sixteen
// characters: what compresses worst.
bool writeNoiseMovie(const QString& path, const MovieSize& size);

// A field of this process's /proc/self/status ("VmRSS:", "VmHWM:"), in KiB;
// -1 where it cannot be read.
long statusKb(const char* field);

} // namespace bench
