#include "commandline.h"

#include "filename.h"

#include <QUrl>

namespace orv::player {

FileName commandLinePath(const QStringList& arguments)
{
    const QString line = arguments.join(QLatin1Char(' '));
    if (line.size() <= 1)
        return {};
    FileName path;
    if (line.contains(QLatin1Char('"'))) {
        path = FileName::fromText(line.section(QLatin1Char('"'), 1, 1));
    } else {
        const QString text = isRegularFile(FileName::fromText(line)) ? line : arguments.first();
        path = FileName::fromText(text);
        if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(text);
            if (url.isLocalFile())
                path = FileName::fromUrl(url);
        }
    }
    return path.isEmpty() ? path : path.absolute();
}

} // namespace orv::player
