// Fuzz target for the movie reader: any bytes, read as a plain or a
// compressed movie, must give a movie or a clean "unreadable", and every
// frame of a movie that loads must assemble. The plain reading is done a
// second time with the bytes handed over in small uneven pieces, and must
// come out the same: the reader's pulls at piece boundaries (a CR LF split
// in two, a header value cut short) are where a streaming reader goes wrong.
// The check that counts frame lines without keeping them must agree too.
#include "bytesource.h"
#include "frame.h"
#include "moviereader.h"
#include "moviestream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class Trickle : public orv::ByteSource
{
public:
    explicit Trickle(QByteArrayView bytes) : m_bytes(bytes) {}
    qint64 read(char* into, qint64 max) override
    {
        const qint64 piece = std::min<qint64>({max, 1 + (m_reads++ % 7), m_bytes.size() - m_pos});
        std::memcpy(into, m_bytes.data() + m_pos, static_cast<size_t>(std::max<qint64>(piece, 0)));
        m_pos += std::max<qint64>(piece, 0);
        return std::max<qint64>(piece, 0);
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    qint64 m_reads = 0;
};

bool same(const orv::Movie& a, const orv::Movie& b)
{
    if (a.ancho != b.ancho || a.alto != b.alto || a.numCuadros != b.numCuadros
        || std::memcmp(&a.pausa, &b.pausa, sizeof a.pausa) != 0 || a.creador != b.creador
        || a.masInfo != b.masInfo)
        return false;
    for (int i = 0; i < a.numCuadros; ++i) {
        if (a.frame(i) != b.frame(i))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orv::LoadOptions options;
    options.inflateLimit = 64 * 1024 * 1024;
    orv::Movie movie;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool loaded = orv::loadMovieFromBytes(bytes, movie, options);
    if (loaded) {
        for (int i = 0; i < movie.numCuadros && i < 64; ++i)
            (void)orv::armaCuadro(movie, i);
    }
    if (!orv::isCompressed(bytes)) {
        Trickle trickle(bytes);
        orv::Movie pieces;
        const bool again = orv::readMovie(trickle, pieces, options.inflateLimit);
        if (again != loaded || (loaded && !same(movie, pieces)))
            std::abort();
        // Checking a movie without keeping its frames must agree.
        Trickle other(bytes);
        if (orv::checkMovie(other) != loaded)
            std::abort();
    }
    return 0;
}
