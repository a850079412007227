#include "moviewriter.h"

#include "cp1252.h"
#include "moviereader.h"

#include <cmath>

namespace orv {

bool readablePause(const QString& text)
{
    const QString clean = text.trimmed();
    if (clean.isEmpty())
        return false;
    for (QChar c : clean) {
        if (!(c.isDigit() && c.unicode() < 0x80) && !QStringView(u"+-.eE").contains(c))
            return false;
    }
    bool ok = false;
    const double v = clean.toDouble(&ok);
    return ok && std::isfinite(v) && v > 0;
}

std::optional<QString> authorProblem(const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (fromCp1252(toCp1252(one)) != one)
            return QStringLiteral("el carácter «%1», que una película no puede guardar").arg(one);
    }
    if (text.contains(u','))
        return QStringLiteral("comas");
    if (text.contains(u'\r') || text.contains(u'\n'))
        return QStringLiteral("saltos de línea");
    if (text.startsWith(u'"'))
        return QStringLiteral("comillas dobles al principio");
    if (text.startsWith(u' ') || text.startsWith(u'\t'))
        return QStringLiteral("espacios al principio");
    // The reader has the last word: a one-frame movie with this author.
    const QByteArray creador = toCp1252(text);
    Movie read;
    if (!parseMovie(headerLine("2", "2", 1, "100", creador, "-") + "\r\nab\r\n", read) ||
        read.creador != creador || read.masInfo != "-")
        return QStringLiteral("caracteres que la película no devuelve igual");
    return std::nullopt;
}

QString clipStartNote(double seconds)
{
    return QStringLiteral(" (desde el segundo %1 del video)").arg(QString::number(seconds, 'g', 12));
}

std::optional<double> clipStart(QByteArrayView masInfo)
{
    static const QByteArray before(" (desde el segundo "), after(" del video)");
    const QByteArray text = masInfo.toByteArray();
    const qsizetype at = text.lastIndexOf(before);
    if (at < 0 || !text.endsWith(after))
        return std::nullopt;
    bool ok = false;
    const double seconds = text.mid(at + before.size(), text.size() - after.size() - at - before.size()).toDouble(&ok);
    return ok && seconds >= 0 && std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
}

QString tooLargeMessage(qint64 bytes)
{
    return QStringLiteral("La película ocuparía %1 MB, más de los %2 MB que los programas pueden abrir; "
                          "no se escribió nada.")
        .arg((bytes + (1 << 20) - 1) >> 20)
        .arg(kMaxMovieBytes >> 20);
}

FileName movieName(const FileName& chosen)
{
    return chosen.endsWith(".ovt") ? chosen : chosen + ".ovt";
}

QByteArray headerLine(QByteArrayView ancho, QByteArrayView alto, int numCuadros,
                      QByteArrayView pausa, QByteArrayView creador, QByteArrayView masInfo)
{
    QByteArray line;
    line.append(ancho).append(',').append(alto).append(',');
    line.append(QByteArray::number(numCuadros)).append(',').append(pausa);
    line.append(",0,0,0,0,").append(creador).append(',').append(masInfo);
    return line;
}

MovieWriter::MovieWriter(const FileName& target) : m_file(target) {}

MovieWriter::MovieWriter(QByteArray* memory) : m_file(FileName()), m_memory(memory) {}

bool MovieWriter::begin(QByteArrayView headerLine)
{
    if (m_memory) {
        m_memory->clear();
        return writeLine(headerLine);
    }
    return m_file.open() && writeLine(headerLine);
}

bool MovieWriter::beginRaw(QByteArrayView header)
{
    if (m_memory) {
        m_memory->clear();
        return writeLines(header);
    }
    return m_file.open() && writeLines(header);
}

bool MovieWriter::writeFrame(QByteArrayView frame)
{
    return writeLine(frame);
}

bool MovieWriter::writeLines(QByteArrayView lines)
{
    if (m_memory) {
        m_memory->append(lines);
        return true;
    }
    return m_file.write(lines);
}

bool MovieWriter::writeLine(QByteArrayView line)
{
    if (m_memory) {
        m_memory->append(line).append("\r\n");
        return true;
    }
    return m_file.write(line) && m_file.write("\r\n");
}

bool MovieWriter::commit()
{
    return m_memory || m_file.finish();
}

} // namespace orv
