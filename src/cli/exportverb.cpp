#include "verbs.h"

#include "castexport.h"
#include "htmlexport.h"
#include "moviereader.h"
#include "filename.h"
#include "numeric.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace orv::cli {
namespace {

constexpr char kUso[] =
    "export --gif|--html|--cast|--mp4|--webm [--font-size PT] [--fg RRGGBB] [--bg RRGGBB]\n"
    "                  [--audio SONIDO [--audio-from T]] -o SALIDA ARCHIVO";

enum class Kind { None, Gif, Html, Cast, Mp4, WebM };

// The kind asked for, or the one the output's extension names.
Kind kindOf(const QList<std::pair<bool, Kind>>& requestedByOption, const QString& output,
            int& requested)
{
    requested = 0;
    Kind kind = Kind::None;
    for (const auto& [asked, c] : requestedByOption) {
        if (asked) {
            ++requested;
            kind = c;
        }
    }
    if (requested > 0)
        return kind;
    requested = 1;
    const QString ext = QFileInfo(output).suffix().toLower();
    if (ext == QLatin1String("gif"))
        return Kind::Gif;
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return Kind::Html;
    if (ext == QLatin1String("cast"))
        return Kind::Cast;
    if (ext == QLatin1String("mp4"))
        return Kind::Mp4;
    if (ext == QLatin1String("webm"))
        return Kind::WebM;
    requested = 0;
    return Kind::None;
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
    const QCommandLineOption points(QStringLiteral("font-size"),
                                    QStringLiteral("Tamaño de letra en puntos (8)."),
                                    QStringLiteral("PT"), QStringLiteral("8"));
    const QCommandLineOption letters(QStringLiteral("fg"),
                                     QStringLiteral("Color de letras (000000)."),
                                     QStringLiteral("RRGGBB"), QStringLiteral("000000"));
    const QCommandLineOption background(QStringLiteral("bg"),
                                        QStringLiteral("Color de fondo (ffffff)."),
                                        QStringLiteral("RRGGBB"), QStringLiteral("ffffff"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("El archivo que se escribe."),
                                    QStringLiteral("SALIDA"));
    const QCommandLineOption mp4(QStringLiteral("mp4"), QStringLiteral("Video MP4 (H.264)."));
    const QCommandLineOption webm(QStringLiteral("webm"), QStringLiteral("Video WebM (VP9)."));
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QStringLiteral("Con --mp4 o --webm: el sonido de este archivo (el primero que "
                                                  "tenga), cortado al largo de la película."),
                                   QStringLiteral("SONIDO"));
    const QCommandLineOption audioFrom(QStringLiteral("audio-from"),
                                       QStringLiteral("El sonido desde este momento del archivo (segundos o "
                                                      "mm:ss; 0)."),
                                       QStringLiteral("T"), QStringLiteral("0"));
    parser.addOptions({gif, html, cast, mp4, webm, points, letters, background, audio, audioFrom, output});
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, kUso, io); done >= 0)
        return done;

    const FileName target = nameArgument(parser.value(output));
    if (target.isEmpty())
        return usageError(io, QStringLiteral("falta -o SALIDA"), kUso);
    int requested = 0;
    const Kind kind = kindOf({{parser.isSet(gif), Kind::Gif},
                              {parser.isSet(html), Kind::Html},
                              {parser.isSet(cast), Kind::Cast},
                              {parser.isSet(mp4), Kind::Mp4},
                              {parser.isSet(webm), Kind::WebM}},
                             target.display(), requested);
    if (requested != 1)
        return usageError(io, QStringLiteral("indique una sola clase: --gif, --html, --cast, --mp4 o --webm"),
                          kUso);
    ExportOptions options;
    bool number = false;
    options.points = parser.value(points).toDouble(&number);
    if (!number || !(options.points >= 1 && options.points <= 200))
        return usageError(io, QStringLiteral("--font-size debe ser un número de 1 a 200"), kUso);
    if (!readColour(parser.value(letters), options.letters) ||
        !readColour(parser.value(background), options.background))
        return usageError(
            io, QStringLiteral("los colores se escriben RRGGBB en hexadecimal (ff8000)"), kUso);

    bool soundFromGiven = false;
    if (parser.isSet(audio)) {
        if (kind != Kind::Mp4 && kind != Kind::WebM)
            return usageError(io, QStringLiteral("--audio va solo con --mp4 o --webm"), kUso);
        options.sound = nameArgument(parser.value(audio));
        const std::optional<double> from = readTime(parser.value(audioFrom));
        if (!from)
            return usageError(io, QStringLiteral("--audio-from se escribe en segundos o mm:ss (1:15)"), kUso);
        options.soundFrom = *from;
        soundFromGiven = parser.isSet(audioFrom);
    }
    const FileName input = nameArgument(parser.positionalArguments().first());
    if (const std::optional<int> refused = refuseOutput(target, {input}, io))
        return *refused;
    if (kind == Kind::Gif || kind == Kind::Mp4 || kind == Kind::WebM) {
        const DrawnExport job{kind == Kind::Gif ? DrawnExport::Gif
                              : kind == Kind::Mp4 ? DrawnExport::Mp4
                                                  : DrawnExport::WebM,
                              input, target, options, !options.sound.isEmpty() && !soundFromGiven};
        return drawnExportVerb(args, job, io);
    }
    Movie m;
    if (!loadMovie(input, m, io))
        return kFailed;
    QString error;
    const ExportResult r = kind == Kind::Html ? exportHtml(m, target, options, &error)
                                              : exportCast(m, target, options, &error);
    if (r != ExportResult::Done) {
        io.err << "orv: no se pudo escribir " << target.display() << ": " << error << '\n';
        return kFailed;
    }
    return kOk;
}

} // namespace orv::cli
