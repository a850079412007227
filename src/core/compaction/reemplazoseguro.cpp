#include "reemplazoseguro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#include <filesystem>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orv {
namespace {

const QLatin1String kSuffix(".orvtmp");

bool syncHandle(int fd)
{
#ifdef Q_OS_WIN
    return _commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

bool syncFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true; // NTFS makes the rename itself durable
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

} // namespace

QString nombreTemporal(const QString& target)
{
    const QFileInfo info(target);
    const quint64 r = QRandomGenerator::system()->generate64();
    return info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.')
           + QString::number(r, 36) + kSuffix;
}

bool vuelcaADisco(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return syncHandle(f.handle());
}

bool reemplazaArchivo(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), ec);
    if (ec)
        return false;
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

} // namespace orv
