// Video in and out. Makes its own inputs and prints:
// - importing a 60 s 1280 × 720 30 fps H.264 clip (made with the ffmpeg
//   command) to a 160-column movie with `orv create --video`, against real
//   time, against FFmpeg's own decode and scale of the same frames, and
//   against the two-tool way on the same frames: `ffmpeg` cutting
//   the clip into 160-pixel-wide JPEG frames, then `jp2a --width=160` on
//   every frame (one run over all of them);
// - exporting movies people make, at 8 pt, with `orv export` to GIF, MP4
//   and WebM: the movie from that clip, one from a fractal zoom, a text-art
//   scene where little moves, the demo movie, a still drawing of two
//   frames; each MP4's size and time against the GIF's, WebM's speed
//   against real time, and the worst picture's PSNR against the GIF's
//   (the renderer's own drawing). A still imported from a picture and the
//   200 × 100 smooth-shapes movie are measured beside them, as figures only;
//   the peak memory of the largest pictures each export takes.
//
//   bench_video [--quick]      --quick: 10 s clips and 500 frames
#include "benchmovies.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "moviewriter.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>

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

// The worst picture's PSNR (RGB) of `video` against `gif`, picture by
// picture, measured by the ffmpeg command; -1 when it cannot be.
double worstPsnr(const QString& ffmpeg, const QString& video, const QString& gif, const QString& folder)
{
    const QString stats = folder + QStringLiteral("/psnr.txt");
    QFile::remove(stats);
    run(ffmpeg, {"-v", "quiet", "-i", video, "-i", gif, "-lavfi",
                 QStringLiteral("[0]format=rgb24,setpts=N/TB[a];[1]format=rgb24,setpts=N/TB[b];[a][b]psnr=stats_file=")
                     + stats,
                 "-f", "null", "-"});
    QFile f(stats);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    double worst = 1e9;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int at = line.indexOf("psnr_avg:");
        if (at >= 0)
            worst = std::min(worst, line.mid(at + 9).split(' ').first().toDouble());
    }
    return worst > 1e8 ? -1 : worst;
}

// A text-art scene where little moves: mountains, a lake, a house and a
// title, a figure walking along the shore and six snowflakes falling.
bool writeTextArt(const QString& path, int cuadros, bool still)
{
    constexpr int W = 100, H = 40;
    QByteArray base(W * H, ' ');
    const auto at = [&](QByteArray& f, int x, int y) -> char& { return f[y * W + x]; };
    unsigned seed = 7;
    const auto random = [&](int n) { return int((seed = seed * 1103515245u + 12345u) >> 16) % n; };
    for (int i = 0; i < 60; ++i)
        at(base, random(W), random(12)) = ".*+"[random(3)];
    for (int x = 0; x < W; ++x) {
        const int h = int(14 + 6 * std::sin(x * 0.09) + 3 * std::sin(x * 0.23));
        for (int y = H - h; y < H - 8; ++y)
            at(base, x, y) = y == H - h ? '^' : (x + y) % 7 == 0 ? '/' : (x * y) % 5 == 0 ? '.' : ' ';
        for (int y = H - 8; y < H; ++y)
            at(base, x, y) = (x + y) % 3 ? '~' : '-';
    }
    const char* house[] = {"    /\\    ", "   /  \\   ", "  /____\\  ", "  | [] |  ", "  |____|  "};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; house[r][c]; ++c)
            at(base, 60 + c, H - 13 + r) = house[r][c];
    const QByteArray title = "  ORVANE  ASCII  ";
    for (int c = 0; c < title.size(); ++c)
        at(base, 40 + c, 2) = title[c];
    orv::MovieWriter w(orv::FileName::fromText(path));
    if (!w.begin(orv::headerLine(QByteArray::number(W), QByteArray::number(H), cuadros, still ? "1000" : "80",
                                 "bench", "bench movie")))
        return false;
    for (int f = 0; f < cuadros; ++f) {
        QByteArray frame = base;
        if (!still) {
            const int x = (f / 2) % (W - 3), y = H - 11;
            const char* legs = f % 4 < 2 ? "/ \\" : "| |";
            for (int c = 0; c < 3; ++c) {
                at(frame, x + c, y) = "\\o/"[c];
                at(frame, x + c, y + 1) = " | "[c];
                at(frame, x + c, y + 2) = legs[c];
            }
            for (int k = 0; k < 6; ++k) {
                char& flake = at(frame, (k * 17 + f / 3) % W, (f + k * 11) % (H - 10));
                if (flake == ' ')
                    flake = '*';
            }
        }
        if (!w.writeFrame(frame))
            return false;
    }
    return w.commit();
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

    // Movies people make.
    const int quickFrames = fast ? 250 : 500;
    const QString fractalClip = dir.filePath(QStringLiteral("fractal.mp4"));
    run(ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "mandelbrot=size=640x480:rate=25", "-t",
                 QString::number(quickFrames / 25), "-c:v", "libx264", "-pix_fmt", "yuv420p", "-preset", "fast",
                 fractalClip});
    const QString stillClip = dir.filePath(QStringLiteral("still.mp4"));
    run(ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "mandelbrot=size=800x600:start_scale=0.01", "-frames:v",
                 "2", "-r", "1", "-c:v", "libx264", "-pix_fmt", "yuv420p", stillClip});
    struct Sample
    {
        QString name, path;
        bool figureOnly;
    };
    const QList<Sample> set{
        {QStringLiteral("from the clip"), movie, false},
        {QStringLiteral("fractal zoom"), dir.filePath(QStringLiteral("fractal.ovt")), false},
        {QStringLiteral("text art"), dir.filePath(QStringLiteral("art.ovt")), false},
        {QStringLiteral("demo"), QStringLiteral(ORV_DEMO_PATH), false},
        {QStringLiteral("still drawing"), dir.filePath(QStringLiteral("drawing.ovt")), false},
        {QStringLiteral("still picture"), dir.filePath(QStringLiteral("picture.ovt")), true},
        {QStringLiteral("200x100 shapes"), dir.filePath(QStringLiteral("200x100.ovt")), true},
    };
    run(orv, {"create", "--quiet", "--video", fractalClip, "--width", "120", "-o", set[1].path});
    writeTextArt(set[2].path, fast ? 150 : 300, false);
    writeTextArt(set[4].path, 2, true);
    run(orv, {"create", "--quiet", "--video", stillClip, "--width", "160", "-o", set[5].path});
    bench::writePlainMovie(set[6].path, {200, 100, quickFrames});

    std::printf("\nExport at 8 pt: size and time against the GIF's, the worst picture's PSNR\n");
    std::printf("  %-15s %8s %9s | %9s %6s %6s %6s | %9s %7s %6s\n", "movie", "GIF s", "GIF KB", "MP4 KB",
                "x size", "x time", "dB", "WebM KB", "x real", "dB");
    for (const Sample& m : set) {
        const auto exportTo = [&](const char* kind, int times) {
            const QString output = dir.filePath(QStringLiteral("e.") + QLatin1String(kind));
            const double t = bestOf(times, [&] {
                QFile::remove(output);
                // The last run's file is on disk before this one is timed:
                // writing a GIF of 30 MB back slowed the run after it.
                ::sync();
                return run(orv, {"export", QStringLiteral("--") + QLatin1String(kind), "-o", output, m.path});
            });
            return std::make_pair(t, double(QFileInfo(output).size()) / 1024);
        };
        // Exports of a fraction of a second are mostly the process starting:
        // more runs, for a best that is not the machine's noise.
        const int times = exportTo("gif", 1).first < 0.5 ? 9 : 3;
        const auto [gifSeconds, gifKb] = exportTo("gif", times);
        const auto [mp4Seconds, mp4Kb] = exportTo("mp4", times);
        const double mp4Db = worstPsnr(ffmpeg, dir.filePath(QStringLiteral("e.mp4")), dir.filePath(QStringLiteral("e.gif")), dir.path());
        const auto [webmSeconds, webmKb] = exportTo("webm", 1);
        const double webmDb = worstPsnr(ffmpeg, dir.filePath(QStringLiteral("e.webm")), dir.filePath(QStringLiteral("e.gif")), dir.path());
        QProcess probe;
        probe.start(QStandardPaths::findExecutable(QStringLiteral("ffprobe")),
                    {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", dir.filePath(QStringLiteral("e.webm"))});
        probe.waitForFinished(-1);
        const double lasts = probe.readAllStandardOutput().trimmed().toDouble();
        std::printf("  %-15s %8.2f %9.1f | %9.1f %6.2f %6.2f %6.1f | %9.1f %7.1f %6.1f%s\n", qPrintable(m.name),
                    gifSeconds, gifKb, mp4Kb, mp4Kb / gifKb, mp4Seconds / gifSeconds, mp4Db, webmKb,
                    lasts / webmSeconds, webmDb, m.figureOnly ? "  (figure only)" : "");
    }

    // The largest pictures each export takes: MP4 a 400 x 400 movie at 8 pt
    // (2800 x 4800 pixels), WebM at 4 pt (1200 x 2400).
    const QString big = dir.filePath(QStringLiteral("400x400.ovt"));
    if (bench::writePlainMovie(big, {400, 400, 10})) {
        std::printf("\nExport: the 400 x 400 x 10 movie at the largest font each format takes, peak memory\n");
        for (const auto& [kind, points] : {std::pair{"mp4", 8}, std::pair{"webm", 4}}) {
            const long kb = bench::peakKb(QStringLiteral("'%1' export --%2 --font-size %3 -o '%4' '%5'")
                                              .arg(orv, QLatin1String(kind)).arg(points)
                                              .arg(dir.filePath(QStringLiteral("big.") + QLatin1String(kind)), big));
            std::printf("  %-5s %2d pt %8.0f MB\n", kind, points, double(kb) / 1024);
        }
    }
    // A long movie is encoded in stretches side by side, each holding what
    // it gives until it is the oldest. The most they hold: letters at
    // random (every cell changes, nothing to copy) at about the largest
    // pictures encoded that way, 1162 x 1680, two stretches at once.
    const QString noise = dir.filePath(QStringLiteral("noise.ovt"));
    if (bench::writeNoiseMovie(noise, {166, 140, 520})) {
        const QString command = QStringLiteral("'%1' export --mp4 -o '%2' '%3'")
                                    .arg(orv, dir.filePath(QStringLiteral("noise.mp4")), noise);
        QElapsedTimer clock;
        clock.start();
        const long kb = bench::peakKb(command);
        std::printf("  mp4    8 pt %8.0f MB  166 x 140 x 520 letters at random, in stretches (%.1f s, %.0f MB)\n",
                    double(kb) / 1024, clock.elapsed() / 1000.0,
                    double(QFileInfo(dir.filePath(QStringLiteral("noise.mp4"))).size()) / (1 << 20));
    }
    return 0;
}
