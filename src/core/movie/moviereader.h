#pragma once

#include "movie.h"

#include <QByteArray>
#include <QString>

namespace orv {

class PasswordProvider;

// The message every failed load shows, whatever the cause.
QString movieErrorMessage();
QString movieErrorTitle();

struct LoadOptions
{
    // The most a movie may hold in memory, plain or compressed: one whose
    // header and frame lines need more is refused. What follows the last
    // frame line costs nothing, however large the file or member is.
    qint64 inflateLimit = kMaxMovieBytes;
    // Asked for the password of an encrypted member; null refuses such members.
    PasswordProvider* passwords = nullptr;
    // A compressed movie whose member holds about what its header needs is
    // inflated in one call; false reads every member piece by piece (for
    // comparing the two).
    bool inflateWhole = true;
};

// Parses the bytes of a plain movie: the ten-value header, then numCuadros
// frame lines. On success fills the header fields and frames of `out` (the
// file fields are left alone) and returns true.
bool parseMovie(QByteArray bytes, Movie& out);

// True when the bytes are a compressed movie (a ZIP archive: they start "PK").
bool isCompressed(QByteArrayView head);

// The loader: reads the plain or compressed movie named `name` into `out`.
// Answers true when the movie was read. On false, `out` is left unchanged.
// Only a regular file is read: a FIFO or a device is refused at once.
bool cargaPelicula(const FileName& name, Movie& out, const LoadOptions& options = {});

// Reads a movie, plain or compressed, from bytes already in memory. Only the
// header fields, frames and `compressed` are filled.
bool loadMovieFromBytes(QByteArray bytes, Movie& out, const LoadOptions& options = {});

// The size in KB as the suite shows it: bytes / 1024, cut to two decimals.
double sizeInKB(qint64 bytes);

} // namespace orv
