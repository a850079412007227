#include "verbs.h"

#include "castexport.h"
#include "gifexport.h"
#include "htmlexport.h"
#include "moviereader.h"
#include "nativename.h"
#include "numeric.h"
#include "videoexport.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace orv::cli {
namespace {

constexpr char kUso[] =
    "export --gif|--html|--cast|--mp4|--webm [--font-size PT] [--fg RRGGBB] [--bg RRGGBB] -o SALIDA ARCHIVO";

enum class Clase { Ninguna, Gif, Html, Cast, Mp4, WebM };

// The kind asked for, or the one the output's extension names.
Clase claseDe(const QList<std::pair<bool, Clase>>& pedidasPorOpcion, const QString& salida, int& pedidas)
{
    pedidas = 0;
    Clase clase = Clase::Ninguna;
    for (const auto& [pedida, c] : pedidasPorOpcion) {
        if (pedida) {
            ++pedidas;
            clase = c;
        }
    }
    if (pedidas > 0)
        return clase;
    pedidas = 1;
    const QString ext = QFileInfo(salida).suffix().toLower();
    if (ext == QLatin1String("gif"))
        return Clase::Gif;
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return Clase::Html;
    if (ext == QLatin1String("cast"))
        return Clase::Cast;
    if (ext == QLatin1String("mp4"))
        return Clase::Mp4;
    if (ext == QLatin1String("webm"))
        return Clase::WebM;
    pedidas = 0;
    return Clase::Ninguna;
}

} // namespace

int exportVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Exporta una película a GIF animado, página web, grabación de terminal (asciicast) o video "
        "(MP4 o WebM)."));
    const QCommandLineOption gif(QStringLiteral("gif"), QStringLiteral("GIF animado."));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("Página web que reproduce la película."));
    const QCommandLineOption cast(QStringLiteral("cast"),
                                  QStringLiteral("Grabación de terminal asciicast v2."));
    const QCommandLineOption puntos(QStringLiteral("font-size"),
                                    QStringLiteral("Tamaño de letra en puntos (8)."),
                                    QStringLiteral("PT"), QStringLiteral("8"));
    const QCommandLineOption letras(QStringLiteral("fg"),
                                    QStringLiteral("Color de letras (000000)."),
                                    QStringLiteral("RRGGBB"), QStringLiteral("000000"));
    const QCommandLineOption fondo(QStringLiteral("bg"), QStringLiteral("Color de fondo (ffffff)."),
                                   QStringLiteral("RRGGBB"), QStringLiteral("ffffff"));
    const QCommandLineOption salida(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("El archivo que se escribe."),
                                    QStringLiteral("SALIDA"));
    const QCommandLineOption mp4(QStringLiteral("mp4"), QStringLiteral("Video MP4 (H.264)."));
    const QCommandLineOption webm(QStringLiteral("webm"), QStringLiteral("Video WebM (VP9)."));
    parser.addOptions({gif, html, cast, mp4, webm, puntos, letras, fondo, salida});
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, kUso, io); done >= 0)
        return done;

    const QString destino = parser.value(salida);
    if (destino.isEmpty())
        return usageError(io, QStringLiteral("falta -o SALIDA"), kUso);
    int pedidas = 0;
    const Clase clase = claseDe({{parser.isSet(gif), Clase::Gif},
                                 {parser.isSet(html), Clase::Html},
                                 {parser.isSet(cast), Clase::Cast},
                                 {parser.isSet(mp4), Clase::Mp4},
                                 {parser.isSet(webm), Clase::WebM}},
                                destino, pedidas);
    if (pedidas != 1)
        return usageError(io, QStringLiteral("indique una sola clase: --gif, --html, --cast, --mp4 o --webm"),
                          kUso);
    OpcionesExport opciones;
    bool numero = false;
    opciones.puntos = parser.value(puntos).toDouble(&numero);
    if (!numero || !(opciones.puntos >= 1 && opciones.puntos <= 200))
        return usageError(io, QStringLiteral("--font-size debe ser un número de 1 a 200"), kUso);
    if (!leeColor(parser.value(letras), opciones.letras) ||
        !leeColor(parser.value(fondo), opciones.fondo))
        return usageError(
            io, QStringLiteral("los colores se escriben RRGGBB en hexadecimal (ff8000)"), kUso);

    Pelicula m;
    // By the name's bytes, as main() kept them: any name the system allows.
    if (!cargaPeliculaNativa(nameBytesFromText(parser.positionalArguments().first()), m)) {
        io.err << mensajeErrorPelicula() << '\n';
        return kFailed;
    }
    QString error;
    ResultadoExport r = ResultadoExport::Fallo;
    switch (clase) {
    case Clase::Gif:
        r = render::exportaGif(m, destino, render::fuenteGif(opciones.puntos), opciones, &error);
        break;
    case Clase::Html:
        r = exportaHtml(m, destino, opciones, &error);
        break;
    case Clase::Cast:
        r = exportaCast(m, destino, opciones, &error);
        break;
    case Clase::Mp4:
    case Clase::WebM:
        r = render::exportaVideo(m, destino, render::fuenteGif(opciones.puntos), opciones,
                                 clase == Clase::Mp4 ? render::FormatoVideo::Mp4 : render::FormatoVideo::WebM,
                                 &error);
        break;
    case Clase::Ninguna:
        break;
    }
    if (r != ResultadoExport::Hecho) {
        io.err << "orv: no se pudo escribir " << destino << ": " << error << '\n';
        return kFailed;
    }
    return kOk;
}

} // namespace orv::cli
