// Image-to-movie benchmark: images per second for 200 generated 400 × 400
// pictures of 16 colours (a BMP set and a GIF set), end to end from files to a
// written movie with `orv create`, beside jp2a (the same pictures as JPEG)
// and libcaca's img2txt turning the same pictures to text in the same run.
// Also the generation in this process with decoding ahead and without, to
// show what decoding on every core buys.
//
//   bench_create [--quick]    (--quick: 40 pictures)
#include "adelantado.h"
#include "decodifica.h"
#include "generacion.h"
#include "imagefixtures.h"
#include "imagenqt.h"

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
QImage imagen(int n)
{
    QImage img(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y) {
        auto* linea = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < 400; ++x) {
            const int tono = (x / 25 + 3 * (y / 25) + n) % 16;
            linea[x] = qRgb(15 + 16 * tono, 15 + 16 * tono, 15 + 16 * tono);
        }
    }
    return img;
}

struct Medida
{
    QString nombre;
    double segundos = -1;
    int imagenes = 0;
    double cpu = -1; // processor seconds of the tool's processes, user + system
};

// Processor time of finished child processes so far. On a machine shared
// with other work, wall time mostly measures the others; processor time
// measures the tool.
double cpuHijos()
{
    rusage uso{};
    getrusage(RUSAGE_CHILDREN, &uso);
    return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
           double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

double corre(const QString& programa, const QStringList& args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(programa, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e9;
}

double enProceso(const QStringList& rutas, const QString& salida, bool adelantado)
{
    QElapsedTimer t;
    t.start();
    std::optional<orv::imaging::DecodificadorAdelantado> d;
    if (adelantado)
        d.emplace(rutas);
    const orv::CargaImagen carga = [&](int i) -> std::unique_ptr<orv::Imagen> {
        if (adelantado)
            return d->siguiente().paraGeneracion();
        auto img = orv::imaging::decodificaImagen(rutas.at(i));
        return img ? std::make_unique<orv::imaging::ImagenQt>(std::move(*img)) : nullptr;
    };
    const auto r =
        orv::generaPelicula(salida, {int(rutas.size()), QStringLiteral("100"), {}}, carga);
    return r.tipo == orv::Resultado::Creada ? double(t.nsecsElapsed()) / 1e9 : -1;
}

void imprime(const Medida& m)
{
    if (m.segundos < 0) {
        std::printf("| %-44s | %9s | %12s | %12s |\n", qPrintable(m.nombre), "n/a", "n/a", "n/a");
        return;
    }
    char cpu[32] = "-";
    if (m.cpu > 0)
        std::snprintf(cpu, sizeof cpu, "%.1f", m.imagenes / m.cpu);
    std::printf("| %-44s | %9.3f | %12.1f | %12s |\n", qPrintable(m.nombre), m.segundos,
                m.imagenes / m.segundos, cpu);
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
        const QImage img = imagen(i);
        const QString base = dir.filePath(QStringLiteral("img%1").arg(i, 3, 10, QLatin1Char('0')));
        img.save(base + QStringLiteral(".bmp"), "bmp");
        imagefixtures::escribeGif(base + QStringLiteral(".gif"), {img});
        img.save(base + QStringLiteral(".jpg"), "jpg", 90);
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
    QList<Medida> medidas;
    const auto mide = [](const QString& nombre, int imagenes, const std::function<double()>& f) {
        const double antes = cpuHijos();
        const double s = f();
        return Medida{nombre, s, imagenes, cpuHijos() - antes};
    };
    medidas.append(mide(QStringLiteral("orv create, BMP"), n, [&] {
        return corre(orv, QStringList{"create", "-o", dir.filePath("bmp.ovt")} + bmp);
    }));
    medidas.append(mide(QStringLiteral("orv create, GIF"), n, [&] {
        return corre(orv, QStringList{"create", "-o", dir.filePath("gif.ovt")} + gif);
    }));
    double mejorAjeno = -1;
    if (!QStandardPaths::findExecutable(QStringLiteral("jp2a")).isEmpty()) {
        medidas.append(mide(QStringLiteral("jp2a --width=400, JPEG (one run)"), n, [&] {
            return corre(QStringLiteral("jp2a"), QStringList{"--width=400"} + jpg);
        }));
        if (medidas.last().segundos > 0)
            mejorAjeno = n / medidas.last().segundos;
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("img2txt")).isEmpty()) {
        // img2txt takes one picture per run.
        medidas.append(mide(QStringLiteral("img2txt -W 400, BMP (one run per picture)"), n, [&] {
            double total = 0;
            for (const QString& f : bmp) {
                const double s = corre(QStringLiteral("img2txt"),
                                       {QStringLiteral("-W"), QStringLiteral("400"), f});
                if (s < 0)
                    return -1.0;
                total += s;
            }
            return total;
        }));
        if (medidas.last().segundos > 0)
            mejorAjeno = std::max(mejorAjeno, n / medidas.last().segundos);
    }
    medidas.append({QStringLiteral("in process, BMP, decoding ahead"),
                    enProceso(bmp, dir.filePath("a.ovt"), true), int(n)});
    medidas.append({QStringLiteral("in process, BMP, decoding in turn"),
                    enProceso(bmp, dir.filePath("b.ovt"), false), int(n)});
    medidas.append({QStringLiteral("in process, GIF, decoding ahead"),
                    enProceso(gif, dir.filePath("c.ovt"), true), int(n)});
    medidas.append({QStringLiteral("in process, GIF, decoding in turn"),
                    enProceso(gif, dir.filePath("d.ovt"), false), int(n)});
    for (const Medida& m : medidas)
        imprime(m);
    if (mejorAjeno > 0) {
        const double bmpRate = medidas[0].segundos > 0 ? n / medidas[0].segundos : 0;
        const double gifRate = medidas[1].segundos > 0 ? n / medidas[1].segundos : 0;
        std::printf(
            "\norv create against the faster of jp2a and img2txt (wall): BMP %.2fx, GIF %.2fx\n",
            bmpRate / mejorAjeno, gifRate / mejorAjeno);
    }
    return 0;
}
