#include "cli.h"

#include "verbs.h"
#include "version.h"

namespace orv::cli {
namespace {

void usage(QTextStream& s)
{
    s << "Uso: orv <verbo> [opciones] ...\n\nVerbos:\n";
    for (const Verb& v : verbs())
        s << "  " << QString::fromLatin1(v.name).leftJustified(10) << QString::fromUtf8(v.summary) << '\n';
    s << "\n'orv <verbo> --help' muestra la ayuda de cada verbo; 'orv --version', la versión.\n";
}

} // namespace

int runCli(const QStringList& arguments, Io& io)
{
    const QStringList args = arguments.mid(1);
    if (args.isEmpty()) {
        usage(io.err);
        return kUsage;
    }
    const QString& name = args.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        usage(io.out);
        return kOk;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-V")) {
        io.out << versionLine(QStringLiteral("orv")) << '\n';
        return kOk;
    }
    for (const Verb& v : verbs()) {
        if (name == QLatin1String(v.name))
            return v.run(args, io);
    }
    io.err << "orv: verbo desconocido: " << name << '\n';
    usage(io.err);
    return kUsage;
}

} // namespace orv::cli
