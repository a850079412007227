#include "verbs.h"

#include "compactverb.h"
#include "convertverb.h"
#include "cp1252.h"
#include "frame.h"
#include "moviereader.h"
#include "nativename.h"
#include "streamout.h"

#include <QCommandLineParser>

#include <array>

namespace orv::cli {
namespace {

constexpr auto kVerbs = std::to_array<Verb>({
    {"info", "muestra la cabecera y el archivo de una película", &infoVerb},
    {"frame", "muestra un cuadro de una película", &frameVerb},
    {"compact", "comprime y descomprime películas como el Compactor", &compactVerb},
    {"create", "crea una película a partir de imágenes", &createVerb},
    {"convert", "convierte archivos de texto con imágenes ASCII en una película", &convertVerb},
    {"export", "exporta una película a GIF, página web, asciicast o video", &exportVerb},
    {"play", "reproduce una película en el terminal", &playVerb},
});

} // namespace

// Shared by the verbs in files of their own.
int parseVerb(QCommandLineParser& parser, const QStringList& args, int positionals,
              const char* usage, Io& io)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Muestra esta ayuda."));
    parser.addOption(help);
    if (!parser.parse(args))
        return usageError(io, parser.errorText(), usage);
    if (parser.isSet(help)) {
        // Qt writes its section titles in English whatever the language.
        QString text = QLatin1Char('\n') + parser.helpText().section(QLatin1Char('\n'), 1);
        text.replace(QLatin1String("\nOptions:\n"), QLatin1String("\nOpciones:\n"))
            .replace(QLatin1String("\nArguments:\n"), QLatin1String("\nArgumentos:\n"));
        io.out << "Uso: orv " << QString::fromUtf8(usage) << text;
        return kOk;
    }
    if (positionals != kAnyNumber && parser.positionalArguments().size() != positionals)
        return usageError(io, QString(), usage);
    return -1;
}

int usageError(Io& io, const QString& why, const char* usage)
{
    if (!why.isEmpty())
        io.err << "orv: " << why << '\n';
    io.err << "Uso: orv " << QString::fromUtf8(usage) << '\n';
    return kUsage;
}

namespace {

// The path arrives as main() decoded it: bytes that are not UTF-8 still
// escaped, so any name the system allows opens.
bool load(const QString& path, Movie& movie, Io& io)
{
    if (loadMovieFromNameBytes(nameBytesFromText(path), movie))
        return true;
    io.err << movieErrorMessage() << '\n';
    return false;
}

QString number(double v)
{
    return QString::number(v, 'g', 15);
}

} // namespace

std::span<const Verb> verbs()
{
    return kVerbs;
}

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
    if (!load(parser.positionalArguments().first(), m, io))
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
        writeJson(io.out, readableName(m.nombreArchivo));
        io.out << ",\"numCuadros\":" << m.numCuadros << ",\"pausa\":";
        writeJson(io.out, m.pausa);
        io.out << ",\"rutaPelicula\":";
        writeJson(io.out, readableName(m.rutaPelicula));
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
    writeCp1252(io.out, m.creador);
    io.out << '\n' << "masInfo: ";
    writeCp1252(io.out, m.masInfo);
    io.out << '\n'
           << "forma: " << (m.compressed ? "comprimida" : "plana") << '\n'
           << "tamanoKB: " << number(m.tamanoKB) << '\n'
           << "nombreArchivo: " << readableName(m.nombreArchivo) << '\n'
           << "rutaPelicula: " << readableName(m.rutaPelicula) << '\n';
    return kOk;
}

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
    if (!load(parser.positionalArguments().first(), m, io))
        return kFailed;
    if (index >= m.numCuadros) {
        io.err << "orv: la película tiene " << m.numCuadros << " cuadros (0 a " << m.numCuadros - 1
               << ")\n";
        return kUsage;
    }
    writeFrameRows(io.out, armaCuadro(m, index));
    return kOk;
}

} // namespace orv::cli
