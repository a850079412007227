#include "moviestream.h"

#include "bytesource.h"
#include "hugepages.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace orv {
namespace {

// How much is asked of the source at a time: a small movie costs a small
// read, a big one reads in chunks that grow with it up to kChunk. Reading
// ahead never goes further than that past what the movie turns out to need.
constexpr qint64 kFirstChunk = 64 * 1024;
constexpr qint64 kChunk = 4 * 1024 * 1024;

// The bytes pulled from the source so far, in one growing buffer. Growth
// doubles the capacity (realloc of a large block moves no data on Linux),
// and each read asks for one chunk, so memory follows what was read.
class ReadWindow
{
public:
    ReadWindow(ByteSource& source, qint64 limit) : m_source(source), m_limit(limit)
    {
        // When the source knows its size (a plain file), the buffer is
        // reserved once: address space only, pages come as they are read,
        // and nothing moves as it fills.
        constexpr qint64 kMostReserved = qint64(1) << 30;
        const qint64 hint = std::min({source.sizeHint(), limit, kMostReserved});
        if (hint > kFirstChunk) {
            try {
                m_buf.reserve(static_cast<qsizetype>(hint));
                adviseHugePages(m_buf.data(), m_buf.capacity());
            } catch (const std::bad_alloc&) {
                // Grow as it comes instead.
            }
        }
    }

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
        qint64 want = std::min(std::clamp<qint64>(m_buf.size(), kFirstChunk, kChunk), m_limit - m_pulled);
        const qsizetype old = m_buf.size();
        // Room left is filled before the buffer grows, so that a buffer
        // reserved for the whole file never moves.
        if (old < m_buf.capacity())
            want = std::min<qint64>(want, m_buf.capacity() - old);
        else
            m_buf.reserve(std::max<qsizetype>(old + want, 2 * m_buf.capacity()));
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

    // Takes the whole data at once, from its start (what is held is its
    // first part); the source is then at its end.
    void adopt(QByteArray whole)
    {
        m_buf = std::move(whole);
        m_pulled = m_buf.size();
        m_ended = true;
    }

    // Hands over everything held and starts again from `bytes`.
    QByteArray replace(QByteArray bytes) { return std::exchange(m_buf, std::move(bytes)); }

    // Hands over the first `n` bytes; the rest is dropped. A buffer that
    // was reserved far larger than the movie (a short movie at the head of
    // a huge file) gives the reservation back; otherwise what lies past `n`
    // is at most one read and not worth moving the movie for.
    QByteArray take(qsizetype n)
    {
        // Bytes this window does not own alone (a mapped file's) stay whole:
        // cutting them would copy them.
        if (!m_buf.isDetached())
            return std::move(m_buf);
        m_buf.truncate(n);
        if (m_buf.capacity() > 2 * n + kChunk)
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
// quote, any other value to the next comma or line end. The scan stops where
// the bytes held run out and goes on from there once more arrive, so a huge
// header is scanned once and never held more than one chunk ahead.
class HeaderScanner
{
public:
    enum class Step { Done, End, NeedMore };

    struct Slice
    {
        qsizetype offset = 0;
        qsizetype length = 0;
    };

    // `data` is everything held so far (it only grows); `final` says that
    // nothing more will come.
    Step scan(QByteArrayView data, bool final)
    {
        const qsizetype n = data.size();
        while (m_count < static_cast<int>(m_values.size())) {
            switch (m_phase) {
            case Phase::Spaces:
                while (m_pos < n && (data[m_pos] == ' ' || data[m_pos] == '\t'))
                    ++m_pos;
                if (m_pos >= n)
                    return final ? Step::End : Step::NeedMore;
                m_quoted = data[m_pos] == '"';
                if (m_quoted)
                    ++m_pos;
                m_start = m_pos;
                m_phase = Phase::Text;
                break;
            case Phase::Text:
                while (m_pos < n && data[m_pos] != (m_quoted ? '"' : ',') && !atLineEnd(data))
                    ++m_pos;
                if (m_pos >= n && !final)
                    return Step::NeedMore;
                m_values[static_cast<size_t>(m_count)] = {m_start, m_pos - m_start};
                if (m_quoted && m_pos < n && data[m_pos] == '"')
                    ++m_pos;
                m_phase = m_quoted ? Phase::AfterQuote : Phase::Terminator;
                break;
            case Phase::AfterQuote:
                // Whatever follows the closing quote, up to the terminator, is dropped.
                while (m_pos < n && data[m_pos] != ',' && !atLineEnd(data))
                    ++m_pos;
                if (m_pos >= n && !final)
                    return Step::NeedMore;
                m_phase = Phase::Terminator;
                break;
            case Phase::Terminator:
                // A CR held last may be the first half of CR LF.
                if (!final && (m_pos >= n || (data[m_pos] == '\r' && m_pos + 1 >= n)))
                    return Step::NeedMore;
                skipTerminator(data);
                ++m_count;
                m_phase = Phase::Spaces;
                break;
            }
        }
        return Step::Done;
    }

    Slice value(int i) const { return m_values[static_cast<size_t>(i)]; }
    QByteArrayView value(QByteArrayView data, int i) const
    {
        const Slice& v = m_values[static_cast<size_t>(i)];
        return data.sliced(v.offset, v.length);
    }

    // Just after the tenth value's terminator.
    qsizetype position() const { return m_pos; }

private:
    enum class Phase { Spaces, Text, AfterQuote, Terminator };

    bool atLineEnd(QByteArrayView data) const { return data[m_pos] == '\r' || data[m_pos] == '\n'; }

    void skipTerminator(QByteArrayView data)
    {
        if (m_pos >= data.size())
            return;
        if (data[m_pos] == ',') {
            ++m_pos;
        } else if (data[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < data.size() && data[m_pos] == '\n')
                ++m_pos;
        } else if (data[m_pos] == '\n') {
            ++m_pos;
        }
    }

    std::array<Slice, 10> m_values{};
    int m_count = 0;
    Phase m_phase = Phase::Spaces;
    bool m_quoted = false;
    qsizetype m_start = 0;
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
    HeaderScanner::Slice creador, masInfo; // where the texts lie in the window
};

// Scans the header, pulling more whenever it is cut short. Answers the
// header's length in the window, or -1 when the movie is unreadable.
qsizetype readHeader(ReadWindow& w, Header& h)
{
    HeaderScanner scan;
    HeaderScanner::Step step;
    while ((step = scan.scan(QByteArrayView(w.data(), w.size()), w.atEnd())) == HeaderScanner::Step::NeedMore) {
        if (!w.more() && w.failed())
            return -1;
    }
    if (step == HeaderScanner::Step::End)
        return -1;
    const QByteArrayView data(w.data(), w.size());
    if (!parseInt16(scan.value(data, 0), h.ancho) || !parseInt16(scan.value(data, 1), h.alto)
        || !parseInt16(scan.value(data, 2), h.numCuadros) || !parseNumber(scan.value(data, 3), h.pausa)
        || h.numCuadros < 1)
        return -1;
    h.creador = scan.value(8);
    h.masInfo = scan.value(9);
    return scan.position();
}

// Copies the header's two texts out of the window and answers where the
// frame lines start in it. A text larger than a chunk takes the window's
// buffer itself along instead (cutting a QByteArray at its front moves no
// bytes), leaving the window only what followed the header, so that a huge
// author is never held twice.
qsizetype takeTexts(ReadWindow& w, const Header& h, qsizetype headerLength, QByteArray& creador,
                    QByteArray& masInfo)
{
    const QByteArrayView data(w.data(), w.size());
    const bool authorLarger = h.creador.length >= h.masInfo.length;
    const HeaderScanner::Slice large = authorLarger ? h.creador : h.masInfo;
    if (large.length < kChunk) {
        // An ordinary header stays where it is, ahead of the frames.
        creador = data.sliced(h.creador.offset, h.creador.length).toByteArray();
        masInfo = data.sliced(h.masInfo.offset, h.masInfo.length).toByteArray();
        return headerLength;
    }
    QByteArray rest = data.sliced(headerLength).toByteArray();
    const HeaderScanner::Slice small = authorLarger ? h.masInfo : h.creador;
    (authorLarger ? masInfo : creador) = data.sliced(small.offset, small.length).toByteArray();
    QByteArray buffer = w.replace(std::move(rest));
    buffer.remove(0, large.offset);
    buffer.truncate(large.length);
    (authorLarger ? creador : masInfo) = std::move(buffer);
    return 0;
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

// Reads numCuadros frame lines from `pos` in the window.
bool readFrames(ReadWindow& w, qsizetype pos, int numCuadros, std::vector<Movie::Span>& spans,
                qsizetype& used)
{
    NextByte cr('\r'), lf('\n');
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

bool checkMovie(ByteSource& source)
{
    try {
        ReadWindow w(source, std::numeric_limits<qint64>::max());
        Header h;
        const qsizetype headerLength = readHeader(w, h);
        if (headerLength < 0)
            return false;
        QByteArray creador, masInfo;
        const qsizetype framesStart = takeTexts(w, h, headerLength, creador, masInfo);
        // The frame lines are counted as they pass, ended as readFrames ends
        // them: CR LF, a lone CR or a lone LF, the last one maybe by the end
        // of the data if it holds a byte.
        int lines = 0;
        bool afterCr = false; // the byte before was a CR: an LF now belongs to it
        bool started = false; // the line under way holds a byte
        const auto count = [&](const char* p, qsizetype n) {
            qsizetype i = 0;
            qsizetype cr = -1; // the next CR at or after i (n: none left), once looked for
            while (i < n && lines < h.numCuadros) {
                if (afterCr) {
                    afterCr = false;
                    if (p[i] == '\n') {
                        ++i;
                        continue;
                    }
                }
                // The next line end, found a word at a time; a CR is looked
                // for once, not again at every LF before it.
                if (cr < i) {
                    const char* c = static_cast<const char*>(std::memchr(p + i, '\r', size_t(n - i)));
                    cr = c ? c - p : n;
                }
                const qsizetype to = cr;
                const char* lf = static_cast<const char*>(std::memchr(p + i, '\n', size_t(to - i)));
                const qsizetype end = lf ? lf - p : to;
                if (end > i)
                    started = true;
                if (end == n)
                    break;
                ++lines;
                started = false;
                afterCr = p[end] == '\r';
                i = end + 1;
            }
        };
        count(w.data() + framesStart, w.size() - framesStart);
        if (!w.atEnd() && !w.failed()) {
            QByteArray piece(kChunk, Qt::Uninitialized);
            while (lines < h.numCuadros) {
                const qint64 n = source.read(piece.data(), kChunk);
                if (n < 0)
                    return false;
                if (n == 0)
                    break;
                count(piece.constData(), qsizetype(n));
            }
        }
        if (w.failed())
            return false;
        if (lines < h.numCuadros && started)
            ++lines;
        return lines == h.numCuadros;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool readMovie(ByteSource& source, Movie& out, qint64 limit, bool integer)
{
    try {
        ReadWindow w(source, limit);
        Header h;
        const qsizetype headerLength = readHeader(w, h);
        if (headerLength < 0)
            return false;
        // What the header says the frames need. When the source can give
        // all its data at once and that is no more than this (plus a
        // little), it is taken in one piece: memory is what the movie uses
        // either way, and a member inflates several times faster whole.
        const qint64 needed =
            headerLength + qint64(h.numCuadros) * (qint64(std::max<std::int16_t>(h.ancho, 0)) *
                                                       std::max<std::int16_t>(h.alto, 0) +
                                                   2);
        if (integer && w.size() < needed && !w.atEnd()) {
            if (std::optional<QByteArray> all =
                    source.whole(std::min(limit, needed + needed / 64 + 65536))) {
                if (all->size() < w.size() ||
                    std::memcmp(all->constData(), w.data(), size_t(w.size())) != 0)
                    return false;
                w.adopt(std::move(*all));
            }
        }
        QByteArray creador, masInfo;
        const qsizetype framesStart = takeTexts(w, h, headerLength, creador, masInfo);
        std::vector<Movie::Span> spans;
        qsizetype used = 0;
        if (!readFrames(w, framesStart, h.numCuadros, spans, used) || !source.finish())
            return false;
        out.ancho = h.ancho;
        out.alto = h.alto;
        out.numCuadros = h.numCuadros;
        out.pausa = h.pausa;
        out.creador = std::move(creador);
        out.masInfo = std::move(masInfo);
        out.setData(w.take(used), std::move(spans));
        return true;
    } catch (const std::bad_alloc&) {
        // A movie larger than the memory there is: unreadable, like any other.
        return false;
    }
}

} // namespace orv
