#include "zipentry.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace orv {
namespace {

constexpr zip_uint32_t kTypeMask = 0170000;
constexpr zip_uint32_t kDirType = 0040000;
constexpr zip_uint32_t kLinkType = 0120000;
constexpr zip_uint32_t kFileType = 0100000;
// `zip` reading its standard input stores the pipe's type with the data it
// read: the member is a file's bytes like any other.
constexpr zip_uint32_t kPipeType = 0010000;
constexpr zip_uint32_t kDosDirectory = 0x10;

} // namespace

EntryKind entryKind(zip_t* za, zip_uint64_t index, const zip_stat_t& st)
{
    const QByteArray name = (st.valid & ZIP_STAT_NAME) && st.name ? QByteArray(st.name) : QByteArray();
    if (name.isEmpty())
        return EntryKind::Other;
    if (name.endsWith('/') || name.endsWith('\\'))
        return EntryKind::Directory;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) == 0) {
        if (opsys == ZIP_OPSYS_UNIX) {
            const zip_uint32_t type = (attributes >> 16) & kTypeMask;
            if (type == kLinkType)
                return EntryKind::Link;
            if (type == kDirType)
                return EntryKind::Directory;
            if (type != 0 && type != kFileType && type != kPipeType)
                return EntryKind::Other;
        } else if (opsys == ZIP_OPSYS_DOS && (attributes & kDosDirectory)) {
            return EntryKind::Directory;
        }
    }
    return EntryKind::File;
}

std::optional<QString> safeRelativePath(const QString& entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return std::nullopt;
    if (name.size() >= 2 && name[1] == QLatin1Char(':'))
        return std::nullopt;
    QStringList kept;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") || part.contains(QChar(0)))
            return std::nullopt;
        kept.append(part);
    }
    if (kept.isEmpty())
        return std::nullopt;
    return kept.join(QLatin1Char('/'));
}

bool makeFoldersInside(const QString& root, const QString& rel)
{
    QString path = root;
    for (const QString& part : rel.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        const QFileInfo info(path);
        if (info.isSymLink())
            return false;
        if (info.exists()) {
            if (!info.isDir())
                return false;
        } else if (!QDir().mkdir(path)) {
            return false;
        }
    }
    return true;
}

bool staysInside(const QString& root, const QString& path)
{
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString canonicalParent = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    if (canonicalRoot.isEmpty() || canonicalParent.isEmpty())
        return false;
    if (QFileInfo(path).isSymLink())
        return false;
    return canonicalParent == canonicalRoot || canonicalParent.startsWith(canonicalRoot + QLatin1Char('/'));
}

} // namespace orv
