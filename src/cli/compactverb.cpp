#include "verbs.h"

#include "codemodule.h"
#include "compactor.h"

#include <QCommandLineParser>
#include <QFile>

#include <optional>

#include <map>

namespace orv::cli {
namespace {

constexpr char kUso[] =
    "compact [--mode auto|compress|decompress|analyze] [--no-force] [--password-file ARCHIVO] ARCHIVO...";

// The one password of --password-file, given to every encrypted archive
// once; a wrong one is not asked again.
class ArchivePassword : public PasswordProvider
{
public:
    explicit ArchivePassword(QString password) : m_password(std::move(password)) {}
    std::optional<QString> password(const QString&, const QString&) override { return m_password; }

private:
    QString m_password;
};

const std::map<QString, CompactionMode>& modes()
{
    static const std::map<QString, CompactionMode> m{
        {QStringLiteral("auto"), CompactionMode::Automatic},
        {QStringLiteral("compress"), CompactionMode::CompressOnly},
        {QStringLiteral("decompress"), CompactionMode::DecompressOnly},
        {QStringLiteral("analyze"), CompactionMode::Analyse},
    };
    return m;
}

} // namespace

int compactVerb(const QStringList& args, Io& io)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Comprime y descomprime películas como el Compactor, escribiendo su historial."));
    const QCommandLineOption mode(
        QStringLiteral("mode"),
        QStringLiteral("auto (por omisión), compress, decompress o analyze."),
        QStringLiteral("modo"), QStringLiteral("auto"));
    const QCommandLineOption noForce(
        QStringLiteral("no-force"),
        QStringLiteral("Deja sin tocar los archivos sólo lectura y ocultos."));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("Lee de ARCHIVO (su primera línea) la contraseña de los archivos comprimidos cifrados."),
        QStringLiteral("ARCHIVO"));
    parser.addOptions({mode, noForce, passwordFile});
    parser.addPositionalArgument(QStringLiteral("ARCHIVO..."),
                                 QStringLiteral("Las películas (.ovt)."));
    if (const int done = parseVerb(parser, args, kAnyNumber, kUso, io); done >= 0)
        return done;
    const auto chosen = modes().find(parser.value(mode));
    if (chosen == modes().end())
        return usageError(io, QStringLiteral("modo desconocido: ") + parser.value(mode), kUso);
    const FileNames files = fileNamesFromTexts(parser.positionalArguments());
    if (files.isEmpty())
        return usageError(io, QString(), kUso);

    std::optional<ArchivePassword> password;
    if (parser.isSet(passwordFile)) {
        QFile f(parser.value(passwordFile));
        if (!f.open(QIODevice::ReadOnly))
            return usageError(io, QStringLiteral("no se puede leer ") + parser.value(passwordFile), kUso);
        password.emplace(QString::fromUtf8(f.readLine(4096))
                             .remove(QLatin1Char('\n'))
                             .remove(QLatin1Char('\r')));
    }
    Compactor engine([&io](const QString& line) { io.out << line << '\n'; });
    engine.setMode(chosen->second);
    if (password)
        engine.setPasswords(&*password);
    engine.setBruteForce(!parser.isSet(noForce));
    bool errors = false;
    for (const FileName& file : files) {
        const FileResult r = engine.procesaArchivo(file);
        if (r.state == FileState::BuildError) {
            // As in the window: a failed archive build ends the run, the
            // movie already known to be intact.
            io.out.flush();
            io.err << "Error\n";
            return kFailed;
        }
        errors = errors || r.state == FileState::Error;
    }
    engine.agregaHistorial(Compactor::summaryLine(static_cast<int>(files.size())));
    return errors ? kFailed : kOk;
}

} // namespace orv::cli
