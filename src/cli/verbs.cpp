#include "verbs.h"

#include "moviereader.h"
#include "filename.h"
#include "zipmember.h"

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
    {"edit", "elige, ordena y une cuadros, cambia el tamaño y la cabecera", &editVerb},
});

} // namespace

std::span<const Verb> verbs()
{
    return kVerbs;
}

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

FileName nameArgument(const QString& argument)
{
    return FileName::fromText(argument);
}

std::optional<int> refuseOutput(const FileName& output, const QList<FileName>& inputs, Io& io)
{
    if (const std::optional<QString> why = outputRefusal(output)) {
        io.err << "orv: no se puede escribir " << output.display() << ": " << *why << '\n';
        return kFailed;
    }
    for (const FileName& input : inputs) {
        if (sameFile(output, input)) {
            io.err << "orv: la salida " << output.display() << " es el mismo archivo que la entrada "
                   << input.display() << '\n';
            return kUsage;
        }
    }
    return std::nullopt;
}

bool loadMovie(const FileName& name, Movie& movie, Io& io)
{
    if (cargaPelicula(name, movie))
        return true;
    reportUnreadable(name, io);
    return false;
}

void reportUnreadable(const FileName& name, Io& io)
{
    io.err << movieErrorMessage() << '\n';
    // A compressed movie in a method this build does not read says which.
    if (const std::optional<FileMembers> members =
            isRegularFile(name) ? fileMembers(name) : std::nullopt;
        members && members->firstUnreadable)
        io.err << *members->firstUnreadable << '\n';
}

} // namespace orv::cli
