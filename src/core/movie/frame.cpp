#include "frame.h"

#include <algorithm>

namespace orv {

QByteArray armaCuadro(const Movie& movie, int i)
{
    const int alto = movie.alto;
    if (alto <= 0)
        return {};
    const QByteArrayView line = movie.frame(i);
    const qint64 ancho = std::max<qint64>(movie.ancho, 0);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(std::min<qint64>(ancho, line.size()) * alto + 2 * (alto - 1)));
    for (int r = 0; r < alto; ++r) {
        // Row positions are computed in full width: a wide movie shows every
        // row, not only those that start within the first 32767 characters.
        const qint64 start = static_cast<qint64>(r) * ancho;
        if (start < line.size())
            out.append(line.sliced(start, std::min<qint64>(ancho, line.size() - start)));
        if (r + 1 < alto)
            out.append("\r\n", 2);
    }
    return out;
}

} // namespace orv
