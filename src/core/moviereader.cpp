#include "moviereader.h"

#include "numeric.h"
#include "zipmember.h"

#include <QFile>
#include <QFileInfo>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <array>
#include <cmath>
#include <cstring>

namespace orv {
namespace {

// Reads the ten comma-separated header values the classic way: leading
// spaces skipped, a value that opens with a double quote runs to the closing
// quote, any other value to the next comma or line end. The position is left
// just after the tenth value's terminator.
class HeaderScanner
{
public:
    explicit HeaderScanner(QByteArrayView data) : m_data(data) {}

    bool next(QByteArrayView& value)
    {
        while (m_pos < m_data.size() && (m_data[m_pos] == ' ' || m_data[m_pos] == '\t'))
            ++m_pos;
        if (m_pos >= m_data.size())
            return false;
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
        skipTerminator();
        return true;
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

// The end of the line starting at `from`: the first CR or LF, or the end.
qsizetype lineEnd(const char* data, qsizetype size, qsizetype from)
{
    const char* start = data + from;
    const auto remaining = static_cast<size_t>(size - from);
    const void* cr = std::memchr(start, '\r', remaining);
    const size_t span = cr ? static_cast<size_t>(static_cast<const char*>(cr) - start) : remaining;
    const void* lf = std::memchr(start, '\n', span);
    const char* end = lf ? static_cast<const char*>(lf) : start + span;
    return end - data;
}

// A big movie's buffer is faulted in page by page as the file is read into
// it; on Linux, asking for huge pages first makes that several times cheaper.
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

} // namespace

QString mensajeErrorPelicula()
{
    return QStringLiteral("Se produjo un error al abrir la película, verifique que el archivo "
                          "esté correcto y sea para esta versión de reproductor.");
}

QString tituloErrorPelicula() { return QStringLiteral("Error en la película"); }

bool esComprimida(QByteArrayView head)
{
    return head.size() >= 2 && head[0] == 'P' && head[1] == 'K';
}

double tamanoEnKB(qint64 bytes)
{
    // Integer arithmetic keeps the cut exact: 1000 bytes are 0.97 KB, not 0.98.
    return static_cast<double>(bytes * 100 / 1024) / 100.0;
}

bool parsePelicula(QByteArray bytes, Pelicula& out)
{
    const QByteArrayView data(bytes);
    HeaderScanner header(data);
    std::array<QByteArrayView, 10> v;
    for (QByteArrayView& value : v) {
        if (!header.next(value))
            return false;
    }
    std::int16_t ancho = 0, alto = 0, numCuadros = 0;
    double pausa = 0;
    if (!parseInt16(v[0], ancho) || !parseInt16(v[1], alto) || !parseInt16(v[2], numCuadros)
        || !parseNumber(v[3], pausa) || numCuadros < 1)
        return false;

    std::vector<Pelicula::Span> spans;
    spans.reserve(static_cast<size_t>(numCuadros));
    qsizetype pos = header.position();
    const char* raw = data.data();
    const qsizetype size = data.size();
    for (int i = 0; i < numCuadros; ++i) {
        if (pos >= size)
            return false; // fewer frame lines than announced
        const qsizetype end = lineEnd(raw, size, pos);
        spans.push_back({pos, end - pos});
        pos = end;
        if (pos < size && raw[pos] == '\r')
            ++pos;
        if (pos < size && raw[pos] == '\n')
            ++pos; // the LF of CR LF, or a lone LF
    }
    out.ancho = ancho;
    out.alto = alto;
    out.numCuadros = numCuadros;
    out.pausa = pausa;
    out.creador = v[8].toByteArray();
    out.masInfo = v[9].toByteArray();
    out.setDatos(std::move(bytes), std::move(spans));
    return true;
}

namespace {

// The movie inside a compressed movie's first member.
bool parseMember(std::optional<QByteArray> member, Pelicula& out)
{
    if (!member || !parsePelicula(std::move(*member), out))
        return false;
    out.comprimida = true;
    return true;
}

// The rest of an open file after the `head` bytes already read from it, in
// one buffer of the file's size.
QByteArray readRest(QFile& file, QByteArrayView head, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    adviseHugePages(bytes.data(), size);
    std::memcpy(bytes.data(), head.data(), static_cast<size_t>(head.size()));
    qint64 done = head.size();
    while (done < size) {
        const qint64 n = file.read(bytes.data() + done, size - done);
        if (n <= 0)
            break;
        done += n;
    }
    // A file that shrank while being read is taken as it was read.
    bytes.truncate(done);
    return bytes;
}

} // namespace

bool cargaPeliculaDeBytes(QByteArray bytes, Pelicula& out, const LoadOptions& options)
{
    Pelicula loaded;
    const bool ok = esComprimida(bytes)
                        ? parseMember(readFirstZipMember(QByteArrayView(bytes), options.inflateLimit,
                                                         options.passwords),
                                      loaded)
                        : parsePelicula(std::move(bytes), loaded);
    if (!ok)
        return false;
    out = std::move(loaded);
    return true;
}

bool cargaPelicula(const QString& ruta, Pelicula& out, const LoadOptions& options)
{
    const QFileInfo info(ruta);
    if (ruta.isEmpty() || !info.isFile())
        return false;
    QFile file(ruta);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const qint64 size = file.size();
    if (size <= 0)
        return false;

    QByteArray head(2, Qt::Uninitialized);
    const qint64 got = file.read(head.data(), 2);
    if (got < 0)
        return false;
    head.resize(got);

    Pelicula loaded;
    bool ok;
    if (esComprimida(head)) {
        file.close();
        ok = parseMember(readFirstZipMember(ruta, options.inflateLimit, options.passwords), loaded);
    } else {
        ok = parsePelicula(readRest(file, head, size), loaded);
    }
    if (!ok)
        return false;
    loaded.rutaPelicula = ruta;
    loaded.tamanoKB = tamanoEnKB(size);
    loaded.nombreArchivo = info.fileName();
    out = std::move(loaded);
    return true;
}

} // namespace orv
