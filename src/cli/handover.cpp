// orv's half of the drawing verbs: the command line goes to orv-draw as it
// came, and orv-draw's output, status and signals are the command's own.
#include "verbs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef Q_OS_WIN
#include <process.h>
#else
#include <unistd.h>
#endif

namespace orv::cli {
namespace {

// Installed, orv-draw sits in the suite's own folder of helper programs; in a
// build tree, beside orv.
QString helperPath()
{
    const QString here = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QString installed = here + QStringLiteral(ORV_HELPER_FROM_BINDIR);
    if (QFileInfo(installed).isExecutable())
        return installed;
    return here + QStringLiteral("orv-draw");
}

int handOver(const QStringList& args, Io& io)
{
    const QString helper = helperPath();
    const FileName program = nameArgument(helper);
    std::vector<QByteArray> bytes{program.bytes()};
    for (const QString& arg : args)
        bytes.push_back(nameArgument(arg).bytes());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    io.out.flush();
    io.err.flush();
#ifdef Q_OS_WIN
    const intptr_t status = _spawnv(_P_WAIT, argv[0], argv.data());
    if (status >= 0)
        return int(status);
#else
    execv(argv[0], argv.data());
#endif
    const int error = errno;
    io.err << "orv: no se pudo ejecutar " << program.display() << ": "
           << QString::fromLocal8Bit(std::strerror(error)) << '\n';
    return kFailed;
}

} // namespace

int createVerb(const QStringList& args, Io& io)
{
    return handOver(args, io);
}

int drawnExportVerb(const QStringList& args, const DrawnExport&, Io& io)
{
    return handOver(args, io);
}

} // namespace orv::cli
