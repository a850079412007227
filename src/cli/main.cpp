#include "cli.h"
#include "nativename.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

// On Unix the arguments are bytes; QCoreApplication::arguments() decodes
// them as UTF-8 and loses any byte that is not, so a file name made on a
// Windows-1252 system could never be opened. Windows hands over UTF-16,
// which Qt keeps whole.
QStringList argumentsAsGiven([[maybe_unused]] int argc, [[maybe_unused]] char** argv)
{
#ifdef Q_OS_WIN
    return QCoreApplication::arguments();
#else
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << orv::textFromNameBytes(argv[i]);
    return args;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    orv::cli::Io io{out, err};
    const int status = orv::cli::runCli(argumentsAsGiven(argc, argv), io);
    out.flush();
    err.flush();
    return status;
}
