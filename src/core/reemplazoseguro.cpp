#include "reemplazoseguro.h"

#include "nativename.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cstdio>
#include <filesystem>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <cerrno>
#include <csignal>
#include <dirent.h>
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
    const int fd = ::open(nameBytesFromText(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

// When a process started, as the system counts it (clock ticks since boot
// on Linux); with its id, it names the process even after the id is reused.
// 0 where the system does not say.
quint64 inicioDeProceso(qint64 pid)
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The command name, in parentheses, may hold spaces: count from its end.
    const QByteArray linea = stat.readAll();
    const QList<QByteArray> campos = linea.mid(linea.lastIndexOf(')') + 2).split(' ');
    return campos.size() > 19 ? campos[19].toULongLong() : 0;
#else
    Q_UNUSED(pid);
    return 0;
#endif
}

bool vive(qint64 pid, quint64 inicio)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
        return false;
#ifdef Q_OS_LINUX
    // A killed process nobody has reaped yet (a container whose first
    // process does not reap) still answers kill(): it is dead all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray linea = stat.readAll();
        const qsizetype at = linea.lastIndexOf(')') + 2;
        const char estado = at > 1 && at < linea.size() ? linea.at(at) : '?';
        if (estado == 'Z' || estado == 'X')
            return false;
    }
#endif
    return inicio == 0 || inicioDeProceso(pid) == inicio;
#else
    Q_UNUSED(pid);
    Q_UNUSED(inicio);
    return true; // nothing is removed where ownership cannot be told
#endif
}

} // namespace

QString nombreTemporal(const QString& target)
{
    const QFileInfo info(absoluteName(target));
    const qint64 pid = QCoreApplication::applicationPid();
    const quint64 r = QRandomGenerator::system()->generate64();
    return info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.')
           + QString::number(pid) + QLatin1Char('-') + QString::number(inicioDeProceso(pid)) + QLatin1Char('-')
           + QString::number(r, 36) + kSuffix;
}

void limpiaHuerfanos(const QString& carpeta)
{
    // ".<movie>.<pid>-<start>-<random>.orvtmp", maybe followed by the
    // archive library's ".XXXXXX" while it wrote the file.
    static const QRegularExpression forma(QStringLiteral("^\\..+\\.(\\d+)-(\\d+)-[0-9a-z]+\\.orvtmp(\\.[^.]+)?$"));
    const auto huerfano = [](const QString& nombre) {
        const QRegularExpressionMatch m = forma.match(nombre);
        return m.hasMatch() && !vive(m.captured(1).toLongLong(), m.captured(2).toULongLong());
    };
#ifdef Q_OS_UNIX
    // Listed and removed by their bytes: a movie's name need not be UTF-8,
    // nor then its scratch file's. The pattern reads them one character a
    // byte (only its ASCII parts matter), as it cannot match text holding a
    // byte that is not UTF-8.
    const QByteArray bytesCarpeta = nameBytesFromText(carpeta);
    DIR* dir = ::opendir(bytesCarpeta.constData());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArrayView nombre(static_cast<const char*>(e->d_name)); // up to its NUL
        if (nombre.startsWith('.') && nombre.contains(".orvtmp") && huerfano(QString::fromLatin1(nombre)))
            ::unlink((bytesCarpeta + '/' + nombre.toByteArray()).constData());
    }
    ::closedir(dir);
#else
    const QDir dir(carpeta);
    for (const QString& nombre : dir.entryList({QStringLiteral(".*.orvtmp*")}, QDir::Files | QDir::Hidden | QDir::System))
        if (huerfano(nombre))
            quitaArchivo(carpeta + QLatin1Char('/') + nombre);
#endif
}

bool quitaArchivo(const QString& path)
{
#ifdef Q_OS_UNIX
    return ::unlink(nameBytesFromText(path).constData()) == 0;
#else
    return QFile::remove(path);
#endif
}

bool vuelcaADisco(const QString& path)
{
    QFile f;
    if (!openByNameBytes(f, nameBytesFromText(path)))
        return false;
    return syncHandle(f.handle());
}

bool reemplazaArchivo(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    if (::rename(nameBytesFromText(from).constData(), nameBytesFromText(to).constData()) != 0)
        return false;
#else
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdWString()), std::filesystem::path(to.toStdWString()), ec);
    if (ec)
        return false;
#endif
    const int guardado = errno;
    syncFolder(QFileInfo(absoluteName(to)).absolutePath());
    errno = guardado;
    return true;
}

} // namespace orv
