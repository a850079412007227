#include "compactor.h"

#include "archiveerror.h"
#include "bytesource.h"
#include "cgzipfiles.h"
#include "moviereader.h"
#include "moviestream.h"
#include "filename.h"
#include "safereplace.h"
#include "zipmember.h"

#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QThread>

#include <zip.h>

#include <algorithm>
#include <cstring>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orv {
namespace {

const QString kSource = QStringLiteral("Form1::procesaArchivo");

// Error numbers as the classic runtime gives them; the history shows 75 as
// "Error: Al abrir " and every other one with its description.
constexpr int kOutOfMemory = 7;
constexpr int kFileNotFound = 53;
constexpr int kDiskFull = 61;
constexpr int kPastEnd = 62;
constexpr int kPermissionDenied = 70;
constexpr int kAccessError = 75;
// Failures of the archive work itself.
constexpr int kNoMember = archive_errors::ZipBase + ZIP_ER_NOZIP;
constexpr int kCheckFailed = archive_errors::ZipBase + ZIP_ER_INCONS;

[[noreturn]] void raise(int number, const QString& description)
{
    throw ArchiveError(number, kSource, description);
}

// The line for a movie past the largest the suite handles.
[[noreturn]] void raiseTooLarge(qint64 maximum)
{
    raise(kOutOfMemory, QStringLiteral("la película pasa de %1 MB, el tamaño máximo que se puede abrir")
                            .arg(maximum >> 20));
}

// The line for a file the disk did not take, with the system's reason.
[[noreturn]] void raiseNotWritten(const QString& what)
{
    const int cause = errno;
    raise(kDiskFull, what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(cause)));
}

// A movie opened for reading by its name's bytes, only when it is a regular
// file (a FIFO would wait for ever for a writer, and a device never ends).
class Input
{
public:
    explicit Input(const FileName& name)
    {
        if (!openForReading(m_file, name)) {
            if (!name.isEmpty() && !exists(name))
                raise(kFileNotFound, QStringLiteral("File not found"));
            raise(kAccessError, QStringLiteral("Path/File access error"));
        }
    }

    QByteArray start(qint64 n) { return m_file.read(n); }
    qint64 size() const { return m_file.size(); }
    // Read from the start, by the movie reader's rules, frames not kept.
    bool readsAsMovie()
    {
        DeviceSource source(m_file);
        return checkMovie(source);
    }

    // Up to `max` bytes, filling `into` as far as the file goes; what the
    // file holds past `maximum` in all is an error, found while reading,
    // whatever size the file reported.
    qint64 read(char* into, qint64 max, qint64 maximum)
    {
        qint64 done = 0;
        while (done < max) {
            const qint64 n = m_file.read(into + done, max - done);
            if (n < 0)
                raise(kAccessError, QStringLiteral("Path/File access error"));
            if (n == 0)
                break;
            done += n;
        }
        m_read += done;
        if (m_read > maximum)
            raiseTooLarge(maximum);
        return done;
    }

private:
    QFile m_file;
    qint64 m_read = 0;
};

// A scratch file that must not exist yet, made by its name's bytes: a
// folder that cannot hold it is an access problem of this movie alone, not
// a failed archive build.
void openNew(QFile& scratch, const FileName& name)
{
#ifdef Q_OS_WIN
    scratch.setFileName(QString::fromUtf8(name.bytes()));
    if (scratch.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;
#else
    const int fd = ::open(name.bytes().constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 && scratch.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return;
    if (fd >= 0)
        ::close(fd);
#endif
    raise(kPermissionDenied, QStringLiteral("Permission denied"));
}

// The movie held for a whole compaction: an advisory lock on the file its
// name gives, so that two compactions of one movie (two runs, or a run and
// the window) go one after the other, and the second decides the movie's
// form on what the first left. A lock is on a file, not on its name: one
// taken on a file that was replaced meanwhile is let go and taken again.
class MovieLock
{
public:
    MovieLock(const FileName& name, const std::function<void()>& waiting)
    {
#ifdef Q_OS_UNIX
        for (;;) {
            m_fd = ::open(name.bytes().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (m_fd < 0)
                return; // what cannot be opened is said by the reading itself
            while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR)
                    return; // a file system without locks: as before
                if (waiting)
                    waiting();
                QThread::msleep(10);
            }
            struct stat held, named;
            if (::fstat(m_fd, &held) == 0 && ::stat(name.bytes().constData(), &named) == 0
                && held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return;
            ::close(m_fd);
            m_fd = -1;
        }
#else
        Q_UNUSED(name);
        Q_UNUSED(waiting);
#endif
    }
    ~MovieLock()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    MovieLock(const MovieLock&) = delete;
    MovieLock& operator=(const MovieLock&) = delete;

private:
    int m_fd = -1;
};

bool startsWithPk(const FileName& name)
{
    const QByteArray start = Input(name).start(2);
    if (start.isEmpty())
        raise(kPastEnd, QStringLiteral("Input past end of file"));
    return start == "PK";
}

// Pieces compared and copied: small, so memory stays flat.
constexpr qint64 kPiece = qint64(1) << 20;
// A member up to this size is inflated whole, in one call: with the
// compressed data beside it, memory stays within 64 MiB.
constexpr qint64 kMaxInteger = qint64(48) << 20;

// A compressed movie is right when it holds exactly one member, under the
// movie's own name, that reads back to the movie's bytes: compared piece by
// piece with the movie read again, with the member's CRC checked at its end.
bool fileIsSound(const FileName& archive, const FileName& movie, qint64 maximum)
{
    int err = 0;
    zip_t* za = zip_open(archive.bytes().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return false;
    const auto close = qScopeGuard([za] { zip_discard(za); });
    if (zip_get_num_entries(za, 0) != 1 ||
        QString::fromUtf8(zip_get_name(za, 0, ZIP_FL_ENC_GUESS)) != movie.leaf().display())
        return false;
    zip_file_t* member = zip_fopen_index(za, 0, 0);
    if (!member)
        return false;
    const auto closeMember = qScopeGuard([member] { zip_fclose(member); });
    Input original(movie);
    QByteArray a(kPiece, Qt::Uninitialized), b(kPiece, Qt::Uninitialized);
    for (;;) {
        const qint64 n = original.read(a.data(), kPiece, maximum);
        qint64 m = 0;
        while (m < kPiece) {
            const zip_int64_t r = zip_fread(member, b.data() + m, zip_uint64_t(kPiece - m));
            if (r < 0)
                return false;
            if (r == 0)
                break;
            m += r;
        }
        if (n != m || std::memcmp(a.constData(), b.constData(), size_t(n)) != 0)
            return false;
        if (n < kPiece)
            return true;
    }
}

// The archive's member on its way to the scratch file: every byte the
// movie's check pulls, and then the rest, is written there as it is
// inflated, so the member is never held whole. What goes wrong is kept
// apart: the scratch file's writing, the size limit, the member itself.
class CopySource : public ByteSource
{
public:
    CopySource(ByteSource& member, QFile& target, qint64 maximum)
        : m_member(member), m_target(target), m_maximum(maximum)
    {
    }

    qint64 read(char* into, qint64 max) override
    {
        const qint64 n = m_member.read(into, max);
        if (n <= 0) {
            m_failMember = n < 0;
            return n;
        }
        m_copied += n;
        if (m_copied > m_maximum) {
            m_tooLarge = true;
            return -1;
        }
        if (m_target.write(into, n) != n) {
            m_failWrite = true;
            return -1;
        }
        return n;
    }

    // Copies what the check left, to the member's end (where its CRC is
    // checked). False when anything failed.
    bool finishCopy()
    {
        QByteArray piece(kPiece, Qt::Uninitialized);
        qint64 n = 0;
        while ((n = read(piece.data(), kPiece)) > 0) {
        }
        return n == 0;
    }

    qint64 copied() const { return m_copied; }
    bool failWrite() const { return m_failWrite; }
    bool tooLarge() const { return m_tooLarge; }
    bool failMember() const { return m_failMember; }

private:
    ByteSource& m_member;
    QFile& m_target;
    qint64 m_maximum;
    qint64 m_copied = 0;
    bool m_failWrite = false;
    bool m_tooLarge = false;
    bool m_failMember = false;
};

} // namespace

Compactor::Compactor(History history) : m_history(std::move(history)) {}

QString Compactor::timeLine(const QDateTime& moment)
{
    // Spanish, as every program of the suite speaks, whatever the system's
    // locale: the window and `orv compact` write the same line.
    return QLatin1String(" [") +
           QLocale(QLocale::Spanish, QLocale::Spain).toString(moment, QLocale::ShortFormat) +
           QLatin1Char(']');
}

bool Compactor::isTimeLine(const QString& line)
{
    return line.startsWith(QLatin1String(" [")) && line.endsWith(QLatin1Char(']'));
}

QString Compactor::summaryLine(int count)
{
    return QString::number(count) + QLatin1String(" archivo(s) analizado(s) y/o procesado(s).");
}

void Compactor::agregaHistorial(const QString& line)
{
    if (m_mode != CompactionMode::Analyse && m_history)
        m_history(timeLine(m_clock ? m_clock() : QDateTime::currentDateTime()));
    if (m_history)
        m_history(line);
    if (m_current)
        m_current->lines << line;
}

// A name that is not UTF-8 is shown as the Windows-1252 characters it most
// likely was.
void Compactor::report(const QString& prefix, const FileName& name)
{
    agregaHistorial(prefix + name.display());
}

bool Compactor::fail(CompactionStep step) const
{
    return m_fault && !m_fault(step);
}

void Compactor::stepForward(const FileName& name) const
{
    if (m_progress)
        m_progress(name);
}

FileResult Compactor::procesaArchivo(const FileName& path)
{
    FileResult r;
    m_current = &r;
    const auto end = qScopeGuard([this] { m_current = nullptr; });
    stepForward(path);
    const MovieLock held(path, [this, &path] { stepForward(path); });
    try {
        const bool compressed = startsWithPk(path);
        if (!path.endsWith(".ovt")) {
            report(QStringLiteral("No es OVT: "), path);
            return r;
        }
        const unsigned permissions = permissionsOf(path).value_or(0);
        const bool readOnly = !(permissions & 0200u);
        const bool hidden = path.leaf().bytes().startsWith('.');
        if (readOnly || hidden) {
            report(readOnly && hidden ? QStringLiteral("Está oculto y es sólo lectura: ")
                   : hidden           ? QStringLiteral("Está oculto: ")
                                      : QStringLiteral("Es sólo lectura: "),
                   path);
            if (!m_bruteForce) {
                report(QStringLiteral("No fué procesado: "), path);
                r.state = FileState::NotProcessed;
                return r;
            }
            report(QStringLiteral("Fuerza bruta: "), path);
            // A name is never changed, so a hidden movie stays hidden.
            if (readOnly && !setPermissionsOf(path, permissions | 0200u))
                raise(kPermissionDenied, QStringLiteral("Permission denied"));
        }
        const bool decompress_ =
            m_mode == CompactionMode::DecompressOnly || m_mode == CompactionMode::Automatic;
        const bool compress_ =
            m_mode == CompactionMode::CompressOnly || m_mode == CompactionMode::Automatic;
        if (compressed && decompress_) {
            descomprime(path);
            report(QStringLiteral("Descomprimido: "), path);
            r.state = FileState::Decompressed;
        } else if (compressed) {
            report(QStringLiteral("Está comprimido: "), path);
        } else if (compress_) {
            compress(path);
            report(QStringLiteral("Comprimido: "), path);
            r.state = FileState::Compressed;
        } else {
            report(QStringLiteral("No está comprimido: "), path);
        }
    } catch (const ArchiveError& e) {
        if (e.number() == kAccessError)
            report(QStringLiteral("Error: Al abrir "), path);
        else
            agregaHistorial(QLatin1String("Error en: ") + path.display() + QLatin1String(", ") +
                            e.description());
        r.state = r.state == FileState::BuildError ? r.state : FileState::Error;
    }
    return r;
}

void Compactor::compress(const FileName& path)
{
    const FileName whole = path.absolute();
    {
        Input input(path);
        if (input.size() > m_maxSize)
            raiseTooLarge(m_maxSize);
        // What would not restore as a movie is not compressed: it would
        // stay an archive no program opens.
        if (!input.readsAsMovie())
            raise(kNoMember, QStringLiteral("el archivo no contiene una película válida"));
    }
    const FileName scratch = scratchFor(whole);
    {
        QFile reserve; // the name is taken before the archive is built
        openNew(reserve, scratch);
    }
    auto clean = qScopeGuard([&scratch] { removeFile(scratch); });
    stepForward(path);
    std::int32_t state = zip_status::Write;
    if (!fail(CompactionStep::Build)) {
        // The archive classes take names as text; escaped text keeps every byte.
        CGZipFiles zip;
        zip.setZipFileName(scratch.escapedText());
        zip.setUpdatingZip(false);
        zip.setRootDirectory(whole.folder().escapedText());
        zip.AddFile(whole.leaf().escapedText());
        state = zip.MakeZipFile();
    }
    if (state != zip_status::Ok) {
        m_current->state = FileState::BuildError;
        raise(archive_errors::ZipBase + state,
              QStringLiteral("no se pudo crear el archivo comprimido (estado %1)").arg(state));
    }
    stepForward(path);
    if (fail(CompactionStep::Check) || !fileIsSound(scratch, path, m_maxSize))
        raise(kCheckFailed, QStringLiteral("el archivo comprimido no devuelve la película igual"));
    if (fail(CompactionStep::Flush) || !flushToDisk(scratch))
        raiseNotWritten(QStringLiteral("no se pudo escribir el archivo comprimido en el disco"));
    keepOwnerAndMode(path, scratch);
    if (fail(CompactionStep::Renaming) || !replaceFile(scratch, path))
        raiseNotWritten(QStringLiteral("no se pudo reemplazar la película"));
    clean.dismiss();
}

void Compactor::descomprime(const FileName& path)
{
    // Only an archive of exactly one file that reads as a movie becomes
    // that movie; anything else would lose what the archive holds.
    const std::optional<FileMembers> members =
        fail(CompactionStep::Extraction) ? std::nullopt : fileMembers(path);
    if (!members)
        raise(kNoMember, QStringLiteral("el archivo comprimido no se puede leer"));
    if (members->count != 1)
        raise(kNoMember,
              QStringLiteral("el archivo comprimido contiene %1 archivos").arg(members->count));
    if (members->firstUnreadable)
        raise(kNoMember, *members->firstUnreadable);
    if (members->firstEncrypted && !m_passwords)
        raise(kNoMember,
              QStringLiteral("el archivo comprimido está cifrado y no se dio su contraseña"));
    const std::unique_ptr<ByteSource> member = openFirstZipMember(path, m_passwords);
    if (!member && members->firstEncrypted)
        raise(kNoMember,
              QStringLiteral("el archivo comprimido está cifrado y la contraseña no lo abre"));
    if (!member)
        raise(kNoMember, QStringLiteral("el archivo comprimido no se puede leer"));
    stepForward(path);
    const FileName scratch = scratchFor(path.absolute());
    QFile output;
    openNew(output, scratch);
    auto clean = qScopeGuard([&scratch, &output] {
        output.close();
        removeFile(scratch);
    });
    qint64 copied = 0;
    if (std::optional<QByteArray> all = member->whole(std::min(kMaxInteger, m_maxSize))) {
        // A member that fits the memory budget inflates in one call, several
        // times faster; its CRC is already checked.
        MemorySource source(*all);
        if (!checkMovie(source))
            raise(kNoMember,
                  QStringLiteral("el archivo comprimido no contiene una película válida"));
        for (qsizetype done = 0; done < all->size();) {
            const qint64 n = output.write(all->constData() + done, all->size() - done);
            if (n <= 0)
                raiseNotWritten(QStringLiteral("no se pudo escribir la película"));
            done += qsizetype(n);
        }
        if (!output.flush())
            raiseNotWritten(QStringLiteral("no se pudo escribir la película"));
        copied = all->size();
    } else {
        // One pass: the member is checked as a movie while it is copied out.
        CopySource copy(*member, output, m_maxSize);
        const bool movie = checkMovie(copy);
        const bool complete = movie && copy.finishCopy() && output.flush();
        if (copy.failWrite() || (movie && !complete && !copy.tooLarge() && !copy.failMember()))
            raiseNotWritten(QStringLiteral("no se pudo escribir la película"));
        if (copy.tooLarge())
            raiseTooLarge(m_maxSize);
        if (copy.failMember())
            raise(kNoMember,
                  members->firstEncrypted
                      ? QStringLiteral(
                            "el archivo comprimido está cifrado y la contraseña no lo abre")
                      : QStringLiteral("el archivo comprimido no se puede leer"));
        if (!movie)
            raise(kNoMember,
                  QStringLiteral("el archivo comprimido no contiene una película válida"));
        copied = copy.copied();
    }
    output.close();
    if (fail(CompactionStep::Flush) || !flushToDisk(scratch))
        raiseNotWritten(QStringLiteral("no se pudo escribir la película en el disco"));
    if (fail(CompactionStep::Check) || fileSize(scratch) != copied)
        raise(kCheckFailed, QStringLiteral("la película extraída está incompleta"));
    keepOwnerAndMode(path, scratch);
    if (fail(CompactionStep::Renaming) || !replaceFile(scratch, path))
        raiseNotWritten(QStringLiteral("no se pudo reemplazar la película"));
    clean.dismiss();
}

// A fresh scratch name beside the movie. The first time a folder is met, the
// scratch files dead processes left there are removed.
FileName Compactor::scratchFor(const FileName& movie)
{
    const FileName folder = movie.folder();
    if (!m_cleanFolders.contains(folder.bytes())) {
        removeOrphans(folder);
        m_cleanFolders.insert(folder.bytes());
    }
    return scratchName(movie);
}

bool compressMovieInPlace(const FileName& path, QStringList* lines)
{
    Compactor c;
    c.setMode(CompactionMode::CompressOnly);
    c.setBruteForce(true);
    const FileResult r = c.procesaArchivo(path);
    if (lines)
        *lines = r.lines;
    return r.state == FileState::Compressed;
}

} // namespace orv
