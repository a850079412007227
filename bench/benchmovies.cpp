#include "benchmovies.h"

#include "moviewriter.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <cmath>

namespace bench {

bool writePlainMovie(const QString& path, const MovieSize& size)
{
    static const char kRamp[] = " .:-=+*#%@";
    orv::MovieWriter w(path);
    const QByteArray ancho = QByteArray::number(size.ancho);
    const QByteArray alto = QByteArray::number(size.alto);
    if (!w.begin(orv::lineaCabecera(ancho, alto, size.cuadros, "100", "bench", "bench movie")))
        return false;
    QByteArray line(static_cast<qsizetype>(size.ancho) * size.alto, ' ');
    for (int f = 0; f < size.cuadros; ++f) {
        const double t = f * 0.07;
        for (int y = 0; y < size.alto; ++y) {
            for (int x = 0; x < size.ancho; ++x) {
                const double v = std::sin(x * 0.11 + t) * std::cos(y * 0.17 - t * 0.5)
                                 + 0.5 * std::sin((x + y) * 0.05 + t * 1.3);
                const int tone = static_cast<int>((v + 1.5) / 3.0 * 9.999);
                line[static_cast<qsizetype>(y) * size.ancho + x] = kRamp[std::clamp(tone, 0, 9)];
            }
        }
        if (!w.writeFrame(line))
            return false;
    }
    return w.commit();
}

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace bench
