#include "castexport.h"

#include "cp1252.h"
#include "filename.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <vector>

namespace orv {
namespace {

// The most a recording may take. A movie can claim 32,767 × 32,767 cells
// per frame: what it would take is known, and refused, before any writing.
constexpr qint64 kMaxRecordingBytes = qint64(1) << 30;

// What an event costs beyond the text itself, at most: its time and
// brackets, and per row a cursor move and the erasing around the text.
constexpr qint64 kEventCost = 64;
constexpr qint64 kRowCost = 48;

// How many rows of frame i the frame line reaches; the rest are empty.
int rowsReached(const Movie& movie, int i)
{
    if (movie.alto <= 0 || movie.ancho <= 0)
        return 0;
    const qsizetype length = movie.frame(i).size();
    return int(std::min<qsizetype>(movie.alto, (length + movie.ancho - 1) / movie.ancho));
}

// The frames' drawings, one after the other. Only the columns that hold
// text are written, from a row's first to its last character that does not
// show as a space; what the frame before left around them is erased, and
// the rows it wrote that this frame leaves empty are blanked. A frame's cost
// follows its text, never the cells its movie claims.
class CastFrames
{
public:
    CastFrames(const Movie& movie, const JsonTable& table) : m_movie(movie), m_table(table) {}

    void add(int i, QByteArray& out)
    {
        m_now.clear();
        size_t before = 0; // the next row the frame before wrote
        const int rows = rowsReached(m_movie, i);
        for (int row = 0; row < rows; ++row) {
            const QByteArrayView text = frameRow(m_movie, i, row);
            const bool written = before < m_written.size() && m_written[before] == row;
            before += written ? 1 : 0;
            qsizetype from = 0, to = text.size();
            const auto* c = reinterpret_cast<const unsigned char*>(text.data());
            while (from < to && showsAsSpace(c[from]))
                ++from;
            while (to > from && showsAsSpace(c[to - 1]))
                --to;
            if (from == to) {
                if (written)
                    blank(out, row);
                continue;
            }
            moveTo(out, row, from);
            if (from > 0 && written)
                out.append("\\u001b[1K"); // erase up to the text
            appendJsonText(out, text.sliced(from, to - from), m_table);
            if (to < m_movie.ancho && written)
                out.append("\\u001b[K"); // and after it
            m_now.push_back(row);
        }
        for (; before < m_written.size(); ++before)
            blank(out, m_written[before]);
        std::swap(m_written, m_now);
    }

private:
    void moveTo(QByteArray& out, int row, qsizetype column)
    {
        // Each row's own start of the sequence, made once.
        while (m_toRow.size() <= size_t(row))
            m_toRow.push_back("\\u001b[" + QByteArray::number(m_toRow.size() + 1));
        out.append(m_toRow[size_t(row)]);
        if (column > 0)
            out.append(';').append(QByteArray::number(column + 1));
        out.append('H');
    }
    void blank(QByteArray& out, int row)
    {
        moveTo(out, row, 0);
        out.append("\\u001b[2K");
    }

    const Movie& m_movie;
    const JsonTable& m_table;
    std::vector<int> m_written; // the rows the last frame wrote, ascending
    std::vector<int> m_now;
    std::vector<QByteArray> m_toRow;
};

// Whether the recording stays within kMaxRecordingBytes. A bound from the
// frame lines' lengths settles almost every movie at once; only a movie
// near the limit has its frames drawn once to be counted.
bool fitsRecording(const Movie& movie, const JsonTable& table)
{
    const qint64 widest = std::max_element(table.begin(), table.end(), [](auto& a, auto& b) {
                              return a.length < b.length;
                          })->length;
    qint64 bound = 4096 + 8 * movie.nombreArchivo.size(); // the header
    int rowsBefore = 0;
    for (int i = 0; i < movie.numCuadros; ++i) {
        const int rows = rowsReached(movie, i);
        bound += widest * movie.frame(i).size() + kRowCost * (rows + rowsBefore) + kEventCost;
        rowsBefore = rows;
    }
    if (bound <= kMaxRecordingBytes)
        return true;
    CastFrames frames(movie, table);
    QByteArray scratch;
    qint64 total = 0;
    for (int i = 0; i < movie.numCuadros && total <= kMaxRecordingBytes; ++i) {
        scratch.resize(0);
        frames.add(i, scratch);
        total += scratch.size() + kEventCost;
    }
    return total <= kMaxRecordingBytes;
}

QString recordingTooLargeError()
{
    return QStringLiteral("La grabación de terminal pasaría de %1 MB, el tamaño máximo que se "
                          "puede exportar.")
        .arg(kMaxRecordingBytes >> 20);
}

} // namespace

ExportResult exportCast(const Movie& movie, const FileName& path, const ExportOptions& options,
                        QString* error)
{
    const JsonTable& table = jsonTable(false);
    if (!fitsRecording(movie, table)) {
        if (error)
            *error = recordingTooLargeError();
        return ExportResult::Fault;
    }
    const int total = movie.numCuadros;
    const double pausa = exportPause(movie) / 1000.0;
    CastFrames frames(movie, table);
    const auto part = [&](int i, QByteArray& event) {
        if (i < 0) {
            const QString name = movie.nombreArchivo.isEmpty() ? QFileInfo(path.leaf().display()).completeBaseName()
                                                               : movie.nombreArchivo;
            const QJsonObject header{{QStringLiteral("version"), 2},
                                     {QStringLiteral("width"), std::max<int>(movie.ancho, 1)},
                                     {QStringLiteral("height"), std::max<int>(movie.alto, 1)},
                                     {QStringLiteral("title"), name}};
            event.append(QJsonDocument(header).toJson(QJsonDocument::Compact)).append('\n');
            return;
        }
        if (i == total) {
            // The last frame keeps its pause, and the viewer gets its cursor back.
            event.append('[')
                .append(QByteArray::number(total * pausa, 'f', 6))
                .append(", \"o\", \"\\u001b[?25h\"]\n");
            return;
        }
        event.append('[').append(QByteArray::number(i * pausa, 'f', 6)).append(", \"o\", \"");
        if (i == 0)
            event.append("\\u001b[?25l\\u001b[2J"); // hide the cursor, clear once
        frames.add(i, event);
        event.append("\"]\n");
    };
    return writeExport(path, options, total, part, error);
}

} // namespace orv
