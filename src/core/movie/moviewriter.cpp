#include "moviewriter.h"

#include <cmath>

namespace orv {

bool pausaLegible(const QString& texto)
{
    const QString limpio = texto.trimmed();
    if (limpio.isEmpty())
        return false;
    for (QChar c : limpio) {
        if (!(c.isDigit() && c.unicode() < 0x80) && !QStringView(u"+-.eE").contains(c))
            return false;
    }
    bool ok = false;
    const double v = limpio.toDouble(&ok);
    return ok && std::isfinite(v) && v > 0;
}

bool creadorLegible(const QString& texto)
{
    return !texto.contains(u',') && !texto.contains(u'\r') && !texto.contains(u'\n');
}

QString nombrePelicula(const QString& elegido)
{
    return elegido.endsWith(QLatin1String(".ovt")) ? elegido : elegido + QLatin1String(".ovt");
}

QByteArray lineaCabecera(QByteArrayView ancho, QByteArrayView alto, int numCuadros,
                         QByteArrayView pausa, QByteArrayView creador, QByteArrayView masInfo)
{
    QByteArray line;
    line.append(ancho).append(',').append(alto).append(',');
    line.append(QByteArray::number(numCuadros)).append(',').append(pausa);
    line.append(",0,0,0,0,").append(creador).append(',').append(masInfo);
    return line;
}

MovieWriter::MovieWriter(const QString& path) : m_file(path) {}

bool MovieWriter::begin(QByteArrayView headerLine)
{
    return m_file.abre() && writeLine(headerLine);
}

bool MovieWriter::writeFrame(QByteArrayView frame)
{
    return writeLine(frame);
}

bool MovieWriter::writeLines(QByteArrayView lines)
{
    return m_file.escribe(lines);
}

bool MovieWriter::writeLine(QByteArrayView line)
{
    return m_file.escribe(line) && m_file.escribe("\r\n");
}

bool MovieWriter::commit()
{
    return m_file.termina();
}

} // namespace orv
