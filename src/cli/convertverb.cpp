#include "convertverb.h"

#include "compressstep.h"

#include "conversion.h"
#include "moviewriter.h"
#include "nativename.h"
#include "verbs.h"

#include <QCommandLineParser>

namespace orv::cli {
namespace {

constexpr char kUso[] = "convert --width W --height H [--control repeat|skip|none] [--pause P] "
                        "[--author A] [--compress] -o SALIDA ORIGEN...";

// Message boxes become lines: their CR LF breaks become plain line ends.
QString comoLinea(QString texto)
{
    return texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
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
    const QCommandLineOption comprimir(QStringLiteral("compress"),
                                       QStringLiteral("Comprime la película de salida."));
    const QCommandLineOption salida(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("La película de salida (.ovt)."),
                                    QStringLiteral("SALIDA"));
    parser.addOptions({ancho, alto, control, pausa, creador, comprimir, salida});
    parser.addPositionalArgument(QStringLiteral("ORIGEN"),
                                 QStringLiteral("Archivos de texto con imágenes ASCII, en orden."));

    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    const QStringList fuentes = parser.positionalArguments();
    if (!parser.isSet(ancho) || !parser.isSet(alto))
        return usageError(io, QStringLiteral("faltan --width y --height"), kUso);
    if (!parser.isSet(salida))
        return usageError(io, QStringLiteral("falta -o SALIDA"), kUso);
    if (fuentes.isEmpty())
        return usageError(io, QStringLiteral("falta al menos un archivo de origen"), kUso);

    ParametrosConversion p;
    p.ancho = parser.value(ancho);
    p.alto = parser.value(alto);
    p.velocidad = parser.value(pausa);
    p.creador = parser.value(creador);
    const QString modo = parser.value(control);
    if (modo == QLatin1String("none"))
        p.leeinicio = false;
    else if (modo == QLatin1String("skip"))
        p.repetir = false;
    else if (modo != QLatin1String("repeat"))
        return usageError(io, QStringLiteral("--control debe ser repeat, skip o none"), kUso);

    if (const FalloParametros fallo = compruebaParametros(p); fallo != FalloParametros::Ninguno) {
        io.err << comoLinea(mensajeFalloParametros(fallo, p.creador)) << '\n';
        return kUsage;
    }

    const QString ruta = nombrePelicula(parser.value(salida));
    const ResultadoConversion r = convierte(fuentes, p, ruta);
    if (r.fuentesFallidas > 0)
        io.err << "orv: " << r.fuentesFallidas
               << " archivo(s) de origen no se pudieron leer por completo y se omitió lo que "
                  "faltaba\n";
    if (r.limiteAlcanzado)
        io.err << "orv: la película llegó a " << kMaxCuadros << " cuadros; el resto se omitió\n";
    switch (r.estado) {
    case EstadoConversion::Escrita:
        io.out << readableName(ruta) << ": " << r.numCuadros << " cuadros\n";
        return parser.isSet(comprimir) ? comprimeEscrita(ruta, io) : kOk;
    case EstadoConversion::SinCuadros:
        io.err << comoLinea(mensajeSinCuadros(r.fuentesFallidas)) << '\n';
        return kFailed;
    case EstadoConversion::ErrorEscritura:
        io.err << mensajeErrorEscritura(r.codigoError, r.descripcionError) << '\n';
        return kFailed;
    case EstadoConversion::Cancelada:
        break;
    }
    return kFailed;
}

} // namespace orv::cli
