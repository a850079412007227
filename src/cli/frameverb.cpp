// `orv frame`: one frame as the Player shows it.
#include "verbs.h"

#include "exporting.h"
#include "movie.h"
#include "streamout.h"

#include <QCommandLineParser>

namespace orv::cli {

int frameVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Muestra un cuadro tal como lo ve el reproductor."));
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("El número del cuadro, desde 0."));
    if (const int done = parseVerb(parser, args, 2, "frame ARCHIVO N", io); done >= 0)
        return done;
    bool ok = false;
    const int index = parser.positionalArguments().at(1).toInt(&ok);
    if (!ok || index < 0) {
        io.err << "orv: N debe ser un número de cuadro (0, 1, 2, ...)\nUso: orv frame ARCHIVO N\n";
        return kUsage;
    }
    Movie m;
    if (!loadMovie(nameArgument(parser.positionalArguments().first()), m, io))
        return kFailed;
    if (index >= m.numCuadros) {
        io.err << "orv: la película tiene " << m.numCuadros << " cuadros (0 a " << m.numCuadros - 1
               << ")\n";
        return kUsage;
    }
    writeFrameRows(io.out, visibleFrame(m, index));
    return kOk;
}

} // namespace orv::cli
