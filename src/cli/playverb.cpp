#include "verbs.h"

#include "moviereader.h"
#include "filename.h"
#include "terminalplayer.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace orv::cli {
namespace {

constexpr char kUso[] = "play [--loop] [--once] [--pause MS] [--frames A-B] ARCHIVO";

// "A-B", "A-" or "A", frames counted from 0 as `orv frame` counts them.
bool readSpan(const QString& text, int numCuadros, int& from, int& to)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,6})(-(\\d{0,6}))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    from = m.captured(1).toInt();
    to = !m.hasCaptured(2)         ? from
         : m.captured(3).isEmpty() ? numCuadros - 1
                                   : m.captured(3).toInt();
    return from <= to && to < numCuadros;
}

} // namespace

int playVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reproduce una película en el terminal. Teclas: espacio reproduce o "
                       "detiene, \u2190 y \u2192 "
                       "retroceden y avanzan un cuadro, Inicio rebobina, r repite, + y - acortan y "
                       "alargan la pausa, "
                       "q o Esc salen."));
    const QCommandLineOption repeat(QStringLiteral("loop"),
                                    QStringLiteral("Repite la película sin fin."));
    const QCommandLineOption once(QStringLiteral("once"),
                                  QStringLiteral("Sale al terminar la película."));
    const QCommandLineOption pausa(QStringLiteral("pause"),
                                   QStringLiteral("Pausa por cuadro, en milisegundos."),
                                   QStringLiteral("MS"));
    const QCommandLineOption span(QStringLiteral("frames"),
                                  QStringLiteral("Solo los cuadros A a B (desde 0)."),
                                  QStringLiteral("A-B"));
    parser.addOptions({repeat, once, pausa, span});
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, kUso, io); done >= 0)
        return done;

    PlayOptions options;
    options.repeat = parser.isSet(repeat);
    options.once = parser.isSet(once);
    if (options.repeat && options.once)
        return usageError(io, QStringLiteral("--loop y --once no pueden ir juntas: una repite sin "
                                             "fin y la otra sale al terminar"),
                          kUso);
    if (parser.isSet(pausa)) {
        bool ok = false;
        options.pausa = parser.value(pausa).toDouble(&ok);
        if (!ok || !(options.pausa >= 1 && options.pausa <= 3600000))
            return usageError(
                io, QStringLiteral("--pause debe ser un número de milisegundos, de 1 a 3600000"),
                kUso);
    }
    Movie m;
    if (!loadMovie(nameArgument(parser.positionalArguments().first()), m, io))
        return kFailed;
    options.to = m.numCuadros - 1;
    if (parser.isSet(span) && !readSpan(parser.value(span), m.numCuadros, options.from, options.to))
        return usageError(io,
                          QStringLiteral("--frames A-B: cuadros desde 0 hasta %1, A no mayor que B")
                              .arg(m.numCuadros - 1),
                          kUso);
    io.out.flush();
    io.err.flush();
    QString error;
    const int state = playInTerminal(m, options, error);
    if (!error.isEmpty())
        io.err << "orv: " << error << '\n';
    return state;
}

} // namespace orv::cli
