// `orv create`: images to a movie through the same generation as the
// Creator's window, its messages on standard error.
#include "verbs.h"

#include "adelantado.h"
#include "importacion.h"
#include "compressstep.h"
#include "generacion.h"
#include "moviewriter.h"
#include "nativename.h"

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

std::atomic<bool> g_interrumpido{false};

extern "C" void alInterrumpir(int)
{
    g_interrumpido = true;
}

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
    const QCommandLineOption video(QStringLiteral("video"),
                                   QStringLiteral("Crea la película a partir de un video o una animación."),
                                   QStringLiteral("CLIP"));
    const QCommandLineOption ancho(QStringLiteral("width"),
                                   QStringLiteral("Con --video: ancho en caracteres, de 12 a 400 (160)."),
                                   QStringLiteral("COLS"), QStringLiteral("160"));
    const QCommandLineOption fps(QStringLiteral("fps"),
                                 QStringLiteral("Con --video: cuadros por segundo (los del video, hasta 30)."),
                                 QStringLiteral("N"));
    const QCommandLineOption desde(QStringLiteral("from"),
                                   QStringLiteral("Con --video: desde este momento (segundos o mm:ss)."),
                                   QStringLiteral("T"));
    const QCommandLineOption hasta(QStringLiteral("to"),
                                   QStringLiteral("Con --video: hasta este momento (segundos o mm:ss)."),
                                   QStringLiteral("T"));
    const QCommandLineOption invertir(QStringLiteral("invert"),
                                      QStringLiteral("Con --video: letras claras sobre fondo oscuro."));
    const QCommandLineOption tramado(QStringLiteral("dither"),
                                     QStringLiteral("Con --video: none (por omisión) u ordered."),
                                     QStringLiteral("MODO"), QStringLiteral("none"));
    const QCommandLineOption silencio(QStringLiteral("quiet"),
                                      QStringLiteral("Con --video: no muestra el avance."));
    parser.addOptions({pausa, autor, comprimir, salida, video, ancho, fps, desde, hasta, invertir, tramado, silencio});
    parser.addPositionalArgument(QStringLiteral("IMAGEN"),
                                 QStringLiteral("Las imágenes, una por cuadro, en orden."),
                                 QStringLiteral("IMAGEN..."));
    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    if (parser.isSet(video)) {
        if (!parser.positionalArguments().isEmpty() || !parser.isSet(salida) || parser.value(salida).isEmpty())
            return usageError(io, QStringLiteral("con --video se da solo el video y -o SALIDA"), kUso);
        video::OpcionesVideo o;
        bool ok = false;
        o.columnas = parser.value(ancho).toInt(&ok);
        if (!ok)
            return usageError(io, QStringLiteral("--width debe ser un número entero de 12 a 400"), kUso);
        if (parser.isSet(fps)) {
            o.fps = parser.value(fps).toDouble(&ok);
            if (!ok || !(o.fps > 0))
                return usageError(io, QStringLiteral("--fps debe ser un número mayor que 0"), kUso);
        }
        for (const auto& [opcion, destino] : {std::pair{&desde, &o.desde}, std::pair{&hasta, &o.hasta}}) {
            if (!parser.isSet(*opcion))
                continue;
            const std::optional<double> t = video::leeTiempo(parser.value(*opcion));
            if (!t)
                return usageError(io, QStringLiteral("los tiempos se escriben en segundos o mm:ss (1:15)"), kUso);
            *destino = *t;
        }
        o.invertir = parser.isSet(invertir);
        const QString modo = parser.value(tramado);
        if (modo != QLatin1String("none") && modo != QLatin1String("ordered"))
            return usageError(io, QStringLiteral("--dither es none u ordered"), kUso);
        o.tramado = modo == QLatin1String("ordered") ? video::Tramado::Ordenado : video::Tramado::Ninguno;
        if (parser.isSet(pausa))
            o.pausa = parser.value(pausa);
        o.creador = parser.value(autor);
        const QString clip = parser.value(video);
        const QString ruta = absoluteName(nombrePelicula(parser.value(salida)));

        // Ctrl+C cancels: the movie is dropped, nothing is left.
        g_interrumpido = false;
        struct sigaction accion {};
        struct sigaction anterior {};
        accion.sa_handler = alInterrumpir;
        sigaction(SIGINT, &accion, &anterior);
        const bool avanceVisible = !parser.isSet(silencio) && ::isatty(STDERR_FILENO);
        QElapsedTimer reloj;
        reloj.start();
        qint64 ultimo = -1000;
        const auto avance = [&](int hechos, int total) {
            if (avanceVisible && (reloj.elapsed() - ultimo >= 100 || hechos == total)) {
                ultimo = reloj.elapsed();
                std::fprintf(stderr, "\r%d de %d cuadros (%d %%)", hechos, total, int(qint64(hechos) * 100 / total));
                std::fflush(stderr);
            }
            return !g_interrumpido.load();
        };
        const video::ResultadoVideo r = video::importaVideo(clip, ruta, o, avance);
        sigaction(SIGINT, &anterior, nullptr);
        if (avanceVisible && r.cuadros > 0) {
            std::fputc('\n', stderr);
            std::fflush(stderr);
        }
        if (r.estado == video::EstadoVideo::Cancelada) {
            io.err << "orv: cancelado; no se escribió nada\n";
            return 130;
        }
        if (r.estado != video::EstadoVideo::Creada) {
            escribeMensaje(io.err, video::mensajeVideo(r, clip));
            return r.estado == video::EstadoVideo::ErrorEscritura || r.estado == video::EstadoVideo::NoEsVideo
                           || r.estado == video::EstadoVideo::SinVideo
                       ? kFailed
                       : kUsage;
        }
        if (r.recortada)
            io.err << "orv: el tramo pasa de " << video::kCuadrosMaximos
                   << " cuadros, el límite de una película; se cortó allí\n";
        io.out << mensajeCreada() << '\n' << readableName(ruta) << '\n';
        return parser.isSet(comprimir) ? comprimeEscrita(ruta, io) : kOk;
    }
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
