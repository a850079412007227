// `orv create`: pictures, or a clip, to a movie through the same engines as
// the Creator's window, its messages on standard error.
#include "verbs.h"

#include "compressstep.h"
#include "interruption.h"
#include "decodeahead.h"
#include "generation.h"
#include "moviewriter.h"
#include "numeric.h"
#include "filename.h"
#include "videoimport.h"

#include <QCommandLineParser>
#include <QElapsedTimer>

#include <cstdio>
#include <unistd.h>

namespace orv::cli {
namespace {

constexpr char kUsageLine[] = "create [--pause P] [--author A] [--compress] [--quiet] -o SALIDA IMAGEN...\n"
                              "       orv create --video CLIP [--width COLS] [--fps N] [--from T] [--to T] [--invert]\n"
                              "                  [--dither none|ordered] [--gamma G] [--contrast C] [--brightness B]\n"
                              "                  [--pause P] [--author A] [--compress] [--quiet] -o SALIDA";

// The verb's options, for its two roads.
struct CreateOptions
{
    const QCommandLineOption pause{QStringLiteral("pause"),
                                   QStringLiteral("Milisegundos por cuadro (100 si se omite)."),
                                   QStringLiteral("P"), QStringLiteral("100")};
    const QCommandLineOption author{QStringLiteral("author"), QStringLiteral("El creador de la película."),
                                    QStringLiteral("A")};
    const QCommandLineOption compress{QStringLiteral("compress"),
                                      QStringLiteral("Comprime la película al terminar.")};
    const QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("La película a escribir; se agrega .ovt si no termina así."),
                                    QStringLiteral("SALIDA")};
    const QCommandLineOption video{QStringLiteral("video"),
                                   QStringLiteral("Crea la película a partir de un video o una animación."),
                                   QStringLiteral("CLIP")};
    const QCommandLineOption width{QStringLiteral("width"),
                                   QStringLiteral("Con --video: ancho en caracteres, de 12 a 400 (160)."),
                                   QStringLiteral("COLS"), QStringLiteral("160")};
    const QCommandLineOption fps{QStringLiteral("fps"),
                                 QStringLiteral("Con --video: cuadros por segundo (los del video, hasta 30)."),
                                 QStringLiteral("N")};
    const QCommandLineOption from{QStringLiteral("from"),
                                  QStringLiteral("Con --video: desde este momento (segundos o mm:ss)."),
                                  QStringLiteral("T")};
    const QCommandLineOption to{QStringLiteral("to"),
                                QStringLiteral("Con --video: hasta este momento (segundos o mm:ss)."),
                                QStringLiteral("T")};
    const QCommandLineOption invert{QStringLiteral("invert"),
                                    QStringLiteral("Con --video: letras claras sobre fondo oscuro.")};
    const QCommandLineOption dither{QStringLiteral("dither"),
                                    QStringLiteral("Con --video: none (por omisión) u ordered."),
                                    QStringLiteral("MODO"), QStringLiteral("none")};
    const QCommandLineOption gamma{QStringLiteral("gamma"),
                                   QStringLiteral("Con --video: gamma de 0.1 a 10; más de 1 aclara los grises medios (1)."),
                                   QStringLiteral("G"), QStringLiteral("1")};
    const QCommandLineOption contrast{QStringLiteral("contrast"),
                                      QStringLiteral("Con --video: contraste de 0 a 10 (1)."), QStringLiteral("C"),
                                      QStringLiteral("1")};
    const QCommandLineOption brightness{QStringLiteral("brightness"),
                                        QStringLiteral("Con --video: brillo de -1 a 1 (0)."), QStringLiteral("B"),
                                        QStringLiteral("0")};
    const QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("No muestra el avance ni, si todo sale bien, ningún mensaje.")};

    QList<QCommandLineOption> all() const
    {
        return {pause, author, compress, output, video, width, fps, from, to, invert, dither, gamma, contrast,
                brightness, quiet};
    }
};

void writeMessage(QTextStream& s, QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s << "orv: " << text << '\n';
}

// The movie reported as made, then compressed when asked.
int created(const QCommandLineParser& parser, const CreateOptions& options, const FileName& path, Io& io)
{
    if (!parser.isSet(options.quiet))
        io.out << createdMessage() << '\n' << path.display() << '\n';
    return parser.isSet(options.compress) ? compressWritten(path, io) : kOk;
}

// The clip's options as the import takes them; an exit status when one is
// bad usage.
std::optional<int> readVideoOptions(const QCommandLineParser& parser, const CreateOptions& options,
                                    video::VideoOptions& o, Io& io)
{
    bool ok = false;
    o.columns = parser.value(options.width).toInt(&ok);
    if (!ok)
        return usageError(io, QStringLiteral("--width debe ser un número entero de 12 a 400"), kUsageLine);
    if (parser.isSet(options.fps)) {
        o.fps = parser.value(options.fps).toDouble(&ok);
        if (!ok || !(o.fps >= video::kMinFps && o.fps <= 120))
            return usageError(io, QStringLiteral("--fps debe ser un número de 0.000001 a 120"), kUsageLine);
    }
    for (const auto& [option, target] : {std::pair{&options.from, &o.from}, std::pair{&options.to, &o.to}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<double> t = readTime(parser.value(*option));
        if (!t)
            return usageError(io, QStringLiteral("los tiempos se escriben en segundos o mm:ss (1:15)"), kUsageLine);
        *target = *t;
    }
    o.reverse = parser.isSet(options.invert);
    const QString mode = parser.value(options.dither);
    if (mode != QLatin1String("none") && mode != QLatin1String("ordered"))
        return usageError(io, QStringLiteral("--dither es none u ordered"), kUsageLine);
    o.dither = mode == QLatin1String("ordered") ? video::Dither::Ordered : video::Dither::None;
    bool g = false, c = false, b = false;
    o.gamma = parser.value(options.gamma).toDouble(&g);
    o.contrast = parser.value(options.contrast).toDouble(&c);
    o.brightness = parser.value(options.brightness).toDouble(&b);
    // Their ranges are the import's to check (a refusal there is bad usage too).
    if (!g || !c || !b)
        return usageError(io, QStringLiteral("la gamma, el contraste y el brillo son números"), kUsageLine);
    if (parser.isSet(options.pause))
        o.pausa = parser.value(options.pause);
    o.creador = parser.value(options.author);
    return std::nullopt;
}

int createFromVideo(const QCommandLineParser& parser, const CreateOptions& options, Io& io)
{
    if (!parser.positionalArguments().isEmpty() || !parser.isSet(options.output)
        || parser.value(options.output).isEmpty())
        return usageError(io, QStringLiteral("con --video se da solo el video y -o SALIDA"), kUsageLine);
    video::VideoOptions o;
    if (const std::optional<int> bad = readVideoOptions(parser, options, o, io))
        return *bad;
    const FileName clip = nameArgument(parser.value(options.video));
    const FileName path = movieName(nameArgument(parser.value(options.output))).absolute();
    if (const std::optional<int> refused = refuseOutput(path, {clip}, io))
        return *refused;

    // Ctrl+C, SIGTERM or SIGHUP cancels: the movie is dropped, nothing is left.
    const Interruption interruption;
    const bool progressVisible = !parser.isSet(options.quiet) && ::isatty(STDERR_FILENO);
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1000;
    const auto progress = [&](int done, int total) {
        if (progressVisible && (clock.elapsed() - last >= 100 || done == total)) {
            last = clock.elapsed();
            std::fprintf(stderr, "\r%d de %d cuadros (%d %%)", done, total, int(qint64(done) * 100 / total));
            std::fflush(stderr);
        }
        return !Interruption::requested();
    };
    const video::VideoResult r = video::importVideo(clip, path, o, progress);
    if (progressVisible && r.cuadros > 0) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    if (r.state == video::VideoState::Cancelled) {
        io.err << "orv: cancelado; no se escribió nada\n";
        return Interruption::status();
    }
    if (r.state != video::VideoState::Created) {
        writeMessage(io.err, video::videoMessage(r, clip));
        return r.state == video::VideoState::WriteError || r.state == video::VideoState::NotVideo
                       || r.state == video::VideoState::NoVideo || r.state == video::VideoState::TooLarge
                   ? kFailed
                   : kUsage;
    }
    if (r.endsAt >= 0)
        io.err << "orv: " << video::shortClipMessage(r.endsAt) << "; la película llega hasta allí\n";
    if (r.cut)
        io.err << "orv: el tramo pasa de " << video::kMaxFrames
               << " cuadros, el límite de una película; se cortó allí\n";
    return created(parser, options, path, io);
}

int createFromImages(const QCommandLineParser& parser, const CreateOptions& options, Io& io)
{
    const FileNames images = fileNamesFromTexts(parser.positionalArguments());
    if (!parser.isSet(options.output) || parser.value(options.output).isEmpty() || images.isEmpty())
        return usageError(io, QString(), kUsageLine);
    if (images.size() > 32767)
        return usageError(io, QStringLiteral("una película tiene como máximo 32767 cuadros"), kUsageLine);
    const QString pauseText = parser.value(options.pause);
    const QString creador = parser.value(options.author);
    if (const auto error = validateData(pauseText, creador)) {
        writeMessage(io.err, *error);
        return kUsage;
    }

    const FileName path = movieName(nameArgument(parser.value(options.output))).absolute();
    if (const std::optional<int> refused = refuseOutput(path, images, io))
        return *refused;
    imaging::DecodeAhead decoder(images);
    const ImageLoad load = [&decoder](int) { return decoder.next().forGeneration(); };
    const GenerationResult r = generaPelicula(path, {int(images.size()), pauseText, creador}, load);
    if (r.type != Result::Created) {
        writeMessage(io.err, generationMessage(r, images));
        return kFailed;
    }
    return created(parser, options, path, io);
}

} // namespace

int createVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Crea una película con una imagen por cuadro (bmp, dib, gif, jpg, jpeg, "
                       "ico, cur, wmf, emf)."));
    const CreateOptions options;
    parser.addOptions(options.all());
    parser.addPositionalArgument(QStringLiteral("IMAGEN"), QStringLiteral("Las imágenes, una por cuadro, en orden."),
                                 QStringLiteral("IMAGEN..."));
    if (const int done = parseVerb(parser, args, kAnyNumber, kUsageLine, io); done >= 0)
        return done;
    return parser.isSet(options.video) ? createFromVideo(parser, options, io)
                                       : createFromImages(parser, options, io);
}

} // namespace orv::cli
