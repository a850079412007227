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

// One member's data, held until the archive is closed: libzip reads its
// sources only then.
struct Member
{
    QByteArray data;     // what goes into the archive: deflated or stored
    qint64 size = 0;     // the plain size
    quint32 crc = 0;
    bool deflated = false;
    zip_uint64_t offset = 0;
    zip_error_t error;
};

// Serves data that is already deflated. Its stat names the method, both
// sizes and the CRC, which tells libzip to copy it as it is.
zip_int64_t deflatedSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    auto* m = static_cast<Member*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        m->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const zip_uint64_t left = static_cast<zip_uint64_t>(m->data.size()) - m->offset;
        const zip_uint64_t n = std::min(left, len);
        std::memcpy(data, m->data.constData() + m->offset, n);
        m->offset += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD
                    | ZIP_STAT_ENCRYPTION_METHOD;
        st->size = static_cast<zip_uint64_t>(m->size);
        st->comp_size = static_cast<zip_uint64_t>(m->data.size());
        st->crc = m->crc;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m->error, data, len);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&m->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void print(const QString& text) { CodeModule::zipPrintCallback(toCp1252(text)); }

void progress(zip_t*, double, void*) { CodeModule::runZipEventPump(); }

// How much of a file is read and deflated at a time: memory stays near
// twice this, plus what the member deflates to, whatever the file's size.
constexpr qint64 kPiece = qint64(16) << 20;

// Fills `into` from the file as far as it goes; the count, or -1.
qint64 readPiece(QFile& f, QByteArray& into)
{
    qint64 got = 0;
    while (got < into.size()) {
        const qint64 n = f.read(into.data() + got, into.size() - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

enum class Packed { Ok, Unreadable, TooLarge, NoCompressor };

// Deflates the file piece by piece across the cores into one stream; the
// member keeps the deflated data, or is marked stored when deflate would not
// make it smaller (libzip then copies the file itself).
Packed pack(Member& m, QFile& f)
{
    QByteArray piece(static_cast<qsizetype>(std::min(std::max<qint64>(f.size(), 1), kPiece)), Qt::Uninitialized);
    QByteArray packed;
    for (;;) {
        const qint64 n = readPiece(f, piece);
        if (n < 0)
            return Packed::Unreadable;
        if (n == 0)
            break;
        m.size += n;
        if (m.size > kMaxMember)
            return Packed::TooLarge;
        const QByteArrayView plain(piece.constData(), static_cast<qsizetype>(n));
        m.crc = static_cast<quint32>(libdeflate_crc32(m.crc, plain.data(), static_cast<size_t>(n)));
        std::optional<QByteArray> part = deflateInChunks(plain, kLevel, kChunk, false);
        if (!part)
            return Packed::NoCompressor;
        packed.append(*part);
    }
    packed.append(kFinalEmptyBlock, sizeof kFinalEmptyBlock);
    m.deflated = packed.size() < m.size;
    if (m.deflated)
        m.data = std::move(packed);
    return Packed::Ok;
}

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
        auto m = std::make_unique<Member>();
        zip_error_init(&m->error);
        switch (pack(*m, f)) {
        case Packed::Ok:
            break;
        case Packed::Unreadable:
            return zip_status::Open;
        case Packed::TooLarge:
        case Packed::NoCompressor:
            return zip_status::Memory;
        }
        f.close();
        zip_source_t* src = nullptr;
        if (m->deflated)
            src = zip_source_function(m_za, &deflatedSource, m.get());
        else
            src = zip_source_file(m_za, name.bytes().constData(), 0, static_cast<zip_int64_t>(m->size));
        if (!src)
            return zip_status::Memory;
        const zip_int64_t index = zip_file_add(m_za, member.toUtf8().constData(), src,
                                               ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            return zip_status::Write;
        }
        const auto i = static_cast<zip_uint64_t>(index);
        if (!m->deflated)
            zip_set_file_compression(m_za, i, ZIP_CM_STORE, 0);
        if (modified.isValid())
            zip_file_set_mtime(m_za, i, static_cast<time_t>(modified.toSecsSinceEpoch()), 0);
        const int saved = m->size == 0 ? 0 : int(100 - 100 * m->data.size() / m->size);
        print(QLatin1String("  adding: ") + member
              + (m->deflated ? QStringLiteral(" (deflated %1%)").arg(saved) : QStringLiteral(" (stored 0%)"))
              + QLatin1String("\n"));
        m_members.push_back(std::move(m));
        return zip_status::Ok;
    }

    zip_t* m_za;
    std::vector<std::unique_ptr<Member>> m_members;
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
    return zip_status::Ok;
}

} // namespace orv
