#include "commandline.h"

#include <QFileInfo>
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
        ruta = QFileInfo(linea).isFile() ? linea : argumentos.first();
        if (ruta.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(ruta);
            if (url.isLocalFile())
                ruta = url.toLocalFile();
        }
    }
    if (ruta.isEmpty())
        return {};
    return QFileInfo(ruta).absoluteFilePath();
}

} // namespace orv::player
