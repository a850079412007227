// `orv info`: a movie's header, form, size and name, as text or JSON.
#include "verbs.h"

#include "movie.h"
#include "filename.h"
#include "streamout.h"

#include <QCommandLineParser>

namespace orv::cli {
namespace {

QString number(double v)
{
    return QString::number(v, 'g', 15);
}

} // namespace

int infoVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Muestra la cabecera, la forma y el tamaño de una película."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Escribe un objeto JSON."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ARCHIVO"), QStringLiteral("La película (.ovt)."));
    if (const int done = parseVerb(parser, args, 1, "info [--json] ARCHIVO", io); done >= 0)
        return done;
    Movie m;
    if (!loadMovie(nameArgument(parser.positionalArguments().first()), m, io))
        return kFailed;
    if (parser.isSet(json)) {
        // The keys in the order QJsonObject has always written them.
        io.out << "{\"alto\":" << m.alto << ",\"ancho\":" << m.ancho << ",\"comprimida\":";
        writeJson(io.out, m.compressed);
        io.out << ",\"creador\":";
        writeJsonCp1252(io.out, m.creador);
        io.out << ",\"masInfo\":";
        writeJsonCp1252(io.out, m.masInfo);
        io.out << ",\"nombreArchivo\":";
        writeJson(io.out, m.nombreArchivo);
        io.out << ",\"numCuadros\":" << m.numCuadros << ",\"pausa\":";
        writeJson(io.out, m.pausa);
        io.out << ",\"rutaPelicula\":";
        writeJson(io.out, m.rutaPelicula);
        io.out << ",\"tamanoKB\":";
        writeJson(io.out, m.tamanoKB);
        io.out << "}\n";
        return kOk;
    }
    io.out << "ancho: " << m.ancho << '\n'
           << "alto: " << m.alto << '\n'
           << "numCuadros: " << m.numCuadros << '\n'
           << "pausa: " << number(m.pausa) << '\n'
           << "creador: ";
    writeVisibleCp1252(io.out, m.creador);
    io.out << '\n' << "masInfo: ";
    writeVisibleCp1252(io.out, m.masInfo);
    io.out << '\n'
           << "forma: " << (m.compressed ? "comprimida" : "plana") << '\n'
           << "tamanoKB: " << number(m.tamanoKB) << '\n'
           << "nombreArchivo: " << m.nombreArchivo << '\n'
           << "rutaPelicula: " << m.rutaPelicula << '\n';
    return kOk;
}

} // namespace orv::cli
