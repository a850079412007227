// Fuzz target for the movie reader: any bytes, read as a plain or a
// compressed movie, must give a movie or a clean "unreadable", and every
// frame of a movie that loads must assemble.
#include "frame.h"
#include "moviereader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orv::LoadOptions options;
    options.inflateLimit = 64 * 1024 * 1024;
    orv::Pelicula movie;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (orv::cargaPeliculaDeBytes(bytes, movie, options)) {
        for (int i = 0; i < movie.numCuadros && i < 64; ++i)
            (void)orv::armaCuadro(movie, i);
    }
    return 0;
}
