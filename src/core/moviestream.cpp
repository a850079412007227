#include "moviestream.h"

#include "bytesource.h"
#include "numeric.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

namespace orv {
namespace {

// How much is asked of the source at a time: a small movie costs a small
// read, a big one reads in chunks that grow with it up to kChunk. Reading
// ahead never goes further than that past what the movie turns out to need.
constexpr qint64 kFirstChunk = 64 * 1024;
constexpr qint64 kChunk = 4 * 1024 * 1024;

// A big movie's buffer is faulted in page by page as it fills; on Linux,
// asking for huge pages first makes that several times cheaper.
void adviseHugePages([[maybe_unused]] char* data, [[maybe_unused]] qint64 size)
{
#ifdef __linux__
    constexpr quintptr kHuge = 2 * 1024 * 1024;
    const quintptr begin = (reinterpret_cast<quintptr>(data) + kHuge - 1) & ~(kHuge - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + static_cast<quintptr>(size)) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// The bytes pulled from the source so far, in one growing buffer. Growth
// doubles the capacity (realloc of a large block moves no data on Linux),
// and each read asks for one chunk, so memory follows what was read.
class Window
{
public:
    Window(ByteSource& source, qint64 limit) : m_source(source), m_limit(limit) {}

    const char* data() const { return m_buf.constData(); }
    qsizetype size() const { return m_buf.size(); }
    bool atEnd() const { return m_ended; }
    bool failed() const { return m_failed; }

    // Pulls at least one more byte. False at the end of the data, on a read
    // error, or when the movie would pass the limit (the last two also set
    // failed()).
    bool more()
    {
        if (m_ended || m_failed)
            return false;
        if (m_pulled >= m_limit) {
            // Exactly at the limit: only the end of the data may follow.
            char probe;
            const qint64 n = m_source.read(&probe, 1);
            m_ended = n == 0;
            m_failed = n != 0;
            return false;
        }
        const qint64 want = std::min(std::clamp<qint64>(m_buf.size(), kFirstChunk, kChunk), m_limit - m_pulled);
        const qsizetype old = m_buf.size();
        if (old + want > m_buf.capacity()) {
            m_buf.reserve(std::max<qsizetype>(old + want, 2 * m_buf.capacity()));
            adviseHugePages(m_buf.data(), m_buf.capacity());
        }
        m_buf.resize(old + want);
        const qint64 n = m_source.read(m_buf.data() + old, want);
        m_buf.resize(old + std::max<qint64>(n, 0));
        if (n <= 0) {
            m_ended = n == 0;
            m_failed = n < 0;
            return false;
        }
        m_pulled += n;
        return true;
    }

    // Pulls until the buffer holds at least twice what it held, so that a
    // caller that rescans from the start does linear work in all.
    bool doubled()
    {
        const qsizetype target = 2 * std::max<qsizetype>(m_buf.size(), 1);
        bool any = false;
        while (m_buf.size() < target && more())
            any = true;
        return any;
    }

    // Drops the first `n` bytes, giving their memory back.
    void discard(qsizetype n) { m_buf = QByteArray(m_buf.constData() + n, m_buf.size() - n); }

    // Hands over the first `n` bytes; the rest is dropped.
    QByteArray take(qsizetype n)
    {
        m_buf.truncate(n);
        m_buf.squeeze();
        return std::move(m_buf);
    }

private:
    ByteSource& m_source;
    qint64 m_limit;
    qint64 m_pulled = 0;
    QByteArray m_buf;
    bool m_ended = false;
    bool m_failed = false;
};

// Reads the ten comma-separated header values the classic way: leading
// spaces skipped, a value that opens with a double quote runs to the closing
// quote, any other value to the next comma or line end. The position is left
// just after the tenth value's terminator. When the data stops short and
// more may follow, the scan says so rather than guess.
class HeaderScanner
{
public:
    enum class Step { Value, End, NeedMore };

    HeaderScanner(QByteArrayView data, bool final) : m_data(data), m_final(final) {}

    Step next(QByteArrayView& value)
    {
        while (m_pos < m_data.size() && (m_data[m_pos] == ' ' || m_data[m_pos] == '\t'))
            ++m_pos;
        if (m_pos >= m_data.size())
            return m_final ? Step::End : Step::NeedMore;
        if (m_data[m_pos] == '"') {
            const qsizetype start = ++m_pos;
            while (m_pos < m_data.size() && m_data[m_pos] != '"' && !atLineEnd())
                ++m_pos;
            value = m_data.sliced(start, m_pos - start);
            if (m_pos < m_data.size() && m_data[m_pos] == '"')
                ++m_pos;
            // Whatever follows the closing quote, up to the terminator, is dropped.
            while (m_pos < m_data.size() && m_data[m_pos] != ',' && !atLineEnd())
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_data.size() && m_data[m_pos] != ',' && !atLineEnd())
                ++m_pos;
            value = m_data.sliced(start, m_pos - start);
        }
        // A value cut by the end of what is held, or a CR whose LF may be
        // next, is not known yet.
        if (!m_final && (m_pos >= m_data.size() - 1))
            return Step::NeedMore;
        skipTerminator();
        return Step::Value;
    }

    qsizetype position() const { return m_pos; }

private:
    bool atLineEnd() const { return m_data[m_pos] == '\r' || m_data[m_pos] == '\n'; }

    void skipTerminator()
    {
        if (m_pos >= m_data.size())
            return;
        if (m_data[m_pos] == ',') {
            ++m_pos;
        } else if (m_data[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_data.size() && m_data[m_pos] == '\n')
                ++m_pos;
        } else if (m_data[m_pos] == '\n') {
            ++m_pos;
        }
    }

    QByteArrayView m_data;
    bool m_final;
    qsizetype m_pos = 0;
};

// A header number: optional spaces, a decimal number in the file's own
// notation (point as decimal mark). Anything else makes the movie unreadable.
bool parseNumber(QByteArrayView text, double& out)
{
    const QByteArray trimmed = text.toByteArray().trimmed();
    if (trimmed.isEmpty())
        return false;
    for (char c : trimmed) {
        const bool allowed = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'
                             || c == 'e' || c == 'E';
        if (!allowed)
            return false;
    }
    bool ok = false;
    out = trimmed.toDouble(&ok);
    return ok && std::isfinite(out);
}

bool parseInt16(QByteArrayView text, std::int16_t& out)
{
    double v = 0;
    if (!parseNumber(text, v))
        return false;
    const std::int64_t whole = roundHalfEven(v);
    if (!fitsInt16(whole))
        return false;
    out = static_cast<std::int16_t>(whole);
    return true;
}

struct Header
{
    std::int16_t ancho = 0, alto = 0, numCuadros = 0;
    double pausa = 0;
    QByteArray creador, masInfo;
};

// Scans the header, pulling more whenever it is cut short. Answers the
// header's length in the window, or -1 when the movie is unreadable.
qsizetype readHeader(Window& w, Header& h)
{
    for (;;) {
        HeaderScanner scan(QByteArrayView(w.data(), w.size()), w.atEnd());
        std::array<QByteArrayView, 10> v;
        HeaderScanner::Step step = HeaderScanner::Step::Value;
        for (QByteArrayView& value : v) {
            step = scan.next(value);
            if (step != HeaderScanner::Step::Value)
                break;
        }
        if (step == HeaderScanner::Step::NeedMore) {
            if (!w.doubled() && w.failed())
                return -1;
            continue;
        }
        if (step == HeaderScanner::Step::End)
            return -1;
        if (!parseInt16(v[0], h.ancho) || !parseInt16(v[1], h.alto) || !parseInt16(v[2], h.numCuadros)
            || !parseNumber(v[3], h.pausa) || h.numCuadros < 1)
            return -1;
        h.creador = v[8].toByteArray();
        h.masInfo = v[9].toByteArray();
        return scan.position();
    }
}

// The next position of one byte value at or after a point, remembered so
// that every byte of the window is searched at most once for it, however
// the lines end.
class NextByte
{
public:
    explicit NextByte(char c) : m_c(c) {}

    // The first `c` in [from, size), or -1.
    qsizetype find(const char* data, qsizetype from, qsizetype size)
    {
        if (m_found >= from)
            return m_found;
        const qsizetype start = std::max(from, m_searched);
        const void* hit = start < size ? std::memchr(data + start, m_c, static_cast<size_t>(size - start)) : nullptr;
        if (!hit) {
            m_found = -1;
            m_searched = size;
            return -1;
        }
        m_found = static_cast<const char*>(hit) - data;
        m_searched = m_found + 1;
        return m_found;
    }

private:
    char m_c;
    qsizetype m_found = -1;
    qsizetype m_searched = 0;
};

// Reads numCuadros frame lines from the start of the window.
bool readFrames(Window& w, int numCuadros, std::vector<Pelicula::Span>& spans, qsizetype& used)
{
    NextByte cr('\r'), lf('\n');
    qsizetype pos = 0;
    spans.reserve(static_cast<size_t>(numCuadros));
    for (int i = 0; i < numCuadros; ++i) {
        for (;;) {
            const qsizetype c = cr.find(w.data(), pos, w.size());
            const qsizetype l = lf.find(w.data(), pos, w.size());
            qsizetype end = c < 0 ? l : (l < 0 ? c : std::min(c, l));
            // A CR at the end of what is held may be the first half of CR LF.
            const bool unsure = end < 0 || (end == w.size() - 1 && w.data()[end] == '\r');
            if (unsure && w.more())
                continue;
            if (w.failed())
                return false;
            if (end < 0) {
                if (pos >= w.size())
                    return false; // fewer frame lines than announced
                end = w.size(); // the last line may lack its line end
            }
            spans.push_back({pos, end - pos});
            pos = end;
            if (pos < w.size() && w.data()[pos] == '\r')
                ++pos;
            if (pos < w.size() && w.data()[pos] == '\n')
                ++pos; // the LF of CR LF, or a lone LF
            break;
        }
    }
    used = spans.back().offset + spans.back().length;
    return true;
}

} // namespace

bool leePelicula(ByteSource& source, Pelicula& out, qint64 limit)
{
    try {
        Window w(source, limit);
        Header h;
        const qsizetype headerLength = readHeader(w, h);
        if (headerLength < 0)
            return false;
        // The header's fields are copied out; its bytes are not kept twice.
        w.discard(headerLength);
        std::vector<Pelicula::Span> spans;
        qsizetype used = 0;
        if (!readFrames(w, h.numCuadros, spans, used) || !source.finish())
            return false;
        out.ancho = h.ancho;
        out.alto = h.alto;
        out.numCuadros = h.numCuadros;
        out.pausa = h.pausa;
        out.creador = std::move(h.creador);
        out.masInfo = std::move(h.masInfo);
        out.setDatos(w.take(used), std::move(spans));
        return true;
    } catch (const std::bad_alloc&) {
        // A movie larger than the memory there is: unreadable, like any other.
        return false;
    }
}

} // namespace orv
