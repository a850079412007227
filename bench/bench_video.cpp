// Video in and out. Makes its own inputs and prints:
// - importing a 60 s 1280 × 720 30 fps H.264 clip (made with the ffmpeg
//   command) to a 160-column movie with `orv create --video`, against real
//   time, against FFmpeg's own decode and scale of the same frames, and
//   against the two-tool way on the same frames: `ffmpeg` cutting
//   the clip into 160-pixel-wide JPEG frames, then `jp2a --width=160` on
//   every frame (one run over all of them);
// - exporting the 200 × 100 × 2000 movie at 8 pt with `orv export` to MP4,
//   WebM and GIF: wall time and file size.
//
//   bench_video [--quick]      --quick: a 10 s clip and the first 500 frames
#include "benchmovies.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Runs a program to its end and answers its wall time in seconds, or -1.
double run(const QString& program, const QStringList& args, const QString& folder = {})
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "failed: %s %s\n", qPrintable(program), qPrintable(args.join(' ')));
        return -1;
    }
    return double(t.nsecsElapsed()) / 1e9;
}

double bestOf(int times, const std::function<double()>& once)
{
    double best = 1e30;
    for (int i = 0; i < times; ++i)
        best = std::min(best, once());
    return best;
}

double megabytes(const QString& path)
{
    return double(QFileInfo(path).size()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool fast = QCoreApplication::arguments().contains(QStringLiteral("--quick"));
    QTemporaryDir dir;
    const QString orv = QStringLiteral(ORV_CLI_PATH);
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        std::fprintf(stderr, "bench_video needs the ffmpeg command to make its clip (apt-get install ffmpeg)\n");
        return 1;
    }
    const int seconds = fast ? 10 : 60;
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    run(ffmpeg, {"-v", "error", "-f", "lavfi", "-i",
                 QStringLiteral("testsrc2=size=1280x720:rate=30:duration=%1").arg(seconds), "-c:v",
                 "libx264", "-pix_fmt", "yuv420p", "-preset", "fast", clip});

    std::printf("Import: %d s of 1280 x 720 at 30 fps (H.264) to 160 columns, %d frames\n", seconds,
                seconds * 30);
    const QString movie = dir.filePath(QStringLiteral("clip.ovt"));
    const double our = bestOf(3, [&] {
        return run(orv, {"create", "--quiet", "--video", clip, "--width", "160", "-o", movie});
    });
    std::printf("  orv create --video        %6.2f s  (%.1f x real time)\n", our, seconds / our);
    // FFmpeg's own exact decode and scale of the same frames to the same grey
    // picture (the movie's 160 columns, two pixel rows a character row).
    const double exact = bestOf(3, [&] {
        return run(ffmpeg, {"-v", "error", "-i", clip, "-vf", "scale=160:45:flags=area,format=gray", "-f", "null", "-"});
    });
    std::printf("  ffmpeg, decode and scale  %6.2f s  (orv create --video takes %.2f x its time)\n", exact,
                our / exact);
    const QString jp2a = QStandardPaths::findExecutable(QStringLiteral("jp2a"));
    if (jp2a.isEmpty()) {
        std::printf("  (jp2a is not installed: the two-tool way is not measured; apt-get install jp2a)\n");
    } else {
        const QString cuadros = dir.filePath(QStringLiteral("cuadros"));
        const double twoTools = bestOf(3, [&] {
            QDir(cuadros).removeRecursively();
            QDir().mkpath(cuadros);
            const double cut = run(ffmpeg, {"-v", "error", "-i", clip, "-vf", "fps=30,scale=160:-1",
                                            cuadros + QStringLiteral("/f%05d.jpg")});
            QStringList jpg = QDir(cuadros).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
            for (QString& j : jpg)
                j = cuadros + QLatin1Char('/') + j;
            const double art = run(jp2a, QStringList{QStringLiteral("--width=160")} + jpg);
            return cut < 0 || art < 0 ? 1e30 : cut + art;
        });
        std::printf("  ffmpeg to JPEG + jp2a     %6.2f s  (orv create --video is %.2f x faster)\n",
                    twoTools, twoTools / our);
    }

    // The biggest pictures: a 400 x 400 movie at 12 pt is 4000 x 7200 pixels.
    const QString big = dir.filePath(QStringLiteral("400x400.ovt"));
    if (bench::writePlainMovie(big, {400, 400, 10})) {
        std::printf("\nExport: the 400 x 400 x 10 movie at 12 pt (4000 x 7200 pixels), peak memory\n");
        for (const char* kind : {"mp4", "webm"}) {
            const long kb = bench::peakKb(QStringLiteral("'%1' export --%2 --font-size 12 -o '%3' '%4'")
                                              .arg(orv, QLatin1String(kind), dir.filePath(QStringLiteral("big.") + QLatin1String(kind)), big));
            std::printf("  %-5s %8.0f MB\n", kind, double(kb) / 1024);
        }
    }

    const bench::MovieSize size{200, 100, fast ? 500 : 2000};
    const QString plain = dir.filePath(QStringLiteral("200x100.ovt"));
    if (!bench::writePlainMovie(plain, size))
        return 1;
    std::printf("\nExport: the 200 x 100 x %d movie at 8 pt\n", size.cuadros);
    double gifSeconds = 0, gifMegabytes = 0;
    for (const char* kind : {"gif", "mp4", "webm"}) {
        const QString output = dir.filePath(QStringLiteral("m.") + QLatin1String(kind));
        const double t = bestOf(kind == QLatin1String("webm") ? 1 : 3, [&] {
            QFile::remove(output);
            return run(orv,
                       {"export", QStringLiteral("--") + QLatin1String(kind), "-o", output, plain});
        });
        const double mb = megabytes(output);
        if (QLatin1String(kind) == QLatin1String("gif")) {
            gifSeconds = t;
            gifMegabytes = mb;
            std::printf("  %-5s %7.2f s  %8.2f MB\n", kind, t, mb);
        } else {
            std::printf("  %-5s %7.2f s  %8.2f MB   (%.2f x the GIF's time, %.2f of its size)\n",
                        kind, t, mb, t / gifSeconds, mb / gifMegabytes);
        }
    }
    return 0;
}
