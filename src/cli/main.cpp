#include "cli.h"
#include "filename.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Drawing needs a QGuiApplication: a GIF or video export draws its frames with fonts,
// and `create` draws pictures (the text of a metafile above all). Neither
// needs a display, so they run on the offscreen platform unless one is
// chosen. The other verbs keep the lighter core application.
bool draws(int argc, char** argv)
{
    if (argc < 2)
        return false;
    if (std::strcmp(argv[1], "create") == 0)
        return true;
    if (std::strcmp(argv[1], "export") != 0)
        return false;
    for (int i = 2; i < argc; ++i) {
        const QByteArray arg = QByteArray(argv[i]).toLower();
        for (const char* kind : {"gif", "mp4", "webm"})
            if (arg == QByteArray("--") + kind || arg.endsWith(QByteArray(".") + kind))
                return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> application(int& argc, char** argv)
{
    if (draws(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
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
