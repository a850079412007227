#include "cli.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // Drawing pictures (the text of a metafile above all) needs a GUI
    // application; `create` gets one on the offscreen platform, never a window.
    const bool dibuja = argc > 1 && qstrcmp(argv[1], "create") == 0;
    if (dibuja)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app = dibuja
        ? std::make_unique<QGuiApplication>(argc, argv)
        : std::make_unique<QCoreApplication>(argc, argv);
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
