#include "verbs.h"

#include "compressstep.h"

#include "conversion.h"
#include "moviewriter.h"
#include "filename.h"

#include <QCommandLineParser>

namespace orv::cli {
namespace {

constexpr char kUso[] = "convert --width W --height H [--control repeat|skip|none] [--pause P] "
                        "[--author A] [--compress] -o SALIDA ORIGEN...";

// Message boxes become lines: their CR LF breaks become plain line ends.
QString asLine(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

int convertVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    const QCommandLineOption ancho(QStringLiteral("width"),
                                   QStringLiteral("Ancho de cada cuadro, en caracteres."),
                                   QStringLiteral("W"));
    const QCommandLineOption alto(QStringLiteral("height"),
                                  QStringLiteral("Líneas de cada imagen tras su primera línea."),
                                  QStringLiteral("H"));
    const QCommandLineOption control(
        QStringLiteral("control"),
        QStringLiteral("La primera línea de cada imagen: repeat (número de copias, por omisión), "
                       "skip (se omite) o none (es la primera fila de la imagen)."),
        QStringLiteral("MODO"), QStringLiteral("repeat"));
    const QCommandLineOption pausa(QStringLiteral("pause"),
                                   QStringLiteral("Pausa de cada cuadro, en milisegundos (100)."),
                                   QStringLiteral("P"), QStringLiteral("100"));
    const QCommandLineOption creador(
        QStringLiteral("author"), QStringLiteral("Creador de la película."), QStringLiteral("A"));
    const QCommandLineOption compress(QStringLiteral("compress"),
                                      QStringLiteral("Comprime la película de salida."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("La película de salida (.ovt)."),
                                    QStringLiteral("SALIDA"));
    parser.addOptions({ancho, alto, control, pausa, creador, compress, output});
    parser.addPositionalArgument(QStringLiteral("ORIGEN"),
                                 QStringLiteral("Archivos de texto con imágenes ASCII, en orden."));

    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    const FileNames sources = fileNamesFromTexts(parser.positionalArguments());
    if (!parser.isSet(ancho) || !parser.isSet(alto))
        return usageError(io, QStringLiteral("faltan --width y --height"), kUso);
    if (!parser.isSet(output))
        return usageError(io, QStringLiteral("falta -o SALIDA"), kUso);
    if (sources.isEmpty())
        return usageError(io, QStringLiteral("falta al menos un archivo de origen"), kUso);

    ConversionParameters p;
    p.ancho = parser.value(ancho);
    p.alto = parser.value(alto);
    p.velocidad = parser.value(pausa);
    p.creador = parser.value(creador);
    const QString mode = parser.value(control);
    if (mode == QLatin1String("none"))
        p.leeinicio = false;
    else if (mode == QLatin1String("skip"))
        p.repeat = false;
    else if (mode != QLatin1String("repeat"))
        return usageError(io, QStringLiteral("--control debe ser repeat, skip o none"), kUso);

    if (const ParameterFault failure = checkParameters(p); failure != ParameterFault::None) {
        io.err << asLine(parameterFaultMessage(failure, p.creador)) << '\n';
        return kUsage;
    }

    const FileName path = movieName(nameArgument(parser.value(output)));
    if (const std::optional<int> refused = refuseOutput(path, sources, io))
        return *refused;
    const ConversionResult r = convert(sources, p, path);
    if (r.failedSources > 0)
        io.err << "orv: " << r.failedSources
               << " archivo(s) de origen no se pudieron leer por completo y se omitió lo que "
                  "faltaba\n";
    if (r.limitReached)
        io.err << "orv: la película llegó a " << kMaxFrames << " cuadros; el resto se omitió\n";
    switch (r.state) {
    case ConversionState::Written:
        io.out << path.display() << ": " << r.numCuadros << " cuadros\n";
        return parser.isSet(compress) ? compressWritten(path, io) : kOk;
    case ConversionState::NoFrames:
        io.err << asLine(noFramesMessage(r.failedSources)) << '\n';
        return kFailed;
    case ConversionState::WriteError:
        io.err << writeErrorMessage(r.codeError, r.errorDescription) << '\n';
        return kFailed;
    case ConversionState::TooLarge:
        io.err << "orv: " << tooLargeMessage(r.bytes) << '\n';
        return kFailed;
    case ConversionState::Cancelled:
        break;
    }
    return kFailed;
}

} // namespace orv::cli
