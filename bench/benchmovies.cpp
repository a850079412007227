#include "benchmovies.h"

#include <cstdio>
#include <cstdlib>

#include "moviewriter.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

bool writePlainMovie(const QString& path, const MovieSize& size)
{
    static const char kRamp[] = " .:-=+*#%@";
    orv::MovieWriter w(orv::FileName::fromText(path));
    const QByteArray ancho = QByteArray::number(size.ancho);
    const QByteArray alto = QByteArray::number(size.alto);
    if (!w.begin(orv::headerLine(ancho, alto, size.cuadros, "100", "bench", "bench movie")))
        return false;
    QByteArray line(static_cast<qsizetype>(size.ancho) * size.alto, ' ');
    for (int f = 0; f < size.cuadros; ++f) {
        const double t = f * 0.07;
        for (int y = 0; y < size.alto; ++y) {
            for (int x = 0; x < size.ancho; ++x) {
                const double v = std::sin(x * 0.11 + t) * std::cos(y * 0.17 - t * 0.5) +
                                 0.5 * std::sin((x + y) * 0.05 + t * 1.3);
                const int tone = static_cast<int>((v + 1.5) / 3.0 * 9.999);
                line[static_cast<qsizetype>(y) * size.ancho + x] = kRamp[std::clamp(tone, 0, 9)];
            }
        }
        if (!w.writeFrame(line))
            return false;
    }
    return w.commit();
}

bool writeNoiseMovie(const QString& path, const MovieSize& size)
{
    static const char kTones[] = " .:-=+*#%@abcdef";
    orv::MovieWriter w(orv::FileName::fromText(path));
    if (!w.begin(orv::headerLine(QByteArray::number(size.ancho), QByteArray::number(size.alto), size.cuadros, "100",
                                 "bench", "noise")))
        return false;
    QByteArray line(static_cast<qsizetype>(size.ancho) * size.alto, ' ');
    quint64 state = 0x9E3779B97F4A7C15ull;
    for (int f = 0; f < size.cuadros; ++f) {
        for (char& c : line) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            c = kTones[state & 15];
        }
        if (!w.writeFrame(line))
            return false;
    }
    return w.commit();
}

double shell(const QString& command)
{
    return bestOf(3, [&] {
        if (std::system(command.toLocal8Bit().constData()) != 0)
            std::fprintf(stderr, "failed: %s\n", qPrintable(command));
    });
}

long peakKb(const QString& command)
{
    // Run from a child of its own, so that the children it counts are this
    // command's alone.
    int pipe[2];
    if (::pipe(pipe) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        const int status = std::system(command.toLocal8Bit().constData());
        rusage u{};
        getrusage(RUSAGE_CHILDREN, &u);
        const long kb = status == 0 ? long(u.ru_maxrss) : -1;
        [[maybe_unused]] const auto n = ::write(pipe[1], &kb, sizeof kb);
        std::_Exit(0);
    }
    ::close(pipe[1]);
    long kb = -1;
    if (child < 0 || ::read(pipe[0], &kb, sizeof kb) != sizeof kb)
        kb = -1;
    ::close(pipe[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return kb;
}

std::vector<MovieSize> movieSizes(const QStringList& args)
{
    std::vector<MovieSize> sizes{{80, 40, 1000}, {200, 100, 2000}, {400, 400, 500}};
    if (args.contains(QLatin1String("--quick")))
        sizes.resize(1);
    return sizes;
}

double bestOf(int runs, const std::function<void()>& work, const std::function<void()>& prepare)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                .trimmed()
                .split(' ')
                .first()
                .toLong();
    }
    return -1;
}

} // namespace bench
