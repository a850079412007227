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

QByteArray fuente(int imagenes)
{
    QByteArray datos;
    datos.reserve(qsizetype(imagenes) * 3290);
    for (int i = 0; i < imagenes; ++i) {
        datos.append(QByteArray::number(i % 7 == 0 ? 1 + i % 3 : 1)).append("\r\n");
        for (int fila = 0; fila < 40; ++fila) {
            for (int c = 0; c < 80; ++c)
                datos.append(" .:-=+*#%@"[(i + fila * 3 + c) % 10]);
            datos.append("\r\n");
        }
    }
    return datos;
}

double mejorDe(int veces, const std::function<bool()>& trabajo)
{
    double mejor = 1e30;
    for (int i = 0; i < veces; ++i) {
        QElapsedTimer t;
        t.start();
        if (!trabajo())
            return -1;
        mejor = std::min(mejor, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return mejor;
}

bool ejecuta(const QString& programa, const QStringList& args, const QString& salida = {})
{
    QProcess p;
    if (!salida.isEmpty())
        p.setStandardOutputFile(salida);
    p.start(programa, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool rapido = app.arguments().contains(QStringLiteral("--quick"));
    QTemporaryDir dir;
    const QString origen = dir.filePath(QStringLiteral("origen.txt"));
    {
        QFile f(origen);
        if (!f.open(QIODevice::WriteOnly) || f.write(fuente(rapido ? 1000 : 10000)) < 0)
            return 1;
    }
    const double mb = static_cast<double>(QFileInfo(origen).size()) / 1e6;
    const QString copia = dir.filePath(QStringLiteral("copia.txt"));
    const QString pelicula = dir.filePath(QStringLiteral("peli.ovt"));
    const QStringList args{QStringLiteral("convert"), QStringLiteral("--width"), QStringLiteral("80"),
                           QStringLiteral("--height"), QStringLiteral("40"), QStringLiteral("-o"),
                           pelicula, origen};

    const double conv = mejorDe(3, [&] { return ejecuta(QStringLiteral(ORV_CLI_PATH), args); });
    // The largest resident set of any child so far: the conversions ran first
    // and `cat` stays far below them.
    rusage uso{};
    getrusage(RUSAGE_CHILDREN, &uso);
    const double picoMb = static_cast<double>(uso.ru_maxrss) * 1024 / 1e6;
    const double cat = mejorDe(3, [&] { return ejecuta(QStringLiteral("cat"), {origen}, copia); });
    // The conversion flushes its movie to disk before renaming it into
    // place; this copy does the same, for a like-for-like figure.
    const double dd = mejorDe(3, [&] {
        return ejecuta(QStringLiteral("dd"), {QStringLiteral("if=") + origen, QStringLiteral("of=") + copia,
                                              QStringLiteral("bs=1M"), QStringLiteral("conv=fdatasync"),
                                              QStringLiteral("status=none")});
    });
    if (conv < 0 || cat < 0 || dd < 0) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    std::printf("source %.1f MB, movie %.1f MB\n", mb, static_cast<double>(QFileInfo(pelicula).size()) / 1e6);
    std::printf("orv convert   %8.1f MB/s  (%.3f s)\n", mb / conv, conv);
    std::printf("cat > copy    %8.1f MB/s  (%.3f s)\n", mb / cat, cat);
    std::printf("dd fdatasync  %8.1f MB/s  (%.3f s)\n", mb / dd, dd);
    std::printf("ratio to cat  %8.2f  (target >= 0.50)\n", cat / conv);
    std::printf("ratio to dd   %8.2f\n", dd / conv);
    std::printf("peak memory   %8.1f MB = %.2f x source  (target <= 2.00)\n", picoMb, picoMb / mb);
    return 0;
}
