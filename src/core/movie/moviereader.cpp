#include "moviereader.h"

#include "bytesource.h"
#include "moviestream.h"
#include "filename.h"
#include "mappedfile.h"
#include "zipmember.h"

#include <QFile>

#include <limits>
#include <new>

namespace orv {
namespace {

// The movie inside a compressed movie's first member.
bool readMember(std::unique_ptr<ByteSource> member, Movie& out, const LoadOptions& options)
{
    if (!member || !readMovie(*member, out, options.inflateLimit, options.inflateWhole))
        return false;
    out.compressed = true;
    return true;
}

// Reads the movie from a file opened at its start. `name` names the same
// file for the archive library, which opens it again by name.
bool loadOpenFile(QFile& file, const FileName& name, Movie& out, const LoadOptions& options)
{
    const qint64 size = file.size();
    if (size <= 0)
        return false;
    char head[2];
    const qint64 got = file.read(head, 2);
    if (got < 0)
        return false;
    if (isCompressed(QByteArrayView(head, got))) {
        file.close();
        return readMember(openFirstZipMember(name, options.passwords), out, options);
    }
    file.seek(0);
    // A plain movie is read where the system's cache holds it.
    if (std::shared_ptr<const MappedFile> mapped = MappedFile::map(file)) {
        MappedSource source(mapped);
        if (!readMovie(source, out, options.inflateLimit))
            return false;
        out.keepAlive(std::move(mapped));
        return true;
    }
    DeviceSource source(file);
    return readMovie(source, out, options.inflateLimit);
}

} // namespace

QString movieErrorMessage()
{
    return QStringLiteral("Se produjo un error al abrir la película, verifique que el archivo "
                          "esté correcto y sea para esta versión de reproductor.");
}

QString movieErrorTitle()
{
    return QStringLiteral("Error en la película");
}

bool isCompressed(QByteArrayView head)
{
    return head.size() >= 2 && head[0] == 'P' && head[1] == 'K';
}

double sizeInKB(qint64 bytes)
{
    // Integer arithmetic keeps the cut exact: 1000 bytes are 0.97 KB, not 0.98.
    return static_cast<double>(bytes * 100 / 1024) / 100.0;
}

bool parseMovie(QByteArray bytes, Movie& out)
{
    // The bytes are in memory already; no limit beyond what they are.
    MemorySource source(bytes);
    return readMovie(source, out, std::numeric_limits<qint64>::max());
}

bool loadMovieFromBytes(QByteArray bytes, Movie& out, const LoadOptions& options)
{
    Movie loaded;
    bool ok;
    if (isCompressed(bytes)) {
        ok = readMember(openFirstZipMember(QByteArrayView(bytes), options.passwords), loaded, options);
    } else {
        MemorySource source(bytes);
        ok = readMovie(source, loaded, options.inflateLimit);
    }
    if (!ok)
        return false;
    out = std::move(loaded);
    return true;
}

bool cargaPelicula(const FileName& name, Movie& out, const LoadOptions& options)
{
    QFile file;
    if (!openForReading(file, name))
        return false;
    const qint64 size = file.size();
    Movie loaded;
    if (!loadOpenFile(file, name, loaded, options))
        return false;
    loaded.file = name;
    loaded.rutaPelicula = name.display();
    loaded.tamanoKB = sizeInKB(size);
    loaded.nombreArchivo = name.leaf().display();
    out = std::move(loaded);
    return true;
}

} // namespace orv
