// `orv create`: images to a movie through the same generation as the
// Creator's window, its messages on standard error.
#include "verbs.h"

#include "compressstep.h"
#include "decodeahead.h"
#include "generation.h"
#include "moviewriter.h"
#include "nativename.h"
#include "videoimport.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace orv::cli {
namespace {

constexpr char kUso[] = "create [--pause P] [--author A] [--compress] -o SALIDA IMAGEN...\n"
                        "       orv create --video CLIP [--width COLS] [--fps N] [--from T] [--to T] [--invert]\n"
                        "                  [--dither none|ordered] [--pause P] [--author A] [--compress] [--quiet] -o SALIDA";

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
}

void writeMessage(QTextStream& s, QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s << "orv: " << text << '\n';
}

} // namespace

int createVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Crea una película con una imagen por cuadro (bmp, dib, gif, jpg, jpeg, "
                       "ico, cur, wmf, emf)."));
    const QCommandLineOption pausa(QStringLiteral("pause"),
                                   QStringLiteral("Milisegundos por cuadro (100 si se omite)."),
                                   QStringLiteral("P"), QStringLiteral("100"));
    const QCommandLineOption author(QStringLiteral("author"),
                                    QStringLiteral("El creador de la película."),
                                    QStringLiteral("A"));
    const QCommandLineOption compress(QStringLiteral("compress"),
                                      QStringLiteral("Comprime la película al terminar."));
    const QCommandLineOption output(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("La película a escribir; se agrega .ovt si no termina así."),
        QStringLiteral("SALIDA"));
    const QCommandLineOption video(QStringLiteral("video"),
                                   QStringLiteral("Crea la película a partir de un video o una animación."),
                                   QStringLiteral("CLIP"));
    const QCommandLineOption width(
        QStringLiteral("width"),
        QStringLiteral("Con --video: ancho en caracteres, de 12 a 400 (160)."),
        QStringLiteral("COLS"), QStringLiteral("160"));
    const QCommandLineOption fps(QStringLiteral("fps"),
                                 QStringLiteral("Con --video: cuadros por segundo (los del video, hasta 30)."),
                                 QStringLiteral("N"));
    const QCommandLineOption from(
        QStringLiteral("from"),
        QStringLiteral("Con --video: desde este momento (segundos o mm:ss)."), QStringLiteral("T"));
    const QCommandLineOption to(
        QStringLiteral("to"), QStringLiteral("Con --video: hasta este momento (segundos o mm:ss)."),
        QStringLiteral("T"));
    const QCommandLineOption reverse(
        QStringLiteral("invert"), QStringLiteral("Con --video: letras claras sobre fondo oscuro."));
    const QCommandLineOption dither(QStringLiteral("dither"),
                                    QStringLiteral("Con --video: none (por omisión) u ordered."),
                                    QStringLiteral("MODO"), QStringLiteral("none"));
    const QCommandLineOption silence(QStringLiteral("quiet"),
                                     QStringLiteral("Con --video: no muestra el avance."));
    parser.addOptions(
        {pausa, author, compress, output, video, width, fps, from, to, reverse, dither, silence});
    parser.addPositionalArgument(QStringLiteral("IMAGEN"),
                                 QStringLiteral("Las imágenes, una por cuadro, en orden."),
                                 QStringLiteral("IMAGEN..."));
    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    if (parser.isSet(video)) {
        if (!parser.positionalArguments().isEmpty() || !parser.isSet(output) ||
            parser.value(output).isEmpty())
            return usageError(io, QStringLiteral("con --video se da solo el video y -o SALIDA"), kUso);
        video::VideoOptions o;
        bool ok = false;
        o.columns = parser.value(width).toInt(&ok);
        if (!ok)
            return usageError(io, QStringLiteral("--width debe ser un número entero de 12 a 400"), kUso);
        if (parser.isSet(fps)) {
            o.fps = parser.value(fps).toDouble(&ok);
            if (!ok || !(o.fps > 0))
                return usageError(io, QStringLiteral("--fps debe ser un número mayor que 0"), kUso);
        }
        for (const auto& [option, target] : {std::pair{&from, &o.from}, std::pair{&to, &o.to}}) {
            if (!parser.isSet(*option))
                continue;
            const std::optional<double> t = video::readTime(parser.value(*option));
            if (!t)
                return usageError(io, QStringLiteral("los tiempos se escriben en segundos o mm:ss (1:15)"), kUso);
            *target = *t;
        }
        o.reverse = parser.isSet(reverse);
        const QString mode = parser.value(dither);
        if (mode != QLatin1String("none") && mode != QLatin1String("ordered"))
            return usageError(io, QStringLiteral("--dither es none u ordered"), kUso);
        o.dither = mode == QLatin1String("ordered") ? video::Dither::Ordered : video::Dither::None;
        if (parser.isSet(pausa))
            o.pausa = parser.value(pausa);
        o.creador = parser.value(author);
        const QString clip = parser.value(video);
        const QString path = absoluteName(movieName(parser.value(output)));

        // Ctrl+C cancels: the movie is dropped, nothing is left.
        g_interrupted = false;
        struct sigaction action
        {
        };
        struct sigaction anterior {};
        action.sa_handler = onInterrupt;
        sigaction(SIGINT, &action, &anterior);
        const bool progressVisible = !parser.isSet(silence) && ::isatty(STDERR_FILENO);
        QElapsedTimer clock;
        clock.start();
        qint64 last = -1000;
        const auto progress = [&](int done, int total) {
            if (progressVisible && (clock.elapsed() - last >= 100 || done == total)) {
                last = clock.elapsed();
                std::fprintf(stderr, "\r%d de %d cuadros (%d %%)", done, total,
                             int(qint64(done) * 100 / total));
                std::fflush(stderr);
            }
            return !g_interrupted.load();
        };
        const video::VideoResult r = video::importVideo(clip, path, o, progress);
        sigaction(SIGINT, &anterior, nullptr);
        if (progressVisible && r.cuadros > 0) {
            std::fputc('\n', stderr);
            std::fflush(stderr);
        }
        if (r.state == video::VideoState::Cancelled) {
            io.err << "orv: cancelado; no se escribió nada\n";
            return 130;
        }
        if (r.state != video::VideoState::Created) {
            writeMessage(io.err, video::videoMessage(r, clip));
            return r.state == video::VideoState::WriteError ||
                           r.state == video::VideoState::NotVideo ||
                           r.state == video::VideoState::NoVideo
                       ? kFailed
                       : kUsage;
        }
        if (r.cut)
            io.err << "orv: el tramo pasa de " << video::kMaxFrames
                   << " cuadros, el límite de una película; se cortó allí\n";
        io.out << createdMessage() << '\n' << readableName(path) << '\n';
        return parser.isSet(compress) ? compressWritten(path, io) : kOk;
    }
    const QStringList images = parser.positionalArguments(); // the verb stands as the program name
    if (!parser.isSet(output) || parser.value(output).isEmpty() || images.isEmpty())
        return usageError(io, QString(), kUso);
    if (images.size() > 32767)
        return usageError(io, QStringLiteral("una película tiene como máximo 32767 cuadros"), kUso);
    const QString pauseText = parser.value(pausa);
    const QString creador = parser.value(author);
    if (const auto error = validateData(pauseText, creador)) {
        writeMessage(io.err, *error);
        return kUsage;
    }

    const QString path = absoluteName(movieName(parser.value(output)));
    imaging::DecodeAhead decoder(images);
    const ImageLoad load = [&decoder](int) { return decoder.next().forGeneration(); };
    const GenerationResult r = generaPelicula(path, {int(images.size()), pauseText, creador}, load);
    if (r.type != Result::Created) {
        writeMessage(io.err, generationMessage(r, images));
        return kFailed;
    }
    io.out << createdMessage() << '\n' << readableName(path) << '\n';
    return parser.isSet(compress) ? compressWritten(path, io) : kOk;
}

} // namespace orv::cli
