#include "cli.h"
#include "filename.h"

#include <QCoreApplication>
#ifdef ORV_DRAWS
#include <QGuiApplication>
#endif
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// orv-draw draws: a GIF or video export draws its frames with fonts, and
// `create` draws pictures (the text of a metafile above all). Neither needs a
// display, so it runs on the offscreen platform unless one is chosen. orv
// keeps the lighter core application.
std::unique_ptr<QCoreApplication> application(int& argc, char** argv)
{
#ifdef ORV_DRAWS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
#else
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

// orv prints only its own messages: Qt's warnings (a missing runtime folder
// for the offscreen platform, say) would read as errors of the command.
void fatalOnly(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(qPrintable(text), stderr);
        std::abort();
    }
}

} // namespace

// The arguments as bytes on Unix: a file name made on a Windows-1252 system
// opens too.
int main(int argc, char** argv)
{
    qInstallMessageHandler(&fatalOnly);
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    orv::cli::Io io{out, err};
    const int status = orv::cli::runCli(orv::argumentsAsGiven(argc, argv), io);
    out.flush();
    err.flush();
    return status;
}
