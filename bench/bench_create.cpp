// Image-to-movie benchmark: images per second for 200 generated 400 × 400
// pictures of 16 colours (a BMP set and a GIF set), end to end from files to a
// written movie with `orv create`, beside jp2a (the same pictures as JPEG)
// and libcaca's img2txt turning the same pictures to text in the same run.
// Also the generation in this process with decoding ahead and without, to
// show what decoding on every core buys.
//
//   bench_create [--quick]    (--quick: 40 pictures)
#include "decode.h"
#include "decodeahead.h"
#include "generation.h"
#include "imagefixtures.h"
#include "qtimage.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

#include <cstdio>
#include <sys/resource.h>
#include <thread>

namespace {

// Sixteen greys in 25-pixel blocks, shifted per picture so no two are alike.
QImage image(int n)
{
    QImage image(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < 400; ++x) {
            const int tone = (x / 25 + 3 * (y / 25) + n) % 16;
            line[x] = qRgb(15 + 16 * tone, 15 + 16 * tone, 15 + 16 * tone);
        }
    }
    return image;
}

struct Measurement
{
    QString name;
    double seconds = -1;
    int images = 0;
    double cpu = -1; // processor seconds of the tool's processes, user + system
};

// Processor time of finished child processes so far. On a machine shared
// with other work, wall time mostly measures the others; processor time
// measures the tool.
double childrenCpu()
{
    rusage uso{};
    getrusage(RUSAGE_CHILDREN, &uso);
    return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
           double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

double run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e9;
}

double inProgress(const QStringList& paths, const QString& output, bool ahead)
{
    QElapsedTimer t;
    t.start();
    std::optional<orv::imaging::DecodeAhead> d;
    if (ahead)
        d.emplace(orv::fileNamesFromTexts(paths));
    const orv::ImageLoad load = [&](int i) -> std::unique_ptr<orv::Image> {
        if (ahead)
            return d->next().forGeneration();
        auto image = orv::imaging::decodeImage(orv::FileName::fromText(paths.at(i)));
        return image ? std::make_unique<orv::imaging::QtImage>(std::move(*image)) : nullptr;
    };
    const auto r =
        orv::generaPelicula(orv::FileName::fromText(output), {int(paths.size()), QStringLiteral("100"), {}}, load);
    return r.type == orv::Result::Created ? double(t.nsecsElapsed()) / 1e9 : -1;
}

void print(const Measurement& m)
{
    if (m.seconds < 0) {
        std::printf("| %-44s | %9s | %12s | %12s |\n", qPrintable(m.name), "n/a", "n/a", "n/a");
        return;
    }
    char cpu[32] = "-";
    if (m.cpu > 0)
        std::snprintf(cpu, sizeof cpu, "%.1f", m.images / m.cpu);
    std::printf("| %-44s | %9.3f | %12.1f | %12s |\n", qPrintable(m.name), m.seconds,
                m.images / m.seconds, cpu);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int n = app.arguments().contains(QStringLiteral("--quick")) ? 40 : 200;
    QTemporaryDir dir;
    QStringList bmp, gif, jpg;
    for (int i = 0; i < n; ++i) {
        const QImage picture = image(i);
        const QString base = dir.filePath(QStringLiteral("img%1").arg(i, 3, 10, QLatin1Char('0')));
        picture.save(base + QStringLiteral(".bmp"), "bmp");
        imagefixtures::writeGif(base + QStringLiteral(".gif"), {picture});
        picture.save(base + QStringLiteral(".jpg"), "jpg", 90);
        bmp << base + QStringLiteral(".bmp");
        gif << base + QStringLiteral(".gif");
        jpg << base + QStringLiteral(".jpg");
    }
    const QString orv = QStringLiteral(ORV_CLI_PATH);
    std::printf("%d pictures of 400 x 400 pixels, 16 colours; %u cores\n\n", n,
                std::thread::hardware_concurrency());
    std::printf("| %-44s | %9s | %12s | %12s |\n", "tool", "seconds", "images/s", "images/cpu-s");
    std::printf("|%s|%s|%s|%s|\n", "----------------------------------------------", "-----------",
                "--------------", "--------------");
    QList<Measurement> measures;
    const auto measure = [](const QString& name, int images, const std::function<double()>& f) {
        const double before = childrenCpu();
        const double s = f();
        return Measurement{name, s, images, childrenCpu() - before};
    };
    measures.append(measure(QStringLiteral("orv create, BMP"), n, [&] {
        return run(orv, QStringList{"create", "-o", dir.filePath("bmp.ovt")} + bmp);
    }));
    measures.append(measure(QStringLiteral("orv create, GIF"), n, [&] {
        return run(orv, QStringList{"create", "-o", dir.filePath("gif.ovt")} + gif);
    }));
    double bestOther = -1;
    if (!QStandardPaths::findExecutable(QStringLiteral("jp2a")).isEmpty()) {
        measures.append(measure(QStringLiteral("jp2a --width=400, JPEG (one run)"), n, [&] {
            return run(QStringLiteral("jp2a"), QStringList{"--width=400"} + jpg);
        }));
        if (measures.last().seconds > 0)
            bestOther = n / measures.last().seconds;
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("img2txt")).isEmpty()) {
        // img2txt takes one picture per run.
        measures.append(
            measure(QStringLiteral("img2txt -W 400, BMP (one run per picture)"), n, [&] {
                double total = 0;
                for (const QString& f : bmp) {
                    const double s = run(QStringLiteral("img2txt"),
                                         {QStringLiteral("-W"), QStringLiteral("400"), f});
                    if (s < 0)
                        return -1.0;
                    total += s;
                }
                return total;
            }));
        if (measures.last().seconds > 0)
            bestOther = std::max(bestOther, n / measures.last().seconds);
    }
    measures.append({QStringLiteral("in process, BMP, decoding ahead"),
                     inProgress(bmp, dir.filePath("a.ovt"), true), int(n)});
    measures.append({QStringLiteral("in process, BMP, decoding in turn"),
                     inProgress(bmp, dir.filePath("b.ovt"), false), int(n)});
    measures.append({QStringLiteral("in process, GIF, decoding ahead"),
                     inProgress(gif, dir.filePath("c.ovt"), true), int(n)});
    measures.append({QStringLiteral("in process, GIF, decoding in turn"),
                     inProgress(gif, dir.filePath("d.ovt"), false), int(n)});
    for (const Measurement& m : measures)
        print(m);
    if (bestOther > 0) {
        const double bmpRate = measures[0].seconds > 0 ? n / measures[0].seconds : 0;
        const double gifRate = measures[1].seconds > 0 ? n / measures[1].seconds : 0;
        std::printf(
            "\norv create against the faster of jp2a and img2txt (wall): BMP %.2fx, GIF %.2fx\n",
            bmpRate / bestOther, gifRate / bestOther);
    }
    return 0;
}
