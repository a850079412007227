#include "compactorlauncher.h"

#include "prompt.h"
#include "settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orv::ui {
namespace {

bool startDetached(const QString& program, const QStringList& arguments)
{
#ifdef Q_OS_UNIX
    // QProcess would pass the arguments as UTF-8, and a movie name that is
    // not UTF-8 would reach the Compactor as another name: they go as the
    // bytes they stand for. Started twice removed, so that nothing of it is
    // left to reap.
    const QByteArray path = FileName::fromText(program).bytes();
    std::vector<QByteArray> bytes{path};
    for (const QString& a : arguments)
        bytes.push_back(FileName::fromText(a).bytes());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int ready[2];
    if (::pipe(ready) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (child == 0) {
        // Only calls that are safe between fork and exec from here on.
        ::close(ready[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::fcntl(ready[1], F_SETFD, FD_CLOEXEC);
            ::execvp(path.constData(), argv.data());
        }
        if (grandchild <= 0) {
            const char failed = 1;
            [[maybe_unused]] const auto n = ::write(ready[1], &failed, 1);
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::waitpid(child, nullptr, 0);
    // The exec closes the pipe without a word; a failed one says so first.
    char failed = 0;
    const bool started = ::read(ready[0], &failed, 1) == 0;
    ::close(ready[0]);
    return started;
#else
    return QProcess::startDetached(program, arguments);
#endif
}

ProcessStarter& starter()
{
    static ProcessStarter current = startDetached;
    return current;
}

} // namespace

bool startProgram(const QString& program, const QStringList& arguments)
{
    return starter()(program, arguments);
}

QString compactorPathKey()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\Ruta");
}

QString compactorBesideProgram()
{
    return suiteProgram(QStringLiteral("OrvCompactor"), QStringLiteral("compactor"));
}

QString suiteProgram(const QString& program, const QString& buildFolder)
{
    // Installed, the programs share a folder; in a build tree each has its own.
    const QString folder = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    const QString name = program + QStringLiteral(".exe");
#else
    const QString name = program;
#endif
    for (const QString& candidate : {folder + QLatin1Char('/') + name,
                                     folder + QStringLiteral("/../") + buildFolder + QLatin1Char('/') + name}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable())
            return file.absoluteFilePath();
    }
    return QString();
}

CompactorStart startCompactor(const FileName& rutaPelicula)
{
    // `Ruta` is written by the Compactor at its first start; until then, the
    // one installed beside this program is the suite's own.
    QString path = leeValor(compactorPathKey());
    if (path.size() <= 2)
        path = compactorBesideProgram();
    if (path.isEmpty())
        return CompactorStart::NotFound;
    // The path goes as one argument, so a movie path with spaces arrives
    // whole; the Compactor joins its arguments with single spaces anyway.
    return starter()(path, {rutaPelicula.absolute().escapedText()}) ? CompactorStart::Started
                                           : CompactorStart::NotResponding;
}

void setProcessStarter(ProcessStarter start)
{
    starter() = start ? std::move(start) : ProcessStarter(startDetached);
}

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString remedies()
{
    return kCrLf + kCrLf + QStringLiteral(" -Reinstalando Orvane ASCII Suite") + kCrLf +
           QStringLiteral(" -Ejecutando una vez Orvane ASCII Compactor") + kCrLf + kCrLf +
           QStringLiteral("Probablemente la película fué generada, pero esta no fué comprimida.");
}

} // namespace

QString compactorNotFoundMessage()
{
    return QStringLiteral("No se puede encontrar Orvane ASCII Compactor, puede solucionar este "
                          "problema de varias formas: ") +
           remedies();
}

QString compactorNotRespondingMessage()
{
    return QStringLiteral(
               "No se puede encontrar Orvane ASCII Compactor, existe un registro de este "
               "anteriormente pero no responde o no existe, puede solucionar este "
               "problema de varias formas: ") +
           remedies();
}

bool compressMovie(QWidget* parent, const FileName& rutaPelicula)
{
    QString text;
    switch (startCompactor(rutaPelicula)) {
    case CompactorStart::Started:
        return true;
    case CompactorStart::NotFound:
        text = compactorNotFoundMessage();
        break;
    case CompactorStart::NotResponding:
        text = compactorNotRespondingMessage();
        break;
    }
    prompt().message(parent, text, QStringLiteral("Error al comprimir la película"),
                     Icon::Exclamation, Buttons::Ok);
    return false;
}

} // namespace orv::ui
