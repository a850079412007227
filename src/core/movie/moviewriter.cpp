#include "moviewriter.h"

#include "cp1252.h"
#include "moviereader.h"

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

std::optional<QString> problemaCreador(const QString& texto)
{
    for (const char32_t c : texto.toUcs4()) {
        const QString uno = QString::fromUcs4(&c, 1);
        if (fromCp1252(toCp1252(uno)) != uno)
            return QStringLiteral("el carácter «%1», que una película no puede guardar").arg(uno);
    }
    if (texto.contains(u','))
        return QStringLiteral("comas");
    if (texto.contains(u'\r') || texto.contains(u'\n'))
        return QStringLiteral("saltos de línea");
    if (texto.startsWith(u'"'))
        return QStringLiteral("comillas dobles al principio");
    if (texto.startsWith(u' ') || texto.startsWith(u'\t'))
        return QStringLiteral("espacios al principio");
    // The reader has the last word: a one-frame movie with this author.
    const QByteArray creador = toCp1252(texto);
    Pelicula leida;
    if (!parsePelicula(lineaCabecera("2", "2", 1, "100", creador, "-") + "\r\nab\r\n", leida)
        || leida.creador != creador || leida.masInfo != "-")
        return QStringLiteral("caracteres que la película no devuelve igual");
    return std::nullopt;
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

MovieWriter::MovieWriter(QByteArray* memoria) : m_file(QString()), m_memoria(memoria) {}

bool MovieWriter::begin(QByteArrayView headerLine)
{
    if (m_memoria) {
        m_memoria->clear();
        return writeLine(headerLine);
    }
    return m_file.abre() && writeLine(headerLine);
}

bool MovieWriter::writeFrame(QByteArrayView frame)
{
    return writeLine(frame);
}

bool MovieWriter::writeLines(QByteArrayView lines)
{
    if (m_memoria) {
        m_memoria->append(lines);
        return true;
    }
    return m_file.escribe(lines);
}

bool MovieWriter::writeLine(QByteArrayView line)
{
    if (m_memoria) {
        m_memoria->append(line).append("\r\n");
        return true;
    }
    return m_file.escribe(line) && m_file.escribe("\r\n");
}

bool MovieWriter::commit()
{
    return m_memoria || m_file.termina();
}

} // namespace orv
