#include "zipmember.h"

#include "codemodule.h"
#include "zipentry.h"

#include <libdeflate.h>
#include <zip.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace orv {
namespace {

struct ArchiveCloser
{
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser
{
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct DecompressorFree
{
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;
using FilePtr = std::unique_ptr<zip_file_t, FileCloser>;

// Reads exactly `size` bytes from an open member and checks that nothing
// follows; libzip reports a CRC mismatch on the read that reaches the end.
// The buffer grows with the data actually read, so a member that only claims
// to be large costs no more memory than it delivers.
bool readExactly(zip_file_t* f, QByteArray& out, qint64 size)
{
    constexpr qint64 kStep = 8 * 1024 * 1024;
    out.clear();
    qint64 done = 0;
    while (done < size) {
        out.resize(std::min(size, done + kStep));
        const zip_int64_t n = zip_fread(f, out.data() + done, static_cast<zip_uint64_t>(out.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    out.resize(done);
    char extra;
    return zip_fread(f, &extra, 1) == 0;
}

// Deflate cannot expand data by more than about 1032 to 1; a member whose
// sizes claim more is damaged or hostile, and is refused before anything
// is allocated for it.
constexpr zip_uint64_t kMaxDeflateRatio = 1032;

// Deflated members are inflated in one call with libdeflate, which works on
// whole buffers several times faster than zlib's streaming inflate.
std::optional<QByteArray> inflateRaw(zip_t* za, zip_uint64_t index, const zip_stat_t& st)
{
    FilePtr raw(zip_fopen_index(za, index, ZIP_FL_COMPRESSED));
    if (!raw)
        return std::nullopt;
    QByteArray packed;
    if (!readExactly(raw.get(), packed, static_cast<qint64>(st.comp_size)))
        return std::nullopt;
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> d(libdeflate_alloc_decompressor());
    if (!d)
        return std::nullopt;
    QByteArray out(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    size_t actual = 0;
    const auto rc = libdeflate_deflate_decompress(d.get(), packed.constData(),
                                                  static_cast<size_t>(packed.size()), out.data(),
                                                  static_cast<size_t>(out.size()), &actual);
    if (rc != LIBDEFLATE_SUCCESS || actual != st.size)
        return std::nullopt;
    if (libdeflate_crc32(0, out.constData(), static_cast<size_t>(out.size())) != st.crc)
        return std::nullopt;
    return out;
}

std::optional<QByteArray> firstMember(zip_t* za, zip_uint64_t archiveSize, qint64 limit,
                                      PasswordProvider* passwords)
{
    // Reading a member is an extraction like any other: its password
    // questions start afresh.
    CodeModule::beginExtraction();
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0)
            return std::nullopt;
        if (!isRegularFileEntry(za, index, st))
            continue;
        // The first file member decides: a damaged or oversized one is not
        // skipped in favour of a later member.
        const zip_uint64_t need = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC
                                  | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if ((st.valid & need) != need || st.size > static_cast<zip_uint64_t>(limit)
            || st.comp_size > archiveSize)
            return std::nullopt;
        if (st.encryption_method == ZIP_EM_NONE && st.comp_method == ZIP_CM_DEFLATE) {
            if (st.size > st.comp_size * kMaxDeflateRatio + 64)
                return std::nullopt;
            return inflateRaw(za, index, st);
        }
        FilePtr f;
        if (st.encryption_method == ZIP_EM_NONE) {
            f.reset(zip_fopen_index(za, index, 0));
        } else {
            const std::optional<QByteArray> pw =
                askPassword(passwords, QString::fromUtf8(st.name ? st.name : ""));
            if (!pw)
                return std::nullopt;
            f.reset(zip_fopen_index_encrypted(za, index, 0, pw->constData()));
        }
        QByteArray out;
        if (!f || !readExactly(f.get(), out, static_cast<qint64>(st.size)))
            return std::nullopt;
        return out;
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> readFirstZipMember(const QString& path, qint64 limit,
                                             PasswordProvider* passwords)
{
    int err = 0;
    ArchivePtr za(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err));
    if (!za)
        return std::nullopt;
    return firstMember(za.get(), static_cast<zip_uint64_t>(QFileInfo(path).size()), limit, passwords);
}

std::optional<QByteArray> readFirstZipMember(QByteArrayView archive, qint64 limit,
                                             PasswordProvider* passwords)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(archive.data(), static_cast<zip_uint64_t>(archive.size()), 0, &error);
    zip_error_fini(&error);
    if (!src)
        return std::nullopt;
    ArchivePtr za(zip_open_from_source(src, ZIP_RDONLY, nullptr));
    if (!za) {
        zip_source_free(src);
        return std::nullopt;
    }
    return firstMember(za.get(), static_cast<zip_uint64_t>(archive.size()), limit, passwords);
}

} // namespace orv
