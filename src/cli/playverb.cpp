#include "verbs.h"

#include "moviereader.h"
#include "nativename.h"
#include "terminalplayer.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace orv::cli {
namespace {

constexpr char kUso[] = "play [--loop] [--once] [--pause MS] [--frames A-B] ARCHIVO";

// "A-B", "A-" or "A", frames counted from 0 as `orv frame` counts them.
bool leeTramo(const QString& texto, int numCuadros, int& desde, int& hasta)
{
    static const QRegularExpression forma(QStringLiteral("^(\\d{1,6})(-(\\d{0,6}))?$"));
    const QRegularExpressionMatch m = forma.match(texto);
    if (!m.hasMatch())
        return false;
    desde = m.captured(1).toInt();
    hasta = !m.hasCaptured(2)         ? desde
            : m.captured(3).isEmpty() ? numCuadros - 1
                                      : m.captured(3).toInt();
    return desde <= hasta && hasta < numCuadros;
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
    const QCommandLineOption repetir(QStringLiteral("loop"),
                                     QStringLiteral("Repite la película sin fin."));
    const QCommandLineOption unaVez(QStringLiteral("once"),
                                    QStringLiteral("Sale al terminar la película."));
    const QCommandLineOption pausa(QStringLiteral("pause"),
                                   QStringLiteral("Pausa por cuadro, en milisegundos."),
                                   QStringLiteral("MS"));
    const QCommandLineOption tramo(QStringLiteral("frames"),
                                   QStringLiteral("Solo los cuadros A a B (desde 0)."),
                                   QStringLiteral("A-B"));
    parser.addOptions({repetir, unaVez, pausa, tramo});
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, kUso, io); done >= 0)
        return done;

    OpcionesPlay opciones;
    opciones.repetir = parser.isSet(repetir);
    opciones.unaVez = parser.isSet(unaVez);
    if (opciones.repetir && opciones.unaVez)
        return usageError(io, QStringLiteral("--loop y --once no pueden ir juntas: una repite sin "
                                             "fin y la otra sale al terminar"),
                          kUso);
    if (parser.isSet(pausa)) {
        bool ok = false;
        opciones.pausa = parser.value(pausa).toDouble(&ok);
        if (!ok || !(opciones.pausa >= 1 && opciones.pausa <= 3600000))
            return usageError(
                io, QStringLiteral("--pause debe ser un número de milisegundos, de 1 a 3600000"),
                kUso);
    }
    Pelicula m;
    // By the name's bytes, as main() kept them: any name the system allows.
    if (!cargaPeliculaNativa(nameBytesFromText(parser.positionalArguments().first()), m)) {
        io.err << mensajeErrorPelicula() << '\n';
        return kFailed;
    }
    opciones.hasta = m.numCuadros - 1;
    if (parser.isSet(tramo) &&
        !leeTramo(parser.value(tramo), m.numCuadros, opciones.desde, opciones.hasta))
        return usageError(io,
                          QStringLiteral("--frames A-B: cuadros desde 0 hasta %1, A no mayor que B")
                              .arg(m.numCuadros - 1),
                          kUso);
    io.out.flush();
    io.err.flush();
    QString error;
    const int estado = reproduceEnTerminal(m, opciones, error);
    if (!error.isEmpty())
        io.err << "orv: " << error << '\n';
    return estado;
}

} // namespace orv::cli
