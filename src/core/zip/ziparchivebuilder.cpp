#include "ziparchivebuilder.h"

#include "cgzipfiles.h"
#include "chunkeddeflate.h"
#include "codemodule.h"
#include "cp1252.h"
#include "filename.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <libdeflate.h>
#include <zip.h>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace orv {
namespace {

constexpr qint64 kMaxMember = qint64(1) << 30;
// On ASCII-art movies libdeflate's level 6 comes out a little larger than
// Info-ZIP's `zip -6`; level 7 is smaller, and splitting the member across
// the cores buys back the time it costs.
constexpr int kLevel = 7;
// Pieces of 1 MiB keep both cores busy even on a movie of a few MB; each
// restarts its history, which costs well under 0.1% of the output.
constexpr qsizetype kChunk = qsizetype(1) << 20;

// How much of a file is read and deflated at a time.
constexpr qint64 kPiece = qint64(16) << 20;

// One member, read, deflated and handed to libzip piece by piece while it
// writes the archive: memory holds a piece and what it deflates to, never
// the member. The first piece decides the method: data it does not shrink
// is stored as it is (for a file of one piece, exactly when deflate would
// not make it smaller). libzip takes the method, the CRC and both sizes
// from the last stat, once the data has been read.
class Member
{
public:
    // `size` is what the file holds as it is added; the member's real size
    // is counted as it is read.
    Member(FileName name, qint64 size) : m_name(std::move(name)), m_size(size) { zip_error_init(&m_error); }
    ~Member() { zip_error_fini(&m_error); }

    static zip_int64_t source(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
    {
        return static_cast<Member*>(state)->serve(data, len, cmd);
    }

    // What the archive listing says once the member was written.
    QString outcome() const
    {
        if (m_stored)
            return QStringLiteral(" (stored 0%)");
        const int saved = m_size == 0 ? 0 : int(100 - 100 * m_written / m_size);
        return QStringLiteral(" (deflated %1%)").arg(saved);
    }

private:
    zip_int64_t serve(void* data, zip_uint64_t len, zip_source_cmd_t cmd)
    {
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            return open() ? 0 : -1;
        case ZIP_SOURCE_READ:
            return read(static_cast<char*>(data), len);
        case ZIP_SOURCE_CLOSE:
            m_file.close();
            m_piece = QByteArray();
            m_out = QByteArray();
            return 0;
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
            st->size = static_cast<zip_uint64_t>(m_size);
            st->comp_method = m_stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
            st->encryption_method = ZIP_EM_NONE;
            if (m_done) {
                st->valid |= ZIP_STAT_CRC;
                st->crc = m_crc;
            }
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, len);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            return fail(ZIP_ER_OPNOTSUPP);
        }
    }

    zip_int64_t fail(int code)
    {
        zip_error_set(&m_error, code, 0);
        return -1;
    }

    bool open()
    {
        if (!openForReading(m_file, m_name)) {
            fail(ZIP_ER_OPEN);
            return false;
        }
        m_size = m_written = 0;
        m_crc = 0;
        m_done = m_ended = false;
        m_piece.resize(static_cast<qsizetype>(std::min(std::max<qint64>(m_file.size(), 1), kPiece)));
        m_out.resize(0);
        m_at = 0;
        // The first piece decides the method.
        return next(true);
    }

    // Reads and deflates the next piece into m_out; false on failure.
    bool next(bool first)
    {
        qint64 got = 0;
        while (got < m_piece.size()) {
            const qint64 n = m_file.read(m_piece.data() + got, m_piece.size() - got);
            if (n < 0) {
                fail(ZIP_ER_READ);
                return false;
            }
            if (n == 0)
                break;
            got += n;
        }
        m_at = 0;
        m_size += got;
        if (m_size > kMaxMember) {
            fail(ZIP_ER_MEMORY);
            return false;
        }
        const QByteArrayView plain(m_piece.constData(), static_cast<qsizetype>(got));
        m_crc = static_cast<quint32>(libdeflate_crc32(m_crc, plain.data(), static_cast<size_t>(got)));
        if (got == 0) {
            // The end: a deflated member's stream is closed; an empty one
            // is stored.
            m_stored = m_stored || first;
            m_out = m_stored || m_ended ? QByteArray() : QByteArray(kFinalEmptyBlock, sizeof kFinalEmptyBlock);
            m_ended = true;
            return true;
        }
        if (m_stored) {
            m_out = plain.toByteArray();
            return true;
        }
        std::optional<QByteArray> part = deflateInChunks(plain, kLevel, kChunk, false);
        if (!part) {
            fail(ZIP_ER_MEMORY);
            return false;
        }
        if (first && part->size() + qsizetype(sizeof kFinalEmptyBlock) >= got) {
            m_stored = true;
            m_out = plain.toByteArray();
            return true;
        }
        m_out = std::move(*part);
        return true;
    }

    zip_int64_t read(char* into, zip_uint64_t len)
    {
        while (m_at == m_out.size()) {
            if (m_ended) {
                m_done = true;
                return 0;
            }
            if (!next(false))
                return -1;
        }
        const auto n = std::min<zip_uint64_t>(len, zip_uint64_t(m_out.size() - m_at));
        std::memcpy(into, m_out.constData() + m_at, n);
        m_at += qsizetype(n);
        m_written += qint64(n);
        return zip_int64_t(n);
    }

    FileName m_name;
    QFile m_file;
    QByteArray m_piece, m_out;
    qsizetype m_at = 0;
    qint64 m_size = 0, m_written = 0;
    quint32 m_crc = 0;
    bool m_stored = false, m_ended = false, m_done = false;
    zip_error_t m_error;
};

void print(const QString& text) { CodeModule::zipPrintCallback(toCp1252(text)); }

void progress(zip_t*, double, void*) { CodeModule::runZipEventPump(); }

// The name a member is stored under: a relative name as given, with
// forward slashes; anything that is absolute or climbs out keeps only its
// file-name part, so an archive never carries a hostile path.
QString memberName(const QString& name)
{
    // A file name that is not UTF-8 is stored as the characters it most
    // likely was, in UTF-8 like every other.
    QString n = FileName::fromText(name).display().replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool climbs = n.split(QLatin1Char('/')).contains(QStringLiteral(".."));
    if (QDir::isAbsolutePath(n) || climbs || n.contains(QLatin1Char(':')))
        return QFileInfo(n).fileName();
    return QDir::cleanPath(n);
}

class Build
{
public:
    explicit Build(zip_t* za) : m_za(za) {}

    std::int32_t addPath(const QString& full, const QString& member, bool recurse)
    {
        const QFileInfo info(full);
        if (info.isDir() && !info.isSymLink()) {
            if (zip_dir_add(m_za, member.toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0)
                return zip_status::Write;
            if (!recurse)
                return zip_status::Ok;
            QDirIterator it(full, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                const QString rel = QDir(full).relativeFilePath(path);
                if (const std::int32_t st = addFile(path, member + QLatin1Char('/') + rel); st != 0)
                    return st;
            }
            return zip_status::Ok;
        }
        return addFile(full, member);
    }

private:
    std::int32_t addFile(const QString& path, const QString& member)
    {
        QFile f;
        const FileName name = FileName::fromText(path);
        if (!openForReading(f, name)) {
            print(QLatin1String("zip warning: could not open for reading: ") + name.display() + QLatin1String("\n"));
            return zip_status::Open;
        }
        if (f.size() > kMaxMember)
            return zip_status::Memory;
        const QDateTime modified = f.fileTime(QFileDevice::FileModificationTime);
        auto m = std::make_unique<Member>(name, f.size());
        f.close();
        zip_source_t* src = zip_source_function(m_za, &Member::source, m.get());
        if (!src)
            return zip_status::Memory;
        const zip_int64_t index = zip_file_add(m_za, member.toUtf8().constData(), src,
                                               ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            return zip_status::Write;
        }
        if (modified.isValid())
            zip_file_set_mtime(m_za, static_cast<zip_uint64_t>(index),
                               static_cast<time_t>(modified.toSecsSinceEpoch()), 0);
        m_members.push_back({member, std::move(m)});
        return zip_status::Ok;
    }

public:
    // The listing, once the archive was written.
    void printListing() const
    {
        for (const auto& [member, m] : m_members)
            print(QLatin1String("  adding: ") + member + m->outcome() + QLatin1String("\n"));
    }

private:
    zip_t* m_za;
    std::vector<std::pair<QString, std::unique_ptr<Member>>> m_members;
};

} // namespace

std::int32_t makeArchive(const ZipBuildRequest& request)
{
    CodeModule::setLastMessageText(QString());
    if (request.archive.isEmpty())
        return zip_status::Params;
    if (request.names.isEmpty()) {
        print(QStringLiteral("zip error: Nothing to do! (") + request.archive + QLatin1String(")\n"));
        return zip_status::Nothing;
    }
    const QString root = request.rootDirectory;
    const QDir base(root.isEmpty() || root == QLatin1String("\\") || root == QLatin1String("/")
                        ? QDir::currentPath()
                        : QDir::fromNativeSeparators(root));
    int err = 0;
    const int flags = ZIP_CREATE | (request.updating ? 0 : ZIP_TRUNCATE);
    zip_t* za = zip_open(FileName::fromText(request.archive).bytes().constData(), flags, &err);
    if (!za) {
        print(QLatin1String("zip error: could not create ") + request.archive + QLatin1String("\n"));
        return zip_status::Create;
    }
    zip_register_progress_callback_with_state(za, 0.05, &progress, nullptr, nullptr);
    Build build(za);
    for (const QString& name : request.names) {
        const QString full = QDir::cleanPath(base.absoluteFilePath(QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'))));
        if (const std::int32_t st = build.addPath(full, memberName(name), request.recurse); st != 0) {
            zip_discard(za);
            return st;
        }
    }
    if (zip_close(za) != 0) {
        print(QLatin1String("zip error: ") + QString::fromLocal8Bit(zip_strerror(za)) + QLatin1String("\n"));
        zip_discard(za);
        return zip_status::Write;
    }
    build.printListing();
    return zip_status::Ok;
}

} // namespace orv
