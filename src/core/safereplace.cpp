#include "safereplace.h"


#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
#include <sys/stat.h>
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

bool syncFolder(const FileName& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true; // NTFS makes the rename itself durable
#else
    const int fd = ::open(folder.bytes().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
quint64 processStart(qint64 pid)
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The command name, in parentheses, may hold spaces: count from its end.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields[19].toULongLong() : 0;
#else
    Q_UNUSED(pid);
    return 0;
#endif
}

bool alive(qint64 pid, quint64 start)
{
#ifdef Q_OS_UNIX
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))
        return false;
#ifdef Q_OS_LINUX
    // A killed process nobody has reaped yet (a container whose first
    // process does not reap) still answers kill(): it is dead all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const qsizetype at = line.lastIndexOf(')') + 2;
        const char state = at > 1 && at < line.size() ? line.at(at) : '?';
        if (state == 'Z' || state == 'X')
            return false;
    }
#endif
    return start == 0 || processStart(pid) == start;
#else
    Q_UNUSED(pid);
    Q_UNUSED(start);
    return true; // nothing is removed where ownership cannot be told
#endif
}

} // namespace

FileName scratchName(const FileName& target)
{
    const FileName whole = target.absolute();
    const qint64 pid = QCoreApplication::applicationPid();
    const quint64 r = QRandomGenerator::system()->generate64();
    return whole.folder().child('.' + whole.leaf().bytes() + '.' + QByteArray::number(pid) + '-'
                                + QByteArray::number(processStart(pid)) + '-' + QByteArray::number(r, 36)
                                + kSuffix.latin1());
}

void removeOrphans(const FileName& folder)
{
    // ".<movie>.<pid>-<start>-<random>.orvtmp", maybe followed by the
    // archive library's ".XXXXXX" while it wrote the file.
    static const QRegularExpression form(
        QStringLiteral("^\\..+\\.(\\d+)-(\\d+)-[0-9a-z]+\\.orvtmp(\\.[^.]+)?$"));
    const auto orphan = [](const QString& name) {
        const QRegularExpressionMatch m = form.match(name);
        return m.hasMatch() && !alive(m.captured(1).toLongLong(), m.captured(2).toULongLong());
    };
#ifdef Q_OS_UNIX
    // Listed and removed by their bytes: a movie's name need not be UTF-8,
    // nor then its scratch file's. The pattern reads them one character a
    // byte (only its ASCII parts matter), as it cannot match text holding a
    // byte that is not UTF-8.
    DIR* dir = ::opendir(folder.bytes().constData());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArrayView name(static_cast<const char*>(e->d_name)); // up to its NUL
        if (name.startsWith('.') && name.contains(".orvtmp") && orphan(QString::fromLatin1(name)))
            removeFile(folder.child(name.toByteArray()));
    }
    ::closedir(dir);
#else
    const QDir dir(QString::fromUtf8(folder.bytes()));
    for (const QString& name :
         dir.entryList({QStringLiteral(".*.orvtmp*")}, QDir::Files | QDir::Hidden | QDir::System))
        if (orphan(name))
            removeFile(folder.child(name.toUtf8()));
#endif
}

bool keepOwnerAndMode(const FileName& original, int replacementFd)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (original.isEmpty() || ::stat(original.bytes().constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (::fchown(replacementFd, st.st_uid, st.st_gid) != 0 && ::fchown(replacementFd, uid_t(-1), st.st_gid) != 0) {
        // Neither is allowed: the replacement stays the process's, as any
        // file it makes would.
    }
    // After the owner: a change of owner may clear the set-id bits.
    ::fchmod(replacementFd, st.st_mode & 07777);
    return true;
#else
    const std::optional<unsigned> mode = permissionsOf(original);
    Q_UNUSED(replacementFd);
    return mode.has_value();
#endif
}

bool keepOwnerAndMode(const FileName& original, const FileName& replacement)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(replacement.bytes().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool kept = keepOwnerAndMode(original, fd);
    ::close(fd);
    return kept;
#else
    const std::optional<unsigned> mode = permissionsOf(original);
    return mode && setPermissionsOf(replacement, *mode);
#endif
}

bool removeFile(const FileName& name)
{
#ifdef Q_OS_UNIX
    return !name.isEmpty() && ::unlink(name.bytes().constData()) == 0;
#else
    return QFile::remove(QString::fromUtf8(name.bytes()));
#endif
}

bool flushToDisk(const FileName& name)
{
    QFile f;
    if (!openForReading(f, name))
        return false;
    return syncHandle(f.handle());
}

bool replaceFile(const FileName& from, const FileName& to)
{
#ifdef Q_OS_UNIX
    if (::rename(from.bytes().constData(), to.bytes().constData()) != 0)
        return false;
#else
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QString::fromUtf8(from.bytes()).toStdWString()),
                            std::filesystem::path(QString::fromUtf8(to.bytes()).toStdWString()), ec);
    if (ec)
        return false;
#endif
    const int saved = errno;
    syncFolder(to.absolute().folder());
    errno = saved;
    return true;
}

} // namespace orv
