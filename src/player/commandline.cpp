#include "commandline.h"

#include "nativename.h"

#include <QDir>
#include <QUrl>

namespace orv::player {

QString commandLinePath(const QStringList& arguments)
{
    const QString line = arguments.join(QLatin1Char(' '));
    if (line.size() <= 1)
        return {};
    QString path;
    if (line.contains(QLatin1Char('"'))) {
        path = line.section(QLatin1Char('"'), 1, 1);
    } else {
        path = isFileByName(line) ? line : arguments.first();
        if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(path);
            if (url.isLocalFile())
                path = localFileFromUrl(url);
        }
    }
    if (path.isEmpty())
        return {};
    // By text, not QFileInfo, which would lose a name's bytes that are not
    // UTF-8.
    return QDir::cleanPath(
        QDir::isRelativePath(path) ? QDir::currentPath() + QLatin1Char('/') + path : path);
}

} // namespace orv::player
