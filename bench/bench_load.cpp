// Loading and frame-assembly benchmark. Generates its own movies (plain and
// compressed) and prints, for each size: load throughput beside `cat` and
// `unzip -p` on the same files, peak memory of a load relative to the plain
// file, the whole `orv info` process beside them, and the time armaCuadro
// takes per frame.
//
//   bench_load [--quick]          all sizes (--quick: the smallest only)
//   bench_load --peak FILE        (internal) one load, prints memory in KiB
#include "benchmovies.h"
#include "frame.h"
#include "moviereader.h"
#include "zipwrite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using bench::statusKb;

namespace {


int peakMode(const QString& path)
{
    const long before = statusKb("VmRSS:");
    orv::Movie p;
    if (!orv::cargaPelicula(orv::FileName::fromText(path), p))
        return 1;
    std::printf("%ld %ld\n", before, statusKb("VmHWM:"));
    return 0;
}

double peakRatio(const QString& self, const QString& movie, qint64 plainSize)
{
    QProcess p;
    p.start(self, {QStringLiteral("--peak"), movie});
    p.waitForFinished(-1);
    const QList<QByteArray> kb = p.readAllStandardOutput().trimmed().split(' ');
    if (kb.size() != 2)
        return -1;
    return static_cast<double>(kb[1].toLong() - kb[0].toLong()) * 1024.0 / static_cast<double>(plainSize);
}

void measure(const QString& self, const QTemporaryDir& dir, const bench::MovieSize& size)
{
    const QString name = QStringLiteral("%1x%2x%3").arg(size.ancho).arg(size.alto).arg(size.cuadros);
    const QString plain = dir.filePath(name + QStringLiteral(".ovt"));
    const QString zipped = dir.filePath(name + QStringLiteral("-zip.ovt"));
    if (!bench::writePlainMovie(plain, size) || !orv::tools::writeSingleMemberZip(plain, zipped)) {
        std::fprintf(stderr, "cannot write the %s movies\n", qPrintable(name));
        return;
    }
    const double mb = static_cast<double>(QFileInfo(plain).size()) / 1e6;
    const double zmb = static_cast<double>(QFileInfo(zipped).size()) / 1e6;

    orv::Movie p;
    const double cat = bench::shell(QStringLiteral("cat '%1' > /dev/null").arg(plain));
    const double unzip = bench::shell(QStringLiteral("unzip -p '%1' > /dev/null").arg(zipped));
    const double infoPlain = bench::shell(QStringLiteral("'%1' info '%2' > /dev/null").arg(QStringLiteral(ORV_CLI_PATH), plain));
    const double infoZip = bench::shell(QStringLiteral("'%1' info '%2' > /dev/null").arg(QStringLiteral(ORV_CLI_PATH), zipped));
    const double loadPlain = bench::bestOf(3, [&] { orv::cargaPelicula(orv::FileName::fromText(plain), p); });
    const double loadZip = bench::bestOf(3, [&] { orv::cargaPelicula(orv::FileName::fromText(zipped), p); });
    orv::LoadOptions streamed;
    streamed.inflateWhole = false;
    const double loadStreamed = bench::bestOf(3, [&] { orv::cargaPelicula(orv::FileName::fromText(zipped), p, streamed); });

    const int frames = std::min<int>(p.numCuadros, 500);
    qint64 sink = 0;
    const double assemble = bench::bestOf(3, [&] {
        for (int i = 0; i < frames; ++i)
            sink += orv::armaCuadro(p, i).size();
    });

    std::printf("%-14s plain %7.1f MB, compressed %6.1f MB (%.0f%%)\n", qPrintable(name), mb, zmb, 100 * zmb / mb);
    std::printf("  plain load      %8.0f MB/s   (cat      %8.0f MB/s, ratio %.2f)\n", mb / loadPlain, mb / cat, cat / loadPlain);
    std::printf("  compressed load %8.0f MB/s   (unzip -p %8.0f MB/s, ratio %.2f)  [uncompressed MB/s]\n", mb / loadZip, mb / unzip, unzip / loadZip);
    std::printf("    streamed      %8.0f MB/s   (ratio %.2f)  [a member larger than its movie needs]\n", mb / loadStreamed,
                unzip / loadStreamed);
    std::printf("  orv info        plain %.2f x cat, compressed %.2f x unzip -p  [whole process, speed]\n", cat / infoPlain,
                unzip / infoZip);
    std::printf("  peak memory     plain %.2f x, compressed %.2f x  the plain file\n",
                peakRatio(self, plain, QFileInfo(plain).size()), peakRatio(self, zipped, QFileInfo(plain).size()));
    std::printf("  armaCuadro      %8.4f ms per frame  (%lld bytes)\n\n", assemble * 1000 / frames, static_cast<long long>(sink));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--peak"))
        return peakMode(args[2]);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const bench::MovieSize& s : bench::movieSizes(args))
        measure(QCoreApplication::applicationFilePath(), dir, s);
    return 0;
}
