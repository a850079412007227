#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace orv {

// Reads the lines of a text source a block at a time. CR LF, a lone CR and a
// lone LF each end a line; a last line without an end still counts, and an
// end at the very end of the data starts no further line. A line longer than
// `limit` bytes is cut to its first `limit` bytes and the rest of it is
// skipped, so one huge line never has to be held whole.
class LineReader
{
public:
    static constexpr qsizetype kBlock = qsizetype(1) << 18;

    explicit LineReader(QIODevice& device, qsizetype limit = qsizetype(1) << 20);

    // The next line without its end, valid until the next call. False at the
    // end of the data or when reading fails (then error() is true).
    bool next(QByteArrayView& line);

    // The same in steps: reads at most `blocks` more blocks of the source
    // in this call (one at least; any number when negative). A line not complete by then gives
    // More, and the next call goes on where this one stopped, so a caller can keep to a time budget
    // inside one huge line.
    enum class Step { Line, End, More };
    Step stepForward(QByteArrayView& line, int blocks);

    bool error() const { return m_error; }

    // The cut applied to the lines read from now on.
    void setLimit(qsizetype limit) { m_limit = limit < 0 ? 0 : limit; }

    // Bytes of the source consumed so far, line ends included.
    qint64 consumed() const { return m_consumed; }

private:
    // Moves the unread bytes to the front and appends one more block.
    // Answers how far the unread bytes moved; sets m_end when nothing came.
    qsizetype fill();

    QIODevice& m_device;
    qsizetype m_limit;
    QByteArray m_buffer;
    qsizetype m_start = 0; // first unread byte
    qsizetype m_final = 0; // one past the last byte read
    qint64 m_consumed = 0;
    // A line being read across calls of stepForward(): where the search for its
    // end goes on, and where it was cut to the limit (-1: not cut); both -1
    // between lines.
    qsizetype m_find = -1;
    qsizetype m_cut = -1;
    bool m_exhausted = false;
    bool m_error = false;
};

} // namespace orv
