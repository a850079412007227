// The reader on the inputs that used to cost it dearly, with the figures a
// user would notice:
//   - the 80 MB movie with LF line ends beside the same movie with CR LF;
//   - peak memory of a plain movie of one frame followed by 800 MB of padding;
//   - peak memory and time of compressed movies whose single member is one
//     frame followed by 1 GiB of zeros (bzip2 and deflate);
//   - peak memory of `orv info` and `orv info --json` on a 100 MB author.
//
//   bench_limits [--quick]      (--quick: a tenth of every size)
//   bench_limits --peak FILE    (internal) one load, prints memory in KiB
#include "benchmovies.h"
#include "moviereader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

extern char** environ;

using bench::statusKb;

namespace {


int peakMode(const QString& path)
{
    const long before = statusKb("VmRSS:");
    orv::Movie p;
    const bool ok = orv::cargaPelicula(orv::FileName::fromText(path), p);
    std::printf("%ld %ld %d\n", before, statusKb("VmHWM:"), ok ? 1 : 0);
    return 0;
}

// Memory a load adds to a fresh process, in MB, and whether it loaded.
std::pair<double, bool> loadPeakMb(const QString& self, const QString& movie)
{
    QProcess p;
    p.start(self, {QStringLiteral("--peak"), movie});
    p.waitForFinished(-1);
    const QList<QByteArray> kb = p.readAllStandardOutput().trimmed().split(' ');
    if (kb.size() != 3)
        return {-1, false};
    return {static_cast<double>(kb[1].toLong() - kb[0].toLong()) / 1024.0, kb[2] == "1"};
}

// Peak resident memory of a whole child process, in MB.
double processPeakMb(const QByteArrayList& argv)
{
    std::vector<char*> args;
    for (const QByteArray& a : argv)
        args.push_back(const_cast<char*>(a.constData()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

const QByteArray kOneFrame = "3,1,1,100,0,0,0,0,bench,padded\r\nabc\r\n";

// A plain movie of one frame followed by `padding` zero bytes (sparse).
bool writePadded(const QString& path, qint64 padding)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(kOneFrame) == kOneFrame.size()
           && f.resize(kOneFrame.size() + padding);
}

// A compressed movie whose member is the file at `source`, with `method`.
bool writeArchive(const QString& source, const QString& zipPath, int method)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        return false;
    zip_source_t* src = zip_source_file(za, QFile::encodeName(source).constData(), 0, -1);
    const zip_int64_t i = src ? zip_file_add(za, "pelicula.ovt", src, 0) : -1;
    const bool ok = i >= 0 && zip_set_file_compression(za, static_cast<zip_uint64_t>(i), method, 0) == 0;
    return zip_close(za) == 0 && ok;
}

void lineEnds(const QTemporaryDir& dir, int cuadros)
{
    const bench::MovieSize size{400, 400, cuadros};
    const QString crlf = dir.filePath(QStringLiteral("crlf.ovt"));
    const QString lf = dir.filePath(QStringLiteral("lf.ovt"));
    if (!bench::writePlainMovie(crlf, size))
        return;
    QFile in(crlf), out(lf);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return;
    out.write(in.readAll().replace("\r\n", "\n"));
    out.close();
    orv::Movie p;
    bool ok = true;
    const double tCrlf = bench::bestOf(3, [&] { ok = orv::cargaPelicula(orv::FileName::fromText(crlf), p) && ok; });
    const double tLf = bench::bestOf(3, [&] { ok = orv::cargaPelicula(orv::FileName::fromText(lf), p) && ok; });
    const double mb = static_cast<double>(QFileInfo(crlf).size()) / 1e6;
    std::printf("Line ends, %dx%dx%d movie (%.1f MB)%s\n", size.ancho, size.alto, size.cuadros, mb, ok ? "" : "  LOAD FAILED");
    std::printf("  CR LF   %7.3f s  %6.0f MB/s\n", tCrlf, mb / tCrlf);
    std::printf("  LF      %7.3f s  %6.0f MB/s   (LF / CR LF time: %.2f)\n\n", tLf, mb / tLf, tLf / tCrlf);
}

void padded(const QString& self, const QTemporaryDir& dir, qint64 scale)
{
    const QString plain = dir.filePath(QStringLiteral("padded.ovt"));
    const qint64 padding = 800 * 1000 * 1000 / scale;
    if (!writePadded(plain, padding))
        return;
    const auto [plainMb, plainOk] = loadPeakMb(self, plain);
    std::printf("Plain movie, one frame + %lld MB of padding\n", static_cast<long long>(padding / 1000000));
    std::printf("  peak memory of the load   %8.1f MB %s\n\n", plainMb, plainOk ? "" : "(NOT LOADED)");

    const QString member = dir.filePath(QStringLiteral("member.ovt"));
    const qint64 gib = (qint64(1) << 30) / scale;
    if (!writePadded(member, gib - kOneFrame.size()))
        return;
    for (const auto& [name, method] : {std::pair{"bzip2", int(ZIP_CM_BZIP2)}, std::pair{"deflate", int(ZIP_CM_DEFLATE)}}) {
        const QString zipped = dir.filePath(QStringLiteral("%1.ovt").arg(QLatin1String(name)));
        if (!writeArchive(member, zipped, method)) {
            std::printf("cannot write the %s archive\n", name);
            continue;
        }
        orv::Movie p;
        bool ok = true;
        const double t = bench::bestOf(3, [&] { ok = orv::cargaPelicula(orv::FileName::fromText(zipped), p) && ok; });
        const auto [mb, loaded] = loadPeakMb(self, zipped);
        std::printf("Compressed movie, %s, %lld-byte archive, member one frame + zeros to %lld MiB\n", name,
                    static_cast<long long>(QFileInfo(zipped).size()), static_cast<long long>(gib >> 20));
        std::printf("  load %7.4f s, peak memory of the load %8.1f MB %s\n\n", t, mb, ok && loaded ? "" : "(NOT LOADED)");
    }
}

void largeAuthor(const QTemporaryDir& dir, qint64 scale)
{
    const QString path = dir.filePath(QStringLiteral("autor.ovt"));
    QFile f(path);
    const qint64 size = 100 * 1000 * 1000 / scale;
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write("3,1,1,100,0,0,0,0,");
    const QByteArray block(1 << 20, 'A');
    for (qint64 done = 0; done < size; done += block.size())
        f.write(block.constData(), std::min<qint64>(block.size(), size - done));
    f.write(",x\r\nabc\r\n");
    f.close();
    const QByteArray orv = ORV_CLI_PATH;
    const QByteArray movie = QFile::encodeName(path);
    std::printf("orv on a %lld MB author (whole process peak)\n", static_cast<long long>(size / 1000000));
    std::printf("  orv info          %8.1f MB\n", processPeakMb({orv, "info", movie}));
    std::printf("  orv info --json   %8.1f MB\n\n", processPeakMb({orv, "info", "--json", movie}));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--peak"))
        return peakMode(args[2]);
    const qint64 scale = args.contains(QLatin1String("--quick")) ? 10 : 1;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // First, while this process is small: a child's peak as the kernel
    // reports it starts from its parent's size at the spawn.
    largeAuthor(dir, scale);
    lineEnds(dir, static_cast<int>(500 / scale));
    padded(QCoreApplication::applicationFilePath(), dir, scale);
    return 0;
}
