// `orv edit`: frames picked, ordered, reversed and joined, the size and the
// header changed, written as one new movie (or over the same one).
#include "verbs.h"

#include "conversion.h"
#include "editedmovie.h"
#include "moviereader.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace orv::cli {
namespace {

constexpr char kUso[] = "edit [--frames LISTA] [--reverse] [--append PELÍCULA]... [--size ANCHOxALTO] "
                        "[--anchor POS] [--pause P] [--author A] [--info I] [--compress|--plain] "
                        "[--quiet] -o SALIDA PELÍCULA";

// "0-9,20,30-": frame numbers from 0, a range from its first to its last
// (downwards when the first is larger), an open range to the last frame.
// Nothing when the list is not one.
std::optional<std::vector<int>> frameList(const QString& text, int count, QString& past)
{
    static const QRegularExpression item(QStringLiteral("^(\\d+)(-(\\d*))?$"));
    std::vector<int> out;
    for (const QString& piece : text.split(QLatin1Char(','))) {
        const QRegularExpressionMatch m = item.match(piece.trimmed());
        if (!m.hasMatch())
            return std::nullopt;
        bool ok = false;
        const qint64 first = m.captured(1).toLongLong(&ok);
        const qint64 last = !m.hasCaptured(2)      ? first
                            : m.captured(3).isEmpty() ? count - 1
                                                      : m.captured(3).toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        for (const qint64 n : {first, last})
            if (n >= count && past.isEmpty())
                past = QString::number(n);
        if (!past.isEmpty())
            continue;
        // Past the most frames a movie holds the list is refused whole: a
        // long list of long ranges never takes more memory than that.
        for (qint64 i = first;; i += first <= last ? 1 : -1) {
            out.push_back(int(i));
            if (out.size() > size_t(kMaxFrames))
                return out;
            if (i == last)
                break;
        }
    }
    return out;
}

std::optional<QSize> sizeOf(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,9})[xX](\\d{1,9})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return QSize(m.captured(1).toInt(), m.captured(2).toInt());
}

bool open(EditedMovie& movie, const FileName& name, Io& io)
{
    if (movie.open(name, LoadOptions{}))
        return true;
    reportUnreadable(name, io);
    return false;
}

} // namespace

int editVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Escribe una película nueva a partir de otra: sus cuadros elegidos y ordenados, otras "
        "películas a continuación, otro tamaño, otra cabecera. SALIDA puede ser la misma "
        "PELÍCULA."));
    const QCommandLineOption frames(QStringLiteral("frames"),
                                    QStringLiteral("Los cuadros, desde 0, en orden: 0-9,20,30- "
                                                   "(un intervalo puede repetirse)."),
                                    QStringLiteral("LISTA"));
    const QCommandLineOption reverse(QStringLiteral("reverse"),
                                     QStringLiteral("Invierte el orden de los cuadros elegidos."));
    const QCommandLineOption append(QStringLiteral("append"),
                                    QStringLiteral("Añade los cuadros de otra película al final."),
                                    QStringLiteral("PELÍCULA"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Nuevo tamaño en caracteres, ANCHOxALTO: recorta "
                                                 "o rellena con espacios."),
                                  QStringLiteral("ANCHOxALTO"));
    const QCommandLineOption anchor(QStringLiteral("anchor"),
                                    QStringLiteral("Dónde queda la imagen al cambiar de tamaño: "
                                                   "nw n ne w c e sw s se (nw)."),
                                    QStringLiteral("POS"), QStringLiteral("nw"));
    const QCommandLineOption pausa(QStringLiteral("pause"),
                                   QStringLiteral("Pausa de cada cuadro, en milisegundos."),
                                   QStringLiteral("P"));
    const QCommandLineOption creador(QStringLiteral("author"),
                                     QStringLiteral("Creador de la película."), QStringLiteral("A"));
    const QCommandLineOption masInfo(QStringLiteral("info"),
                                     QStringLiteral("Información adicional de la película."),
                                     QStringLiteral("I"));
    const QCommandLineOption compress(QStringLiteral("compress"),
                                      QStringLiteral("Escribe la película comprimida."));
    const QCommandLineOption plain(QStringLiteral("plain"),
                                   QStringLiteral("Escribe la película sin comprimir."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No muestra nada si todo sale bien."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("La película de salida (.ovt)."),
                                    QStringLiteral("SALIDA"));
    parser.addOptions({frames, reverse, append, size, anchor, pausa, creador, masInfo, compress,
                       plain, quiet, output});
    parser.addPositionalArgument(QStringLiteral("PELÍCULA"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, kUso, io); done >= 0)
        return done;
    if (!parser.isSet(output))
        return usageError(io, QStringLiteral("falta -o SALIDA"), kUso);
    if (parser.isSet(compress) && parser.isSet(plain))
        return usageError(io, QStringLiteral("--compress y --plain no van juntos"), kUso);
    const std::optional<Anchor> where = anchorFromText(parser.value(anchor));
    if (!where)
        return usageError(io, QStringLiteral("--anchor debe ser nw, n, ne, w, c, e, sw, s o se"), kUso);
    std::optional<QSize> newSize;
    if (parser.isSet(size) && !(newSize = sizeOf(parser.value(size))))
        return usageError(io, QStringLiteral("--size debe ser ANCHOxALTO, por ejemplo 80x25"), kUso);

    const FileName target = nameArgument(parser.value(output));
    if (const std::optional<int> refused = refuseOutput(target, {}, io))
        return *refused;
    const FileName source = nameArgument(parser.positionalArguments().first());
    EditedMovie movie;
    if (!open(movie, source, io))
        return kFailed;

    // Every change is made in memory first: a refused one writes nothing.
    const auto refuse = [&io](const QString& why, int status) {
        io.err << "orv: " << why << '\n';
        return status;
    };
    if (parser.isSet(frames)) {
        QString past;
        const std::optional<std::vector<int>> order =
            frameList(parser.value(frames), movie.frameCount(), past);
        if (!order)
            return usageError(io, QStringLiteral("--frames debe ser una lista como 0-9,20,30-"), kUso);
        if (!past.isEmpty())
            return refuse(QStringLiteral("el cuadro %1 no existe: la película tiene %2 cuadros (0 a %3)")
                              .arg(past)
                              .arg(movie.frameCount())
                              .arg(movie.frameCount() - 1),
                          kUsage);
        if (std::optional<QString> why = movie.pick(*order))
            return refuse(*why, kUsage);
    }
    if (parser.isSet(reverse))
        movie.reverse(0, movie.frameCount());
    if (newSize)
        if (std::optional<QString> why = movie.resize(*newSize, *where))
            return refuse(*why, kUsage);
    for (const QString& other : parser.values(append)) {
        EditedMovie more;
        const FileName name = nameArgument(other);
        if (!open(more, name, io))
            return kFailed;
        if (!newSize && (more.width() != movie.width() || more.height() != movie.height()))
            return refuse(QStringLiteral("%1 mide %2x%3 y la película %4x%5: --size las ajusta")
                              .arg(name.display())
                              .arg(more.width())
                              .arg(more.height())
                              .arg(movie.width())
                              .arg(movie.height()),
                          kUsage);
        if (std::optional<QString> why = movie.append(more, *where))
            return refuse(*why, kUsage);
    }
    if (parser.isSet(pausa))
        if (std::optional<QString> why = movie.setPause(parser.value(pausa)))
            return refuse(*why, kUsage);
    if (parser.isSet(creador))
        if (std::optional<QString> why = movie.setAuthor(parser.value(creador)))
            return refuse(*why, kUsage);
    if (parser.isSet(masInfo))
        if (std::optional<QString> why = movie.setInfo(parser.value(masInfo)))
            return refuse(*why, kUsage);

    const SavedForm form = parser.isSet(compress) ? SavedForm::Compressed
                           : parser.isSet(plain)  ? SavedForm::Plain
                                                  : SavedForm::AsOpened;
    if (std::optional<QString> why = movie.save(target, form)) {
        for (const QString& line : why->split(QLatin1Char('\n')))
            io.err << "orv: " << line << '\n';
        return kFailed;
    }
    if (!parser.isSet(quiet))
        io.out << target.display() << ": " << movie.frameCount() << " cuadros de " << movie.width()
               << "x" << movie.height() << '\n';
    return kOk;
}

} // namespace orv::cli
