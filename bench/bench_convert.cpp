// Conversion benchmark. Generates a 33 MB source (10,000 pictures of
// 80 x 40, each with a control line, every seventh repeated) and runs
// `orv convert` on it end to end, beside `cat SOURCE > COPY` in the same
// run. Prints the throughput of both in MB/s of source and the peak memory
// of the conversion relative to the source size.
//
//   bench_convert [--quick]     (--quick: 1,000 pictures)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

QByteArray source(int images)
{
    QByteArray data;
    data.reserve(qsizetype(images) * 3290);
    for (int i = 0; i < images; ++i) {
        data.append(QByteArray::number(i % 7 == 0 ? 1 + i % 3 : 1)).append("\r\n");
        for (int row = 0; row < 40; ++row) {
            for (int c = 0; c < 80; ++c)
                data.append(" .:-=+*#%@"[(i + row * 3 + c) % 10]);
            data.append("\r\n");
        }
    }
    return data;
}

double bestOf(int times, const std::function<bool()>& work)
{
    double best = 1e30;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer t;
        t.start();
        if (!work())
            return -1;
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

bool run(const QString& program, const QStringList& args, const QString& output = {})
{
    QProcess p;
    if (!output.isEmpty())
        p.setStandardOutputFile(output);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool fast = app.arguments().contains(QStringLiteral("--quick"));
    QTemporaryDir dir;
    const QString origin = dir.filePath(QStringLiteral("origen.txt"));
    {
        QFile f(origin);
        if (!f.open(QIODevice::WriteOnly) || f.write(source(fast ? 1000 : 10000)) < 0)
            return 1;
    }
    const double mb = static_cast<double>(QFileInfo(origin).size()) / 1e6;
    const QString copy = dir.filePath(QStringLiteral("copia.txt"));
    const QString movie = dir.filePath(QStringLiteral("peli.ovt"));
    const QStringList args{QStringLiteral("convert"),
                           QStringLiteral("--width"),
                           QStringLiteral("80"),
                           QStringLiteral("--height"),
                           QStringLiteral("40"),
                           QStringLiteral("-o"),
                           movie,
                           origin};

    const double conversion = bestOf(3, [&] { return run(QStringLiteral(ORV_CLI_PATH), args); });
    // The largest resident set of any child so far: the conversions ran first
    // and `cat` stays far below them.
    rusage uso{};
    getrusage(RUSAGE_CHILDREN, &uso);
    const double peakMb = static_cast<double>(uso.ru_maxrss) * 1024 / 1e6;
    const double cat = bestOf(3, [&] { return run(QStringLiteral("cat"), {origin}, copy); });
    // The conversion flushes its movie to disk before renaming it into
    // place; this copy does the same, for a like-for-like figure.
    const double dd = bestOf(3, [&] {
        return run(QStringLiteral("dd"),
                   {QStringLiteral("if=") + origin, QStringLiteral("of=") + copy,
                    QStringLiteral("bs=1M"), QStringLiteral("conv=fdatasync"),
                    QStringLiteral("status=none")});
    });
    if (conversion < 0 || cat < 0 || dd < 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    std::printf("source %.1f MB, movie %.1f MB\n", mb,
                static_cast<double>(QFileInfo(movie).size()) / 1e6);
    std::printf("orv convert   %8.1f MB/s  (%.3f s)\n", mb / conversion, conversion);
    std::printf("cat > copy    %8.1f MB/s  (%.3f s)\n", mb / cat, cat);
    std::printf("dd fdatasync  %8.1f MB/s  (%.3f s)\n", mb / dd, dd);
    std::printf("ratio to cat  %8.2f  (target >= 0.50)\n", cat / conversion);
    std::printf("ratio to dd   %8.2f\n", dd / conversion);
    std::printf("peak memory   %8.1f MB = %.2f x source  (target <= 2.00)\n", peakMb, peakMb / mb);
    return 0;
}
