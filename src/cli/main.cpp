#include "cli.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    orv::cli::Io io{out, err};
    const int status = orv::cli::runCli(QCoreApplication::arguments(), io);
    out.flush();
    err.flush();
    return status;
}
