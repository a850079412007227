#include "zipwrite.h"

#include <QFile>
#include <QFileInfo>
#include <zip.h>

namespace orv::tools {

bool writeSingleMemberZip(const QString& source, const QString& zipPath)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za)
        return false;
    zip_source_t* src = zip_source_file(za, QFile::encodeName(source).constData(), 0, -1);
    const QByteArray member = QFileInfo(zipPath).fileName().toUtf8();
    if (!src || zip_file_add(za, member.constData(), src, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(src);
        zip_discard(za);
        return false;
    }
    return zip_close(za) == 0;
}

} // namespace orv::tools
