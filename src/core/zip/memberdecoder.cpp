#include "memberdecoder.h"

#include <lzma.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace orv {
namespace {

// An LZMA dictionary is allocated whole before the first byte: a header may
// ask for 4 GiB. xz -9 needs 65 MiB.
constexpr quint64 kMaxDecoderMemory = 128 * 1024 * 1024;

// An LZMA header's properties: the lc/lp/pb byte and the dictionary size.
constexpr unsigned kLzmaPropertiesSize = 5;

class StoredDecoder : public MemberDecoder
{
public:
    explicit StoredDecoder(Pull pull) : MemberDecoder(std::move(pull)) {}

protected:
    qint64 decode(char* into, qint64 max) override
    {
        if (!refill())
            return pullError();
        const qint64 n = std::min(max, m_inSize - m_inPos);
        std::memcpy(into, m_in + m_inPos, static_cast<size_t>(n));
        m_inPos += n;
        return n;
    }
};

class DeflateDecoder : public MemberDecoder
{
public:
    explicit DeflateDecoder(Pull pull) : MemberDecoder(std::move(pull))
    {
        m_ready = inflateInit2(&m_z, -MAX_WBITS) == Z_OK;
    }
    ~DeflateDecoder() override
    {
        if (m_ready)
            inflateEnd(&m_z);
    }

protected:
    qint64 decode(char* into, qint64 max) override
    {
        if (!m_ready)
            return -1;
        const auto room = static_cast<uInt>(std::min<qint64>(max, UINT_MAX));
        m_z.next_out = reinterpret_cast<Bytef*>(into);
        m_z.avail_out = room;
        while (m_z.avail_out == room && !m_ended) {
            if (!refill())
                return -1; // the stream stops before its end
            m_z.next_in = reinterpret_cast<Bytef*>(m_in + m_inPos);
            m_z.avail_in = static_cast<uInt>(m_inSize - m_inPos);
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            m_inPos = m_inSize - m_z.avail_in;
            if (rc == Z_STREAM_END)
                m_ended = true;
            else if (rc != Z_OK && rc != Z_BUF_ERROR)
                return -1;
        }
        return room - m_z.avail_out;
    }

private:
    z_stream m_z{};
    bool m_ready = false;
    bool m_ended = false;
};

// LZMA as ZIP stores it (a version, the properties' length and the
// properties, then a raw LZMA stream with or without its end marker), and xz.
class LzmaDecoder : public MemberDecoder
{
public:
    LzmaDecoder(Pull pull, bool xz, quint64 size)
        : MemberDecoder(std::move(pull)), m_xz(xz), m_size(size)
    {
    }
    ~LzmaDecoder() override { lzma_end(&m_s); }

protected:
    qint64 decode(char* into, qint64 max) override
    {
        if (!m_started && !start())
            return -1;
        m_s.next_out = reinterpret_cast<uint8_t*>(into);
        m_s.avail_out = static_cast<size_t>(max);
        while (m_s.avail_out == static_cast<size_t>(max) && !m_ended) {
            if (!refill()) {
                // Without its end marker the stream ends with the member.
                if (!m_xz && m_s.total_out == m_size && pullError() == 0)
                    break;
                return -1;
            }
            m_s.next_in = reinterpret_cast<const uint8_t*>(m_in + m_inPos);
            m_s.avail_in = static_cast<size_t>(m_inSize - m_inPos);
            const lzma_ret rc = lzma_code(&m_s, LZMA_RUN);
            m_inPos = m_inSize - static_cast<qint64>(m_s.avail_in);
            if (rc == LZMA_STREAM_END)
                m_ended = true;
            else if (rc != LZMA_OK)
                return -1;
        }
        return max - static_cast<qint64>(m_s.avail_out);
    }

private:
    bool start()
    {
        m_started = true;
        if (m_xz)
            return lzma_stream_decoder(&m_s, kMaxDecoderMemory, 0) == LZMA_OK;
        uint8_t head[4];
        if (!take(head, sizeof head))
            return false;
        const unsigned propertiesSize = head[2] | (head[3] << 8);
        uint8_t properties[kLzmaPropertiesSize];
        if (propertiesSize != kLzmaPropertiesSize || !take(properties, sizeof properties))
            return false;
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_decode(&filters[0], nullptr, properties, sizeof properties) != LZMA_OK)
            return false;
        const bool fits = lzma_raw_decoder_memusage(filters) <= kMaxDecoderMemory;
        const bool ready = fits && lzma_raw_decoder(&m_s, filters) == LZMA_OK;
        free(filters[0].options);
        return ready;
    }

    bool take(uint8_t* into, qint64 n)
    {
        for (qint64 got = 0; got < n;) {
            if (!refill())
                return false;
            const qint64 k = std::min(n - got, m_inSize - m_inPos);
            std::memcpy(into + got, m_in + m_inPos, static_cast<size_t>(k));
            m_inPos += k;
            got += k;
        }
        return true;
    }

    lzma_stream m_s = LZMA_STREAM_INIT;
    bool m_xz;
    quint64 m_size;
    bool m_started = false;
    bool m_ended = false;
};

constexpr int kMethodXz = 95;

} // namespace

bool MemberDecoder::decodes(int method)
{
    return method == ZIP_CM_STORE || method == ZIP_CM_DEFLATE || method == ZIP_CM_LZMA
        || method == kMethodXz;
}

std::unique_ptr<MemberDecoder> MemberDecoder::create(int method, quint64 size,
                                                     std::optional<quint32> crc, Pull pull)
{
    std::unique_ptr<MemberDecoder> d;
    if (method == ZIP_CM_STORE)
        d = std::make_unique<StoredDecoder>(std::move(pull));
    else if (method == ZIP_CM_DEFLATE)
        d = std::make_unique<DeflateDecoder>(std::move(pull));
    else if (method == ZIP_CM_LZMA || method == kMethodXz)
        d = std::make_unique<LzmaDecoder>(std::move(pull), method == kMethodXz, size);
    if (d) {
        d->m_size = size;
        d->m_crc = crc;
    }
    return d;
}

bool MemberDecoder::refill()
{
    if (m_inPos < m_inSize)
        return true;
    if (m_pullFailed)
        return false;
    const qint64 n = m_pull(m_in, static_cast<qint64>(sizeof m_in));
    m_pullFailed = n < 0;
    m_inPos = 0;
    m_inSize = std::max<qint64>(n, 0);
    return n > 0;
}

qint64 MemberDecoder::read(char* into, qint64 max)
{
    if (m_done || max <= 0)
        return 0;
    const qint64 n = decode(into, max);
    if (n < 0)
        return -1;
    if (n > 0) {
        m_given += static_cast<quint64>(n);
        if (m_given > m_size)
            return -1;
        m_running = static_cast<quint32>(crc32(m_running, reinterpret_cast<const Bytef*>(into),
                                               static_cast<uInt>(n)));
        return n;
    }
    // The stored bytes are read to their end, where an encrypted member's
    // authentication code is checked.
    while (refill())
        m_inPos = m_inSize;
    if (m_pullFailed || m_given != m_size || (m_crc && m_running != *m_crc))
        return -1;
    m_done = true;
    return 0;
}

QString zipMethodName(int method)
{
    switch (method) {
    case 1: return QStringLiteral("Shrink");
    case 2: case 3: case 4: case 5: return QStringLiteral("Reduce");
    case 6: return QStringLiteral("Implode");
    case 9: return QStringLiteral("Deflate64");
    case 10: return QStringLiteral("PKWARE DCL Implode");
    case ZIP_CM_BZIP2: return QStringLiteral("bzip2");
    case ZIP_CM_LZMA: return QStringLiteral("LZMA");
    case 18: return QStringLiteral("IBM TERSE");
    case 19: return QStringLiteral("IBM LZ77");
    case 93: return QStringLiteral("Zstandard");
    case 94: return QStringLiteral("MP3");
    case kMethodXz: return QStringLiteral("xz");
    case 96: return QStringLiteral("JPEG");
    case 97: return QStringLiteral("WavPack");
    case 98: return QStringLiteral("PPMd");
    default: return QString::number(method);
    }
}

} // namespace orv
