#pragma once

#include "filename.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// The largest movie the suite opens, in bytes (header and frame lines, line
// ends included). The reader refuses a larger one, and every writer refuses
// before any work to make one.
constexpr qint64 kMaxMovieBytes = qint64(1) << 30;

// The bytes of a movie of `frames` frame lines of `frameLength` characters
// under a header line of `headerLength`, every line ending in CR LF.
constexpr qint64 movieBytes(qint64 headerLength, qint64 frames, qint64 frameLength)
{
    return headerLength + 2 + frames * (frameLength + 2);
}

// A movie held in memory. The header fields are as read from the file; the
// frame lines are kept as spans into one buffer holding the file's bytes
// (Windows-1252), so a load costs one copy of the file and nothing more.
// Text fields stay bytes too; decode with fromCp1252() for display.
struct Movie
{
    std::int16_t ancho = 0;      // characters per row
    std::int16_t alto = 0;       // rows per frame
    std::int16_t numCuadros = 0; // number of frames
    double pausa = 0;            // milliseconds per frame
    QByteArray creador;          // author
    QByteArray masInfo;          // further information

    FileName file;         // the name opened, as passed in
    QString rutaPelicula;  // that name as a person reads it
    double tamanoKB = 0;   // file size in KB, cut to two decimals
    QString nombreArchivo; // file-name part of rutaPelicula
    bool compressed = false;

    // The frame lines, in file order. Valid indices are 0 .. numCuadros - 1.
    QByteArrayView frame(int i) const
    {
        if (i < 0 || static_cast<std::size_t>(i) >= m_spans.size())
            return {};
        const Span& s = m_spans[static_cast<std::size_t>(i)];
        return QByteArrayView(m_data.constData() + s.offset, s.length);
    }
    int framesRead() const { return static_cast<int>(m_spans.size()); }

    // Builders, used by the reader and by tests.
    struct Span
    {
        qsizetype offset;
        qsizetype length;
    };
    void setData(QByteArray data, std::vector<Span> spans)
    {
        m_data = std::move(data);
        m_spans = std::move(spans);
    }
    const QByteArray& data() const { return m_data; }
    // What the data may refer to without owning it (a mapped file), kept as
    // long as the movie or a copy of it lives.
    void keepAlive(std::shared_ptr<const void> owner) { m_owner = std::move(owner); }

private:
    QByteArray m_data;
    std::vector<Span> m_spans;
    std::shared_ptr<const void> m_owner;
};

} // namespace orv
