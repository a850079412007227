#include "safefile.h"

#include "safereplace.h"

#include <QMutex>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orv {
namespace {

// Each folder's stray scratch files are removed the first time this process
// writes there.
void cleanFolderOnce(const FileName& folder)
{
    static QMutex mutex;
    static QSet<QByteArray> clean;
    const QMutexLocker lock(&mutex);
    if (!clean.contains(folder.bytes())) {
        removeOrphans(folder);
        clean.insert(folder.bytes());
    }
}

} // namespace

SafeFile::SafeFile(const FileName& target) : m_target(target) {}

SafeFile::~SafeFile()
{
    if (m_file.isOpen() || !m_scratch.isEmpty())
        cancel();
}

bool SafeFile::open()
{
    if (const std::optional<QString> refusal = outputRefusal(m_target)) {
        failure(QFileDevice::OpenError, *refusal);
        return false;
    }
    cleanFolderOnce(m_target.absolute().folder());
    m_scratch = scratchName(m_target);
#ifdef Q_OS_WIN
    m_file.setFileName(QString::fromUtf8(m_scratch.bytes()));
    m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!m_ok) {
        fileFailure(QFileDevice::OpenError);
        m_scratch = {};
    }
    return m_ok;
#else
    const int fd = ::open(m_scratch.bytes().constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        failure(QFileDevice::OpenError, QString::fromLocal8Bit(std::strerror(errno)));
        m_scratch = {};
        return false;
    }
    // A replaced file keeps its owner, group and permissions; a new one
    // gets the usual ones.
    keepOwnerAndMode(m_target, fd);
    m_ok = m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    if (!m_ok) {
        ::close(fd);
        fileFailure(QFileDevice::OpenError);
        removeScratch();
    }
    return m_ok;
#endif
}

FileName SafeFile::openByName()
{
    if (!open())
        return {};
    m_file.close();
    m_byName = true;
    return m_scratch;
}

bool SafeFile::write(QByteArrayView bytes)
{
    if (!m_ok)
        return false;
    // A short write is tried again for the rest: the system tells why only
    // when nothing more can be written (a full disk, a size limit).
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = m_file.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<qsizetype>(n);
    }
    if (done != bytes.size()) {
        fileFailure(QFileDevice::WriteError);
        cancel();
        return false;
    }
    m_written += bytes.size();
    startFlushing();
    return true;
}

// finish() waits until the file is on disk. On Linux the disk starts on
// what was written every megabyte, while the rest is still being
// made, so that wait is short. Elsewhere it all goes at the end.
void SafeFile::startFlushing()
{
#ifdef __linux__
    constexpr qint64 kSpan = qint64(1) << 20;
    if (m_written - m_flushed < kSpan || !m_file.flush())
        return;
    // Only a hint: should it fail, finish() still writes everything.
    sync_file_range(m_file.handle(), m_flushed, m_written - m_flushed, SYNC_FILE_RANGE_WRITE);
    m_flushed = m_written;
#endif
}

bool SafeFile::finish()
{
    if (!m_ok) {
        cancel();
        return false;
    }
    // Pushed to disk: through the open file, or by name when another
    // library wrote and closed it.
    if (!m_byName && !m_file.flush()) {
        fileFailure(QFileDevice::WriteError);
        cancel();
        return false;
    }
#ifdef Q_OS_WIN
    const bool onDisk = m_byName ? flushToDisk(m_scratch) : ::_commit(m_file.handle()) == 0;
#else
    const bool onDisk = m_byName ? flushToDisk(m_scratch) : ::fsync(m_file.handle()) == 0;
#endif
    if (!onDisk) {
        failure(QFileDevice::WriteError, QString::fromLocal8Bit(std::strerror(errno)));
        cancel();
        return false;
    }
    m_file.close();
    if (!replaceFile(m_scratch, m_target)) {
        failure(QFileDevice::RenameError, QString::fromLocal8Bit(std::strerror(errno)));
        cancel();
        return false;
    }
    m_scratch = {};
    m_ok = false;
    return true;
}

void SafeFile::cancel()
{
    m_file.close();
    removeScratch();
    m_ok = false;
}

void SafeFile::removeScratch()
{
    if (m_scratch.isEmpty())
        return;
    removeFile(m_scratch);
    m_scratch = {};
}

// Keeps the failure as it happened: what follows it (the cancel, a close)
// must not replace it.
void SafeFile::failure(QFileDevice::FileError code, const QString& text)
{
    if (m_code != QFileDevice::NoError)
        return;
    m_code = code;
    m_error = text;
}

void SafeFile::fileFailure(QFileDevice::FileError fallback)
{
    // The system's own reason, taken before anything else can change it: a
    // file opened from a descriptor can leave Qt with "Unknown error" for a
    // full disk.
    const int cause = errno;
    QString text = m_file.errorString();
    if (cause != 0 && (text.isEmpty() || text == QLatin1String("Unknown error")))
        text = QString::fromLocal8Bit(std::strerror(cause));
    failure(m_file.error() != QFileDevice::NoError ? m_file.error() : fallback, text);
}

QString SafeFile::error() const
{
    return m_error;
}

QFileDevice::FileError SafeFile::codeError() const
{
    return m_code;
}

} // namespace orv
