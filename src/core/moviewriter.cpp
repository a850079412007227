#include "moviewriter.h"

namespace orv {

QByteArray lineaCabecera(QByteArrayView ancho, QByteArrayView alto, int numCuadros,
                         QByteArrayView pausa, QByteArrayView creador, QByteArrayView masInfo)
{
    QByteArray line;
    line.append(ancho).append(',').append(alto).append(',');
    line.append(QByteArray::number(numCuadros)).append(',').append(pausa);
    line.append(",0,0,0,0,").append(creador).append(',').append(masInfo);
    return line;
}

MovieWriter::MovieWriter(const QString& path) : m_file(path)
{
    // Never write in place: a failure half-way must not cost the old movie.
    m_file.setDirectWriteFallback(false);
}

bool MovieWriter::begin(QByteArrayView headerLine)
{
    m_ok = m_file.open(QIODevice::WriteOnly);
    return m_ok && writeLine(headerLine);
}

bool MovieWriter::writeFrame(QByteArrayView frame) { return writeLine(frame); }

bool MovieWriter::writeLines(QByteArrayView lines)
{
    if (!m_ok)
        return false;
    m_ok = m_file.write(lines.data(), lines.size()) == lines.size();
    if (!m_ok)
        m_file.cancelWriting();
    return m_ok;
}

bool MovieWriter::writeLine(QByteArrayView line)
{
    if (!m_ok)
        return false;
    m_ok = m_file.write(line.data(), line.size()) == line.size() && m_file.write("\r\n", 2) == 2;
    if (!m_ok)
        m_file.cancelWriting();
    return m_ok;
}

bool MovieWriter::commit()
{
    if (!m_ok) {
        m_file.cancelWriting();
        return false;
    }
    m_ok = m_file.commit();
    return m_ok;
}

} // namespace orv
