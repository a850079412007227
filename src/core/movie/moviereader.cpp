#include "moviereader.h"

#include "bytesource.h"
#include "moviestream.h"
#include "nativename.h"
#include "zipmember.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <new>

namespace orv {
namespace {

// The movie inside a compressed movie's first member.
bool readMember(std::unique_ptr<ByteSource> member, Pelicula& out, const LoadOptions& options)
{
    if (!member || !leePelicula(*member, out, options.inflateLimit, options.inflateWhole))
        return false;
    out.comprimida = true;
    return true;
}

// Reads the movie from a file opened at its start. `nameBytes` names the
// same file for the archive library, which opens it again by name.
bool loadOpenFile(QFile& file, const QByteArray& nameBytes, Pelicula& out, const LoadOptions& options)
{
    const qint64 size = file.size();
    if (size <= 0)
        return false;
    char head[2];
    const qint64 got = file.read(head, 2);
    if (got < 0)
        return false;
    if (esComprimida(QByteArrayView(head, got))) {
        file.close();
        return readMember(openFirstZipMember(nameBytes, options.passwords), out, options);
    }
    file.seek(0);
    DeviceSource source(file);
    return leePelicula(source, out, options.inflateLimit);
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
    // The bytes are in memory already; no limit beyond what they are.
    MemorySource source(bytes);
    return leePelicula(source, out, std::numeric_limits<qint64>::max());
}

bool cargaPeliculaDeBytes(QByteArray bytes, Pelicula& out, const LoadOptions& options)
{
    Pelicula loaded;
    bool ok;
    if (esComprimida(bytes)) {
        ok = readMember(openFirstZipMember(QByteArrayView(bytes), options.passwords), loaded, options);
    } else {
        MemorySource source(bytes);
        ok = leePelicula(source, loaded, options.inflateLimit);
    }
    if (!ok)
        return false;
    out = std::move(loaded);
    return true;
}

bool cargaPelicula(const QString& ruta, Pelicula& out, const LoadOptions& options)
{
    const QFileInfo info(ruta);
    if (ruta.isEmpty() || !isFileByName(ruta))
        return false;
    QFile file;
    if (!openByNameBytes(file, nameBytesFromText(ruta)))
        return false;
    const qint64 size = file.size();
    Pelicula loaded;
    if (!loadOpenFile(file, nameBytesFromText(ruta), loaded, options))
        return false;
    loaded.rutaPelicula = ruta;
    loaded.tamanoKB = tamanoEnKB(size);
    loaded.nombreArchivo = info.fileName();
    out = std::move(loaded);
    return true;
}

bool cargaPeliculaNativa(const QByteArray& nameBytes, Pelicula& out, const LoadOptions& options)
{
    QFile file;
    if (!openByNameBytes(file, nameBytes))
        return false;
    const qint64 size = file.size();
    Pelicula loaded;
    if (!loadOpenFile(file, nameBytes, loaded, options))
        return false;
    loaded.rutaPelicula = textFromNameBytes(nameBytes);
    loaded.tamanoKB = tamanoEnKB(size);
    loaded.nombreArchivo = QFileInfo(loaded.rutaPelicula).fileName();
    out = std::move(loaded);
    return true;
}

} // namespace orv
