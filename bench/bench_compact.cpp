// Compaction benchmark. Generates its own movies and prints, for each size,
// the engine's in-place compression and decompression throughput (MB of the
// plain movie per second, the whole safe replacement included: build, check,
// flush, rename) and its compressed size, beside `zip -6 -q` and
// `unzip -o -q` on the same files in the same run, and the peak memory of
// each, measured by GNU time (the engine's through `orv compact`). Last, the
// peak of compressing a 200 MB movie of random characters, which deflate
// only halves: the compressed member is never held whole.
//
//   bench_compact [--quick]          all sizes (--quick: the smallest only)
#include "benchmovies.h"
#include "compactor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void run(const QString& command)
{
    if (std::system(command.toLocal8Bit().constData()) != 0)
        std::fprintf(stderr, "failed: %s\n", qPrintable(command));
}

// The movie is on the disk before anyone compacts it: its own write-back
// must not be charged to the engine's flush.
void copy(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::copy(from, to);
    ::sync();
}

// The peak resident memory of a command in MB, as GNU time reports it
// (a process started from a small one: a fork of this benchmark would count
// its pages too); -1 without /usr/bin/time.
double peakOfCommand(const QString& command)
{
    if (!QFile::exists(QStringLiteral("/usr/bin/time")))
        return -1;
    QTemporaryFile out;
    if (!out.open())
        return -1;
    run(QStringLiteral("/usr/bin/time -f %M -o '%1' %2 > /dev/null").arg(out.fileName(), command));
    return out.readAll().trimmed().toDouble() / 1024.0;
}

void engine(const QString& path, orv::CompactionMode mode)
{
    orv::Compactor c;
    c.setMode(mode);
    if (c.procesaArchivo(orv::FileName::fromText(path)).state == orv::FileState::Error)
        std::fprintf(stderr, "the engine failed on %s\n", qPrintable(path));
}

void measure(const QTemporaryDir& dir, const bench::MovieSize& size)
{
    const QString name = QStringLiteral("%1x%2x%3").arg(size.ancho).arg(size.alto).arg(size.cuadros);
    const QString plain = dir.filePath(name + QStringLiteral("-plain"));
    const QString work = dir.filePath(name + QStringLiteral(".ovt"));
    const QString ours = dir.filePath(name + QStringLiteral("-ours"));
    const QString theirs = dir.filePath(name + QStringLiteral(".zip"));
    const QString out = dir.filePath(QStringLiteral("unzipped"));
    if (!bench::writePlainMovie(plain, size)) {
        std::fprintf(stderr, "cannot write the %s movie\n", qPrintable(name));
        return;
    }
    const double mb = static_cast<double>(QFileInfo(plain).size()) / 1e6;
    using M = orv::CompactionMode;

    // Each timing after an untimed step that puts the input back.
    const double compress = bench::bestOf(
        3, [&] { engine(work, M::CompressOnly); }, [&] { copy(plain, work); });
    copy(work, ours);
    const double zip = bench::bestOf(
        3,
        [&] {
            run(QStringLiteral("cd '%1' && zip -6 -q '%2' '%3'")
                    .arg(dir.path(), theirs, QFileInfo(plain).fileName()));
        },
        [&] {
            QFile::remove(theirs);
            ::sync();
        });
    const double decompress = bench::bestOf(
        3, [&] { engine(work, M::DecompressOnly); }, [&] { copy(ours, work); });
    const double unzip = bench::bestOf(
        3, [&] { run(QStringLiteral("unzip -o -q '%1' -d '%2'").arg(theirs, out)); },
        [&] {
            QDir(out).removeRecursively();
            ::sync();
        });

    // Peak memory, each on the input its timing had; the engine's through
    // `orv compact`, which runs it alone in its process.
    copy(plain, work);
    const double compressPeak =
        peakOfCommand(QStringLiteral("'%1' compact --mode compress '%2'").arg(QStringLiteral(ORV_CLI_PATH), work));
    QFile::remove(theirs);
    const double zipPeak = peakOfCommand(QStringLiteral("zip -6 -q '%1' '%2'").arg(theirs, plain));
    copy(ours, work);
    const double decompressPeak =
        peakOfCommand(QStringLiteral("'%1' compact --mode decompress '%2'").arg(QStringLiteral(ORV_CLI_PATH), work));
    QDir(out).removeRecursively();
    const double unzipPeak = peakOfCommand(QStringLiteral("unzip -o -q '%1' -d '%2'").arg(theirs, out));

    const double oursMb = static_cast<double>(QFileInfo(ours).size()) / 1e6;
    const double theirsMb = static_cast<double>(QFileInfo(theirs).size()) / 1e6;
    std::printf("%-14s plain %7.1f MB; compressed: ours %6.2f MB (%.1f%%), zip -6 %6.2f MB (%.1f%%)\n", qPrintable(name),
                mb, oursMb, 100 * oursMb / mb, theirsMb, 100 * theirsMb / mb);
    std::printf("  compress   %8.0f MB/s   (zip -6 -q    %8.0f MB/s, ratio %.2f)   peak %5.1f MB (zip %4.1f MB)\n",
                mb / compress, mb / zip, zip / compress, compressPeak, zipPeak);
    std::printf("  decompress %8.0f MB/s   (unzip -o -q  %8.0f MB/s, ratio %.2f)   peak %5.1f MB (unzip %4.1f MB)\n\n",
                mb / decompress, mb / unzip, unzip / decompress, decompressPeak, unzipPeak);
    std::fflush(stdout);
}

// 400 × 400 × 1250 frames of characters drawn at random from sixteen.
void measureNoise(const QTemporaryDir& dir)
{
    const QString work = dir.filePath(QStringLiteral("noise.ovt"));
    if (!bench::writeNoiseMovie(work, {400, 400, 1250}))
        return;
    const double mb = static_cast<double>(QFileInfo(work).size()) / 1e6;
    const double peak =
        peakOfCommand(QStringLiteral("'%1' compact --mode compress '%2'").arg(QStringLiteral(ORV_CLI_PATH), work));
    std::printf("noise          plain %7.1f MB; compressed %6.1f MB; compress peak %5.1f MB\n", mb,
                static_cast<double>(QFileInfo(work).size()) / 1e6, peak);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const bench::MovieSize& s : bench::movieSizes(QCoreApplication::arguments()))
        measure(dir, s);
    if (!QCoreApplication::arguments().contains(QLatin1String("--quick")))
        measureNoise(dir);
    return 0;
}
