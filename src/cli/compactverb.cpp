#include "compactverb.h"

#include "codemodule.h"
#include "compactador.h"
#include "verbs.h"

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
class ContrasenaDeArchivo : public PasswordProvider
{
public:
    explicit ContrasenaDeArchivo(QString contrasena) : m_contrasena(std::move(contrasena)) {}
    std::optional<QString> password(const QString&, const QString&) override { return m_contrasena; }

private:
    QString m_contrasena;
};

const std::map<QString, ModoCompactacion>& modes()
{
    static const std::map<QString, ModoCompactacion> m{
        {QStringLiteral("auto"), ModoCompactacion::Automatico},
        {QStringLiteral("compress"), ModoCompactacion::SoloComprimir},
        {QStringLiteral("decompress"), ModoCompactacion::SoloDescomprimir},
        {QStringLiteral("analyze"), ModoCompactacion::Analizar},
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
    const QStringList files =
        parser.positionalArguments(); // the verb stands where a program name would
    if (files.isEmpty())
        return usageError(io, QString(), kUso);

    std::optional<ContrasenaDeArchivo> contrasena;
    if (parser.isSet(passwordFile)) {
        QFile f(parser.value(passwordFile));
        if (!f.open(QIODevice::ReadOnly))
            return usageError(io, QStringLiteral("no se puede leer ") + parser.value(passwordFile), kUso);
        contrasena.emplace(QString::fromUtf8(f.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    }
    Compactador engine([&io](const QString& line) { io.out << line << '\n'; });
    engine.setModo(chosen->second);
    if (contrasena)
        engine.setContrasenas(&*contrasena);
    engine.setFuerzaBruta(!parser.isSet(noForce));
    bool errors = false;
    for (const QString& file : files) {
        const ResultadoArchivo r = engine.procesaArchivo(file);
        if (r.estado == EstadoArchivo::ErrorConstruccion) {
            // As in the window: a failed archive build ends the run, the
            // movie already known to be intact.
            io.out.flush();
            io.err << "Error\n";
            return kFailed;
        }
        errors = errors || r.estado == EstadoArchivo::Error;
    }
    engine.agregaHistorial(Compactador::lineaResumen(static_cast<int>(files.size())));
    return errors ? kFailed : kOk;
}

} // namespace orv::cli
