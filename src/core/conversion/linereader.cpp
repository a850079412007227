#include "linereader.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

// The first CR or LF in [p, p + n), or nullptr.
const char* endOfLine(const char* p, qsizetype n)
{
    const auto size = static_cast<std::size_t>(n);
    const void* cr = std::memchr(p, '\r', size);
    // An LF only matters before the first CR.
    const std::size_t to = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : size;
    const void* lf = std::memchr(p, '\n', to);
    return static_cast<const char*>(lf ? lf : cr);
}

} // namespace

LineReader::LineReader(QIODevice& device, qsizetype limit)
    : m_device(device), m_limit(std::max<qsizetype>(limit, 0))
{
}

qsizetype LineReader::fill()
{
    const qsizetype pending = m_final - m_start;
    const qsizetype moved = m_start;
    if (moved > 0 && pending > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_start,
                     static_cast<std::size_t>(pending));
    m_start = 0;
    m_final = pending;
    if (m_buffer.size() < pending + kBlock)
        m_buffer.resize(pending + kBlock);
    const qint64 read = m_device.read(m_buffer.data() + m_final, kBlock);
    if (read < 0) {
        m_error = true;
        m_exhausted = true;
    } else if (read == 0) {
        m_exhausted = true;
    } else {
        m_final += static_cast<qsizetype>(read);
    }
    return moved;
}

bool LineReader::next(QByteArrayView& line)
{
    return stepForward(line, -1) == Step::Line;
}

LineReader::Step LineReader::stepForward(QByteArrayView& line, int blocks)
{
    qsizetype find = m_find >= 0 ? m_find : m_start; // where the search for the line's end goes on
    qsizetype cut = m_cut;                           // the kept end of a line cut to the limit
    m_find = m_cut = -1;
    // Stops before the next block is read once the call's blocks are spent;
    // each call reads one at least, so that it always gets on.
    blocks = blocks < 0 ? -1 : std::max(blocks, 1);
    const auto pausa = [&] {
        if (blocks < 0 || blocks-- > 0)
            return false;
        m_find = find;
        m_cut = cut;
        return true;
    };
    for (;;) {
        const char* base = m_buffer.constData();
        const char* end = find < m_final ? endOfLine(base + find, m_final - find) : nullptr;
        if (end) {
            const qsizetype at = end - base;
            if (*end == '\r' && at + 1 == m_final && !m_exhausted) {
                // Whether an LF follows is in the next block: keep the CR
                // just after what the line keeps, and read on.
                if (cut >= 0) {
                    m_consumed += at - cut; // skipped, never kept
                    m_buffer[cut] = '\r';
                    m_final = cut + 1;
                    find = cut;
                } else {
                    find = at;
                }
                if (pausa())
                    return Step::More;
                const qsizetype moved = fill();
                find -= moved;
                if (cut >= 0)
                    cut -= moved;
                continue;
            }
            qsizetype nextStart = at + 1;
            if (*end == '\r' && nextStart < m_final && base[nextStart] == '\n')
                ++nextStart;
            const qsizetype lineEnd = cut >= 0 ? cut : at;
            line = QByteArrayView(base + m_start, std::min(lineEnd - m_start, m_limit));
            m_consumed += nextStart - m_start;
            m_start = nextStart;
            return Step::Line;
        }
        if (m_exhausted) {
            if (m_error || m_start >= m_final)
                return Step::End;
            const qsizetype lineEnd = cut >= 0 ? cut : m_final;
            line = QByteArrayView(base + m_start, std::min(lineEnd - m_start, m_limit));
            m_consumed += m_final - m_start;
            m_start = m_final;
            return Step::Line;
        }
        // The line goes on past what is buffered.
        if (cut >= 0) {
            m_consumed += m_final - cut; // skipped, never kept
            m_final = cut;
        } else if (m_final - m_start > m_limit) {
            cut = m_start + m_limit;
            m_consumed += m_final - cut;
            m_final = cut;
        }
        find = m_final;
        if (pausa())
            return Step::More;
        const qsizetype moved = fill();
        find -= moved;
        if (cut >= 0)
            cut -= moved;
    }
}

} // namespace orv
