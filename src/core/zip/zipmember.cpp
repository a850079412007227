#include "zipmember.h"

#include "codemodule.h"
#include "memberdecoder.h"
#include "hugepages.h"
#include "filename.h"
#include "zipentry.h"

#include <libdeflate.h>
#include <zip.h>

#include <QFile>

#include <algorithm>
#include <utility>

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
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;
using FilePtr = std::unique_ptr<zip_file_t, FileCloser>;

// Deflate cannot expand data by more than about 1032 to 1; a member whose
// sizes claim more is damaged or hostile.
constexpr zip_uint64_t kMaxDeflateRatio = 1032;

// How much of a member past what the reader used is still read to reach
// the end, where libzip checks the CRC. A movie normally ends with its last
// frame, so this only matters for members padded with ignored lines.
constexpr qint64 kCrcReach = 1024 * 1024;

bool isAes(zip_uint16_t method)
{
    return method == ZIP_EM_AES_128 || method == ZIP_EM_AES_192 || method == ZIP_EM_AES_256;
}

// How a member is read: by libzip, which decompresses and checks the CRC,
// by our own decoder from the bytes libzip decrypts, or not at all.
enum class Reading { Library, Own, Impossible };

Reading readingOf(const zip_stat_t& st)
{
    if (st.encryption_method != ZIP_EM_NONE
        && !zip_encryption_method_supported(st.encryption_method, 0))
        return Reading::Impossible;
    // libzip checks an AE-2 member's CRC although the format sets it to zero.
    const bool ae2 = isAes(st.encryption_method) && st.crc == 0;
    if (!ae2 && zip_compression_method_supported(st.comp_method, 0))
        return Reading::Library;
    return MemberDecoder::decodes(st.comp_method) ? Reading::Own : Reading::Impossible;
}

// One member of an open archive, inflated as it is read. libzip checks the
// CRC and the size on the read that reaches the member's end, or our own
// decoder does for the members it decodes.
class MemberSource : public ByteSource
{
public:
    MemberSource(ArchivePtr za, FilePtr f, zip_uint64_t index, const zip_stat_t& st,
                 bool ownDecoding)
        : m_za(std::move(za)), m_f(std::move(f)), m_index(index), m_stat(st)
    {
        if (!ownDecoding)
            return;
        const bool ae2 = isAes(st.encryption_method) && st.crc == 0;
        // A stored member is still CRC-checked by libzip at its end, where
        // the encryption's authentication code is checked too: reading
        // exactly its bytes gives them, unchecked but for the password's
        // own verifier.
        zip_uint64_t left = ae2 && st.comp_method == ZIP_CM_STORE ? st.size : UINT64_MAX;
        zip_file_t* raw = m_f.get();
        m_decoder = MemberDecoder::create(
            st.comp_method, st.size, ae2 ? std::nullopt : std::optional<quint32>(st.crc),
            [raw, left](char* into, qint64 max) mutable {
                const auto ask = std::min<zip_uint64_t>(static_cast<zip_uint64_t>(max), left);
                const zip_int64_t n = ask == 0 ? 0 : zip_fread(raw, into, ask);
                if (n < 0)
                    return qint64(-1);
                if (left != UINT64_MAX)
                    left -= static_cast<zip_uint64_t>(n);
                return qint64(n);
            });
    }

    // Whole plain deflated members, nothing read yet: one libdeflate call on
    // the raw data, several times faster than libzip's streaming inflate.
    // The member's declared size is what it must inflate to, exactly.
    bool inflatesWhole(qint64 limit) const
    {
        return m_stat.encryption_method == ZIP_EM_NONE && m_stat.comp_method == ZIP_CM_DEFLATE
            && m_stat.size <= static_cast<zip_uint64_t>(limit) && !m_started;
    }
    std::optional<QByteArray> inflateWhole();

    std::optional<QByteArray> whole(qint64 most) override
    {
        if (m_whole || m_stat.encryption_method != ZIP_EM_NONE || m_stat.comp_method != ZIP_CM_DEFLATE
            || m_stat.size > static_cast<zip_uint64_t>(most))
            return std::nullopt;
        std::optional<QByteArray> all = inflateWhole();
        m_whole = all.has_value();
        return all;
    }

    qint64 read(char* into, qint64 max) override
    {
        if (m_whole)
            return 0;
        m_started = true;
        if (m_decoder)
            return m_decoder->read(into, max);
        const zip_int64_t n = zip_fread(m_f.get(), into, static_cast<zip_uint64_t>(max));
        return n < 0 ? -1 : n;
    }

    bool finish() override
    {
        if (m_whole)
            return true; // inflated whole, its CRC checked
        char scratch[16 * 1024];
        for (qint64 left = kCrcReach; left > 0;) {
            const qint64 n = read(scratch, static_cast<qint64>(sizeof scratch));
            if (n <= 0)
                return n == 0;
            left -= n;
        }
        return true;
    }

private:
    ArchivePtr m_za; // outlives the member opened from it
    FilePtr m_f;
    zip_uint64_t m_index;
    zip_stat_t m_stat;
    bool m_started = false;
    bool m_whole = false; // handed over whole: nothing is left to read
    std::unique_ptr<MemberDecoder> m_decoder;
};

std::optional<QByteArray> MemberSource::inflateWhole()
{
    FilePtr raw(zip_fopen_index(m_za.get(), m_index, ZIP_FL_COMPRESSED));
    if (!raw)
        return std::nullopt;
    QByteArray packed(static_cast<qsizetype>(m_stat.comp_size), Qt::Uninitialized);
    if (zip_fread(raw.get(), packed.data(), m_stat.comp_size) != static_cast<zip_int64_t>(m_stat.comp_size))
        return std::nullopt;
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> d(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!d)
        return std::nullopt;
    QByteArray out(static_cast<qsizetype>(m_stat.size), Qt::Uninitialized);
    adviseHugePages(out.data(), out.size()); // filled page by page as it inflates
    size_t current = 0;
    const auto rc = libdeflate_deflate_decompress(d.get(), packed.constData(),
                                                  static_cast<size_t>(packed.size()), out.data(),
                                                  static_cast<size_t>(out.size()), &current);
    if (rc != LIBDEFLATE_SUCCESS || current != m_stat.size ||
        libdeflate_crc32(0, out.constData(), static_cast<size_t>(out.size())) != m_stat.crc)
        return std::nullopt;
    return out;
}

// Calls `f(index, stat)` for each regular-file entry, in order, until it
// answers false; folders and links are passed over. False when an entry
// cannot be read.
template <typename F>
bool eachFileEntry(zip_t* za, F&& f)
{
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0)
            return false;
        if (isRegularFileEntry(za, index, st) && !f(index, st))
            break;
    }
    return true;
}

std::unique_ptr<ByteSource> firstMember(ArchivePtr za, zip_uint64_t archiveSize,
                                        PasswordProvider* passwords)
{
    // Reading a member is an extraction like any other: its password
    // questions start afresh.
    CodeModule::beginExtraction();
    // The first file member decides: a damaged one is not skipped in favour
    // of a later member.
    std::optional<std::pair<zip_uint64_t, zip_stat_t>> first;
    if (!eachFileEntry(za.get(), [&first](zip_uint64_t index, const zip_stat_t& st) {
            first.emplace(index, st);
            return false;
        }) || !first)
        return nullptr;
    const auto& [index, st] = *first;
    const zip_uint64_t need = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC
                              | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if ((st.valid & need) != need || st.comp_size > archiveSize)
        return nullptr;
    if (st.comp_method == ZIP_CM_DEFLATE && st.size > st.comp_size * kMaxDeflateRatio + 64)
        return nullptr;
    const Reading reading = readingOf(st);
    if (reading == Reading::Impossible)
        return nullptr; // no password is asked for what cannot be read anyway
    // Our decoder takes the stored bytes, decrypted but not decompressed.
    const zip_flags_t flags = reading == Reading::Own ? ZIP_FL_COMPRESSED : 0;
    FilePtr f;
    if (st.encryption_method == ZIP_EM_NONE) {
        f.reset(zip_fopen_index(za.get(), index, flags));
    } else {
        const std::optional<QByteArray> pw =
            askPassword(passwords, QString::fromUtf8(st.name ? st.name : ""));
        if (!pw)
            return nullptr;
        f.reset(zip_fopen_index_encrypted(za.get(), index, flags, pw->constData()));
    }
    if (!f)
        return nullptr;
    return std::make_unique<MemberSource>(std::move(za), std::move(f), index, st,
                                          reading == Reading::Own);
}

// The whole of a member, read to its end so that its CRC is checked.
std::optional<QByteArray> readAll(ByteSource* source, qint64 limit)
{
    if (!source)
        return std::nullopt;
    if (auto* member = dynamic_cast<MemberSource*>(source); member && member->inflatesWhole(limit))
        return member->inflateWhole();
    QByteArray out;
    for (;;) {
        const qsizetype old = out.size();
        // Steps that grow with what was read; one byte past the limit tells.
        const qint64 step = std::clamp<qint64>(old, 64 * 1024, 8 * 1024 * 1024);
        const qint64 room = std::min(step, limit - old + 1);
        out.resize(old + room);
        const qint64 n = source->read(out.data() + old, room);
        if (n < 0)
            return std::nullopt;
        out.resize(old + n);
        if (n == 0)
            return out;
        if (out.size() > limit)
            return std::nullopt;
    }
}

} // namespace

std::unique_ptr<ByteSource> openFirstZipMember(const FileName& archive, PasswordProvider* passwords)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_file_create(archive.bytes().constData(), 0, -1, &error);
    zip_error_fini(&error);
    if (!src)
        return nullptr;
    // The archive's own size bounds what a member can claim to occupy in it.
    zip_stat_t st;
    zip_stat_init(&st);
    ArchivePtr za;
    if (zip_source_stat(src, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
        za.reset(zip_open_from_source(src, ZIP_RDONLY, nullptr));
    if (!za) {
        zip_source_free(src);
        return nullptr;
    }
    return firstMember(std::move(za), st.size, passwords);
}

std::unique_ptr<ByteSource> openFirstZipMember(QByteArrayView archive, PasswordProvider* passwords)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(archive.data(), static_cast<zip_uint64_t>(archive.size()), 0, &error);
    zip_error_fini(&error);
    if (!src)
        return nullptr;
    ArchivePtr za(zip_open_from_source(src, ZIP_RDONLY, nullptr));
    if (!za) {
        zip_source_free(src);
        return nullptr;
    }
    return firstMember(std::move(za), static_cast<zip_uint64_t>(archive.size()), passwords);
}

namespace {

std::optional<QString> unreadableReason(const zip_stat_t& st)
{
    const zip_uint64_t need = ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
    if ((st.valid & need) != need || readingOf(st) != Reading::Impossible)
        return std::nullopt;
    if (st.encryption_method != ZIP_EM_NONE
        && !zip_encryption_method_supported(st.encryption_method, 0))
        return QStringLiteral("el archivo comprimido usa un cifrado que no se puede leer");
    return QStringLiteral("el archivo comprimido usa el método %1, que no se puede leer")
        .arg(zipMethodName(st.comp_method));
}

} // namespace

std::optional<FileMembers> fileMembers(const FileName& archive)
{
    int err = 0;
    ArchivePtr za(zip_open(archive.bytes().constData(), ZIP_RDONLY, &err));
    if (!za)
        return std::nullopt;
    FileMembers out;
    const bool read = eachFileEntry(za.get(), [&out](zip_uint64_t, const zip_stat_t& st) {
        if (out.count++ == 0) {
            out.firstEncrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
            out.firstUnreadable = unreadableReason(st);
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return out;
}

std::optional<QByteArray> readFirstZipMember(const FileName& archive, qint64 limit,
                                             PasswordProvider* passwords)
{
    return readAll(openFirstZipMember(archive, passwords).get(), limit);
}

std::optional<QByteArray> readFirstZipMember(QByteArrayView archive, qint64 limit,
                                             PasswordProvider* passwords)
{
    return readAll(openFirstZipMember(archive, passwords).get(), limit);
}

} // namespace orv
