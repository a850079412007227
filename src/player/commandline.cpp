#include "commandline.h"

#include "nativename.h"

#include <QDir>
#include <QUrl>

namespace orv::player {

QString rutaDeLineaDeComandos(const QStringList& argumentos)
{
    const QString linea = argumentos.join(QLatin1Char(' '));
    if (linea.size() <= 1)
        return {};
    QString ruta;
    if (linea.contains(QLatin1Char('"'))) {
        ruta = linea.section(QLatin1Char('"'), 1, 1);
    } else {
        ruta = isFileByName(linea) ? linea : argumentos.first();
        if (ruta.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(ruta);
            if (url.isLocalFile())
                ruta = localFileFromUrl(url);
        }
    }
    if (ruta.isEmpty())
        return {};
    // By text, not QFileInfo, which would lose a name's bytes that are not
    // UTF-8.
    return QDir::cleanPath(QDir::isRelativePath(ruta) ? QDir::currentPath() + QLatin1Char('/') + ruta
                                                      : ruta);
}

} // namespace orv::player
