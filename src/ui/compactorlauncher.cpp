#include "compactorlauncher.h"

#include "prompt.h"
#include "settings.h"

#include <QProcess>

namespace orv::ui {
namespace {

bool startDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

ProcessStarter& starter()
{
    static ProcessStarter current = startDetached;
    return current;
}

} // namespace

QString compactorPathKey()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\Ruta");
}

CompactorStart startCompactor(const QString& rutaPelicula)
{
    const QString path = leeValor(compactorPathKey());
    if (path.size() <= 2)
        return CompactorStart::NotFound;
    // The path goes as one argument, so a movie path with spaces arrives
    // whole; the Compactor joins its arguments with single spaces anyway.
    return starter()(path, {rutaPelicula}) ? CompactorStart::Started
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

bool compressMovie(QWidget* parent, const QString& rutaPelicula)
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
