// Export and terminal-playback benchmark. Generates its own movies and
// prints, for each size: the time of the GIF, web page and asciicast exports
// beside `cat` copying the movie, and the frames per second `orv play`
// shows at a 10 ms pause in a 220 x 110 pseudo-terminal.
//
//   bench_export [--quick]     all sizes (--quick: the smallest only)
//   bench_export --no-gif      skip the GIF export (the slowest part)
//   bench_export --gif-frames N  GIF of the first N frames only, scaled up
#include "benchmovies.h"
#include "castexport.h"
#include "gifexport.h"
#include "htmlexport.h"
#include "moviereader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage uso{};
    getrusage(who, &uso);
    return static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
           static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

double catCopy(const QString& from, const QString& to)
{
    return bench::bestOf(3, [&] {
        QProcess p;
        p.setStandardOutputFile(to);
        p.start(QStringLiteral("cat"), {from});
        p.waitForFinished(-1);
    });
}

// Runs `orv play --once` on `frames` frames at a 10 ms pause in a pseudo-
// terminal of 220 x 110, reading everything it writes as a terminal would,
// and answers the frames shown per second.
double playRate(const QString& movie, int frames)
{
    winsize size{};
    size.ws_col = 220;
    size.ws_row = 110;
    int master = -1;
    const QByteArray orv = QByteArrayLiteral(ORV_CLI_PATH);
    const QByteArray path = QFile::encodeName(movie);
    const QByteArray range = "0-" + QByteArray::number(frames - 1);
    QElapsedTimer t;
    t.start();
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child < 0)
        return -1;
    if (child == 0) {
        setenv("TERM", "xterm-256color", 1);
        execl(orv.constData(), "orv", "play", "--once", "--pause", "10", "--frames",
              range.constData(), path.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    char buffer[65536];
    while (read(master, buffer, sizeof buffer) > 0) {
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e9;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? frames / elapsed : -1;
}

void measure(const QTemporaryDir& dir, const bench::MovieSize& size, bool gif, int gifFrames)
{
    const QString name =
        QStringLiteral("%1x%2x%3").arg(size.ancho).arg(size.alto).arg(size.cuadros);
    const QString movie = dir.filePath(name + QStringLiteral(".ovt"));
    orv::Movie m;
    if (!bench::writePlainMovie(movie, size) || !orv::cargaPelicula(orv::FileName::fromText(movie), m)) {
        std::printf("%s: could not make the movie\n", qPrintable(name));
        return;
    }
    const double mb = static_cast<double>(QFileInfo(movie).size()) / 1e6;
    std::printf("%s (%.1f MB)\n", qPrintable(name), mb);
    // Wall time best of three, and the CPU time of one run (the load of a
    // shared machine shows in the first, hardly in the second).
    const double catCpu0 = cpuSeconds(RUSAGE_CHILDREN);
    const double cat = catCopy(movie, dir.filePath(QStringLiteral("copy")));
    const double catCpu = (cpuSeconds(RUSAGE_CHILDREN) - catCpu0) / 3;
    std::printf("  cat copy        %8.3f s  CPU %.3f s\n", cat, catCpu);
    const orv::ExportOptions options;
    double cpu0 = cpuSeconds();
    const double html = bench::bestOf(
        3, [&] { orv::exportHtml(m, orv::FileName::fromText(dir.filePath(QStringLiteral("m.html"))), options); });
    const double htmlCpu = (cpuSeconds() - cpu0) / 3;
    std::printf("  web page        %8.3f s  %5.2f x cat  CPU %.3f s  %5.2f x cat  (%.1f MB)\n",
                html, html / cat, htmlCpu, htmlCpu / catCpu,
                static_cast<double>(QFileInfo(dir.filePath(QStringLiteral("m.html"))).size()) /
                    1e6);
    cpu0 = cpuSeconds();
    const double cast = bench::bestOf(
        3, [&] { orv::exportCast(m, orv::FileName::fromText(dir.filePath(QStringLiteral("m.cast"))), options); });
    const double castCpu = (cpuSeconds() - cpu0) / 3;
    std::printf("  asciicast       %8.3f s  %5.2f x cat  CPU %.3f s  %5.2f x cat  (%.1f MB)\n",
                cast, cast / cat, castCpu, castCpu / catCpu,
                static_cast<double>(QFileInfo(dir.filePath(QStringLiteral("m.cast"))).size()) /
                    1e6);
    if (gif) {
        // CPU time beside wall time: on a shared machine the wall clock
        // mostly measures the neighbours.
        // --gif-frames N exports the first N frames only; the whole movie's
        // time is then that CPU time scaled up, and printed as such.
        orv::Movie part = m;
        part.numCuadros = static_cast<std::int16_t>(
            gifFrames > 0 ? std::min<int>(gifFrames, m.numCuadros) : m.numCuadros);
        cpu0 = cpuSeconds();
        const double g = seconds([&] {
            orv::render::exportGif(part, orv::FileName::fromText(dir.filePath(QStringLiteral("m.gif"))),
                                   orv::render::gifFont(8), options);
        });
        const double cpu = cpuSeconds() - cpu0;
        std::printf(
            "  GIF (8 pt)      %8.3f s wall, %.3f s CPU for %d frames: %6.2f ms CPU per frame, "
            "%.1f s CPU for the movie  (%.2f MB)\n",
            g, cpu, part.numCuadros, cpu * 1000 / part.numCuadros,
            cpu / part.numCuadros * m.numCuadros,
            static_cast<double>(QFileInfo(dir.filePath(QStringLiteral("m.gif"))).size()) / 1e6);
    }
    if (size.ancho <= 220 && size.alto < 110) {
        const int frames = std::min(size.cuadros, 500);
        std::printf("  orv play 10 ms  %8.1f frames/s over %d frames (100 asked)\n",
                    playRate(movie, frames), frames);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const qsizetype at = args.indexOf(QLatin1String("--gif-frames"));
    const int gifFrames = at > 0 ? args.value(at + 1).toInt() : 0;
    for (const bench::MovieSize& s : bench::movieSizes(args))
        measure(dir, s, !args.contains(QLatin1String("--no-gif")), gifFrames);
    return 0;
}
