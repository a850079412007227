#include "cgunzipfiles.h"

#include "archiveerror.h"
#include "codemodule.h"
#include "cp1252.h"
#include "filename.h"
#include "numeric.h"
#include "zipentry.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <zip.h>

namespace orv {
namespace {

const QString kUnzipSource = QStringLiteral("CGUnZipFiles::Unzip");
const QString kModuleSource = QStringLiteral("CodeModule::VBUnzip");

// The options that the extraction acts on, after the 16-bit conversion.
struct Options
{
    bool honorDirectories;
    bool overWrite;
    bool prompt;
    bool test;
    bool spaceToUnderScore;
    bool onlyNewer;
    qint64 limit;
    PasswordProvider* passwords;
};

void print(const QString& text) { CodeModule::unzipPrintCallback(toCp1252(text)); }

[[noreturn]] void raiseZip(zip_error_t* error, const QString& what)
{
    const int code = zip_error_code_zip(error);
    const int number = code == ZIP_ER_NOENT ? archive_errors::FileNotFound : archive_errors::ZipBase + code;
    throw ArchiveError(number, kModuleSource,
                       what + QLatin1String(": ") + QString::fromLocal8Bit(zip_error_strerror(error)));
}

class Extraction
{
public:
    Extraction(const QString& dir, const Options& o) : m_dir(dir), m_o(o) {}

    std::int32_t run(const QString& zipPath)
    {
        int err = 0;
        std::unique_ptr<zip_t, decltype(&zip_discard)> za(
            zip_open(FileName::fromText(zipPath).bytes().constData(), ZIP_RDONLY, &err), &zip_discard);
        if (!za) {
            zip_error_t e;
            zip_error_init_with_code(&e, err);
            raiseZip(&e, zipPath);
        }
        if (!m_o.test && !QDir().mkpath(m_dir))
            throw ArchiveError(archive_errors::PathNotFound, kModuleSource,
                               QLatin1String("Path not found: ") + m_dir);
        print(QLatin1String("Archive:  ") + zipPath + QLatin1String("\r\n"));
        const zip_int64_t count = zip_get_num_entries(za.get(), 0);
        for (zip_int64_t i = 0; i < count && !m_cancelled; ++i)
            member(za.get(), static_cast<zip_uint64_t>(i));
        return m_warnings ? 1 : 0;
    }

private:
    void skip(const QString& name, const char* why)
    {
        print(QLatin1String("  skipping: ") + name + QLatin1String("  ") + QLatin1String(why) + QLatin1String("\r\n"));
        m_warnings = true;
    }

    void member(zip_t* za, zip_uint64_t index)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0)
            raiseZip(zip_get_error(za), QStringLiteral("entry"));
        const QString name = QString::fromUtf8(st.name ? st.name : "");
        const EntryKind kind = entryKind(za, index, st);
        if (kind == EntryKind::Link || kind == EntryKind::Other)
            return skip(name, "(not a regular file)");
        std::optional<QString> rel = safeRelativePath(name);
        if (!rel)
            return skip(name, "(unsafe path)");
        if (m_o.spaceToUnderScore)
            rel->replace(QLatin1Char(' '), QLatin1Char('_'));
        if (!m_o.honorDirectories)
            *rel = rel->section(QLatin1Char('/'), -1);
        if (kind == EntryKind::Directory) {
            if (m_o.honorDirectories && !m_o.test && !makeFoldersInside(m_dir, *rel))
                skip(name, "(outside the target folder)");
            return;
        }
        if (st.size > static_cast<zip_uint64_t>(m_o.limit))
            throw ArchiveError(archive_errors::TooLarge, kModuleSource,
                               QLatin1String("Member too large to extract: ") + name);
        extract(za, index, st, name, *rel);
    }

    bool mayWrite(const QString& target, const zip_stat_t& st)
    {
        const QFileInfo existing(target);
        if (!existing.exists())
            return true;
        if (m_o.onlyNewer && (st.valid & ZIP_STAT_MTIME)
            && existing.lastModified().toSecsSinceEpoch() >= st.mtime)
            return false;
        if (m_o.prompt) {
            const int answer = m_o.passwords ? m_o.passwords->replace(target) : CodeModule::ReplaceYes;
            m_cancelled = answer == CodeModule::ReplaceCancel;
            return answer == CodeModule::ReplaceYes;
        }
        return m_o.overWrite;
    }

    zip_file_t* open(zip_t* za, zip_uint64_t index, const zip_stat_t& st, const QString& name)
    {
        if (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE)
            return zip_fopen_index(za, index, 0);
        char password[257];
        if (CodeModule::unzipPasswordCallback(m_o.passwords, password, sizeof password, name) != 0)
            return nullptr;
        return zip_fopen_index_encrypted(za, index, 0, password);
    }

    void extract(zip_t* za, zip_uint64_t index, const zip_stat_t& st, const QString& name,
                 const QString& rel)
    {
        const QString target = m_dir + QLatin1Char('/') + rel;
        if (!m_o.test) {
            // Two guards: no folder is made through a planted link, and the
            // file itself must land inside, not on a link.
            const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
            if (slash > 0 && !makeFoldersInside(m_dir, rel.left(slash)))
                return skip(name, "(outside the target folder)");
            if (!staysInside(m_dir, target))
                return skip(name, "(outside the target folder)");
            if (!mayWrite(target, st))
                return skip(name, "(kept the existing file)");
        }
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> f(open(za, index, st, name), &zip_fclose);
        if (!f) {
            if (CodeModule::passwordSkipped())
                return skip(name, "(no password)");
            raiseZip(zip_get_error(za), name);
        }
        QSaveFile out(target);
        out.setDirectWriteFallback(false);
        if (!m_o.test && !out.open(QIODevice::WriteOnly))
            throw ArchiveError(archive_errors::PermissionDenied, kModuleSource,
                               QLatin1String("Permission denied: ") + target);
        copy(f.get(), out, name);
        if (!m_o.test && !out.commit())
            throw ArchiveError(archive_errors::PermissionDenied, kModuleSource,
                               QLatin1String("Cannot write: ") + target);
        print((m_o.test ? QLatin1String("    testing: ") : QLatin1String("  inflating: ")) + target
              + QLatin1String("\r\n"));
    }

    void copy(zip_file_t* f, QSaveFile& out, const QString& name)
    {
        QByteArray chunk(256 * 1024, Qt::Uninitialized);
        qint64 total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(f, chunk.data(), static_cast<zip_uint64_t>(chunk.size()));
            if (n < 0)
                raiseZip(zip_file_get_error(f), name);
            if (n == 0)
                return;
            total += n;
            if (total > m_o.limit)
                throw ArchiveError(archive_errors::TooLarge, kModuleSource,
                                   QLatin1String("Member too large to extract: ") + name);
            if (!m_o.test && out.write(chunk.constData(), n) != n)
                throw ArchiveError(archive_errors::PermissionDenied, kModuleSource,
                                   QLatin1String("Cannot write: ") + out.fileName());
        }
    }

    QString m_dir;
    Options m_o;
    bool m_warnings = false;
    bool m_cancelled = false;
};

std::int16_t toInt16(std::int32_t v)
{
    if (!fitsInt16(v))
        throw ArchiveError(archive_errors::Overflow, kUnzipSource, QStringLiteral("Overflow"));
    return static_cast<std::int16_t>(v);
}

} // namespace

CGUnzipFiles::CGUnzipFiles() = default;

std::int32_t CGUnzipFiles::Unzip(const QString& sZipFileName, const QString& sExtractDir)
{
    if (!sZipFileName.isEmpty())
        m_zipFileName = sZipFileName;
    if (!sExtractDir.isEmpty())
        m_extractDir = sExtractDir;
    toInt16(m_messageLevel);
    toInt16(m_extractList);
    toInt16(m_privilege);
    try {
        CodeModule::beginExtraction();
        const Options o{HonorDirectories(), OverWriteFiles(), PromptOverwrite(), TestZip(),
                        SpaceToUnderScore(), ExtractOnlyNewer() || ExtractNewer(), m_maxMemberSize,
                        m_passwords};
        return Extraction(QDir::cleanPath(m_extractDir), o).run(m_zipFileName);
    } catch (const ArchiveError& e) {
        throw e.withSource(kUnzipSource);
    }
}

QString CGUnzipFiles::GetLastMessage() { return CodeModule::lastMessageText(); }

} // namespace orv
