// `orv create`: images to a movie through the same generation as the
// Creator's window, its messages on standard error.
#include "verbs.h"

#include "adelantado.h"
#include "compressstep.h"
#include "generacion.h"
#include "moviewriter.h"
#include "nativename.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace orv::cli {
namespace {

constexpr char kUso[] = "create [--pause P] [--author A] [--compress] -o SALIDA IMAGEN...";

void escribeMensaje(QTextStream& s, QString texto)
{
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s << "orv: " << texto << '\n';
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
    const QCommandLineOption autor(QStringLiteral("author"),
                                   QStringLiteral("El creador de la película."),
                                   QStringLiteral("A"));
    const QCommandLineOption comprimir(QStringLiteral("compress"),
                                       QStringLiteral("Comprime la película al terminar."));
    const QCommandLineOption salida(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("La película a escribir; se agrega .ovt si no termina así."),
        QStringLiteral("SALIDA"));
    parser.addOptions({pausa, autor, comprimir, salida});
    parser.addPositionalArgument(QStringLiteral("IMAGEN"),
                                 QStringLiteral("Las imágenes, una por cuadro, en orden."),
                                 QStringLiteral("IMAGEN..."));
    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    const QStringList imagenes =
        parser.positionalArguments(); // the verb stands as the program name
    if (!parser.isSet(salida) || parser.value(salida).isEmpty() || imagenes.isEmpty())
        return usageError(io, QString(), kUso);
    if (imagenes.size() > 32767)
        return usageError(io, QStringLiteral("una película tiene como máximo 32767 cuadros"), kUso);
    const QString textoPausa = parser.value(pausa);
    const QString creador = parser.value(autor);
    if (const auto error = validaDatos(textoPausa, creador)) {
        escribeMensaje(io.err, *error);
        return kUsage;
    }

    const QString ruta = absoluteName(nombrePelicula(parser.value(salida)));
    imaging::DecodificadorAdelantado decodificador(imagenes);
    const CargaImagen carga = [&decodificador](int) { return decodificador.siguiente().paraGeneracion(); };
    const ResultadoGeneracion r =
        generaPelicula(ruta, {int(imagenes.size()), textoPausa, creador}, carga);
    if (r.tipo != Resultado::Creada) {
        escribeMensaje(io.err, mensajeGeneracion(r, imagenes));
        return kFailed;
    }
    io.out << mensajeCreada() << '\n' << readableName(ruta) << '\n';
    return parser.isSet(comprimir) ? comprimeEscrita(ruta, io) : kOk;
}

} // namespace orv::cli
