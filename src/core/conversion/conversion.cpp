#include "conversion.h"

#include "cp1252.h"
#include "linereader.h"
#include "movie.h"
#include "moviewriter.h"
#include "filename.h"
#include "numeric.h"

#include <QFile>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace orv {
namespace {

// Control lines are read whole (up to this much) whatever the width: a
// repeat count may stand after more blanks than the picture is wide.
constexpr qsizetype kControlLimit = qsizetype(1) << 20;

// Pictures go into blocks of at least this size, never moved once written.
constexpr qsizetype kBlock = qsizetype(4) << 20;

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// A block of pictures. Faulting tens of megabytes in 4 KiB pages costs more
// than reading the sources; on Linux, huge pages make that several times
// cheaper, so blocks are aligned and sized for them.
char* newBlock(qsizetype size)
{
    const std::size_t rounded =
        (static_cast<std::size_t>(size) + kHugePage - 1) / kHugePage * kHugePage;
    auto* block = static_cast<char*>(std::aligned_alloc(kHugePage, rounded));
    if (!block)
        throw std::bad_alloc();
#ifdef __linux__
    madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

// How often, in bytes of source, the caller hears of progress.
constexpr qint64 kProgressStep = qint64(1) << 18;

const QString kCrLf = QStringLiteral("\r\n");

// Writes the row fitted to the width, padded with spaces or cut, and
// answers where the next row goes.
char* fit(char* target, QByteArrayView row, qsizetype ancho)
{
    const qsizetype taken = std::min(row.size(), ancho);
    std::memcpy(target, row.data(), static_cast<std::size_t>(taken));
    std::memset(target + taken, ' ', static_cast<std::size_t>(ancho - taken));
    return target + ancho;
}

} // namespace

std::int64_t widthUsed(const ConversionParameters& p)
{
    return roundHalfEven(numericValue(p.ancho));
}

std::int64_t heightUsed(const ConversionParameters& p)
{
    return roundHalfEven(numericValue(p.alto));
}

ParameterFault checkParameters(const ConversionParameters& p)
{
    if (numericValue(p.ancho) < 2 || numericValue(p.alto) < 2)
        return ParameterFault::WidthOrHeight;
    // The header holds the width and the height plus one as 16-bit numbers.
    if (widthUsed(p) > 32767 || heightUsed(p) > 32766)
        return ParameterFault::TooLarge;
    if (!readablePause(p.velocidad))
        return ParameterFault::Pause;
    if (!readableAuthor(p.creador))
        return ParameterFault::Author;
    return ParameterFault::None;
}

QString parameterFaultMessage(ParameterFault failure, const QString& creador)
{
    switch (failure) {
    case ParameterFault::None:
        break;
    case ParameterFault::WidthOrHeight:
        return QStringLiteral("El ancho o el alto establecidos para el archivo de salida es inválido, "
                              "procure colocar valores mayores o iguales a 2 en cada uno de estos "
                              "cuadros.");
    case ParameterFault::TooLarge:
        return QStringLiteral("El ancho o el alto establecidos para el archivo de salida es demasiado "
                              "grande, procure colocar un ancho menor o igual a 32767 y un alto menor "
                              "o igual a 32766.");
    case ParameterFault::Pause:
        return QStringLiteral("La pausa establecida no es válida, procure colocar un número mayor que "
                              "cero (por ejemplo 100).");
    case ParameterFault::Author:
        return QStringLiteral(
                   "El nombre del creador no puede contener %1, procure cambiarlo antes de "
                   "convertir.")
            .arg(authorProblem(creador).value_or(QStringLiteral("comas")));
    }
    return {};
}

QString parameterFaultTitle()
{
    return QStringLiteral("Error en los parámetros");
}

bool puedeabrir(const FileName& path)
{
    QFile file;
    return openForReading(file, path);
}

ConvertedMovie::ConvertedMovie(qsizetype frameLength)
    : m_length(frameLength), m_blockSize(std::max(kBlock, frameLength + 2)),
      m_usedInBlock(m_blockSize)
{
}

char* ConvertedMovie::reserve()
{
    if (m_blockSize - m_usedInBlock < m_length + 2) {
        m_blocks.emplace_back(newBlock(m_blockSize));
        m_usedInBlock = 0;
    }
    return m_blocks.back().get() + m_usedInBlock;
}

bool ConvertedMovie::confirm(std::int64_t copies)
{
    if (full()) {
        m_cut = true;
        return false;
    }
    char* image = m_blocks.back().get() + m_usedInBlock;
    image[m_length] = '\r';
    image[m_length + 1] = '\n';
    m_usedInBlock += m_length + 2;
    m_images.push_back(image);

    const std::int64_t requested = std::max<std::int64_t>(copies, 1);
    const std::int64_t fit = kMaxFrames - static_cast<std::int64_t>(m_cuadros.size());
    const auto index = static_cast<std::int32_t>(m_images.size() - 1);
    m_cuadros.insert(m_cuadros.end(), static_cast<std::size_t>(std::min(requested, fit)), index);
    m_cut = m_cut || requested > fit;
    return requested <= fit;
}

bool ConvertedMovie::add(QByteArrayView frame, std::int64_t copies)
{
    char* target = reserve();
    const qsizetype n = std::min(frame.size(), m_length);
    std::memcpy(target, frame.data(), static_cast<std::size_t>(n));
    std::memset(target + n, ' ', static_cast<std::size_t>(m_length - n));
    return confirm(copies);
}

QByteArrayView ConvertedMovie::frame(int i) const
{
    return QByteArrayView(
        m_images[static_cast<std::size_t>(m_cuadros[static_cast<std::size_t>(i)])], m_length);
}

QByteArrayView ConvertedMovie::span(int i, int& count) const
{
    const char* start = frame(i).data();
    const char* end = start + m_length + 2;
    int j = i + 1;
    while (j < numCuadros() && frame(j).data() == end) {
        end += m_length + 2;
        ++j;
    }
    count = j - i;
    return QByteArrayView(start, end - start);
}

bool readSource(const FileName& path, const ConversionParameters& p, ConvertedMovie& movie,
                const std::function<bool(qint64)>& progress)
{
    QFile file;
    if (!openForReading(file, path))
        return false;
    const qsizetype ancho = static_cast<qsizetype>(widthUsed(p));
    const std::int64_t alto = heightUsed(p);
    if (!fitsInt16(alto) || ancho < 1)
        return false;
    const std::int64_t rows = p.leeinicio ? alto : alto + 1;

    LineReader reader(file);
    qint64 warned = 0;
    QByteArrayView line;
    for (;;) {
        reader.setLimit(p.leeinicio ? kControlLimit : ancho);
        if (!reader.next(line))
            break;
        char* row = movie.reserve();
        std::int64_t copies = 1;
        if (!p.leeinicio) {
            row = fit(row, line, ancho);
        } else if (p.repeat) {
            copies = roundHalfEven(numericValueOrOverflow(fromCp1252(line)));
            if (!fitsInt16(copies))
                return false;
        }
        reader.setLimit(ancho);
        const std::int64_t remaining = p.leeinicio ? rows : rows - 1;
        bool complete = true;
        for (std::int64_t i = 0; i < remaining && complete; ++i) {
            complete = reader.next(line);
            if (complete)
                row = fit(row, line, ancho);
        }
        if (!complete)
            break; // a picture cut short by the end of the file is dropped
        if (!movie.confirm(copies))
            return true; // the movie is full: nothing more of this file fits
        if (progress && reader.consumed() - warned >= kProgressStep) {
            warned = reader.consumed();
            if (!progress(warned))
                return false;
        }
    }
    return !reader.error();
}

QByteArray conversionHeader(const ConversionParameters& p, int numCuadros)
{
    return headerLine(QByteArray::number(static_cast<qlonglong>(widthUsed(p))),
                      QByteArray::number(static_cast<qlonglong>(heightUsed(p) + 1)), numCuadros,
                      toCp1252(p.velocidad), toCp1252(p.creador),
                      toCp1252(QStringLiteral("Película creada con Orvane ASCII Converter")));
}

namespace {

ConversionResult convertMovies(const FileNames& sources, const ConversionParameters& p,
                               MovieWriter& writer, const ConversionProgress& progress);

} // namespace

// Pictures as large as a frame may be (32767 × 32767) need memory the system
// may not have: running out fails the conversion as a write does, with
// nothing written, instead of ending the program.
ConversionResult convert(const FileNames& sources, const ConversionParameters& p,
                         const FileName& output, const ConversionProgress& progress)
{
    MovieWriter writer(output);
    return convert(sources, p, writer, progress);
}

ConversionResult convert(const FileNames& sources, const ConversionParameters& p,
                         MovieWriter& writer, const ConversionProgress& progress)
{
    try {
        return convertMovies(sources, p, writer, progress);
    } catch (const std::bad_alloc&) {
        ConversionResult r;
        r.state = ConversionState::WriteError;
        r.codeError = 7; // the classic runtime's "Out of memory"
        r.errorDescription = QStringLiteral("Out of memory");
        return r;
    }
}

namespace {

ConversionResult convertMovies(const FileNames& sources, const ConversionParameters& p,
                               MovieWriter& writer, const ConversionProgress& progress)
{
    ConversionResult r;
    const std::int64_t rows = p.leeinicio ? heightUsed(p) : heightUsed(p) + 1;
    ConvertedMovie movie(static_cast<qsizetype>(widthUsed(p) * rows));

    qint64 total = 0;
    for (const FileName& f : sources)
        total += std::max<qint64>(fileSize(f), 0);
    bool cancelled = false;
    qint64 done = 0;
    for (const FileName& f : sources) {
        if (movie.full()) {
            r.limitReached = true;
            break;
        }
        auto report = [&](qint64 inThis) {
            cancelled = progress && !progress(done + inThis, 2 * total);
            return !cancelled;
        };
        if (!readSource(f, p, movie, report))
            ++r.failedSources;
        if (cancelled) {
            r.state = ConversionState::Cancelled;
            return r;
        }
        done += std::max<qint64>(fileSize(f), 0);
    }
    r.limitReached = r.limitReached || movie.cut();
    r.numCuadros = movie.numCuadros();
    if (r.numCuadros == 0) {
        r.state = ConversionState::NoFrames;
        return r;
    }

    // The pictures are in memory, each once: what the movie would take is
    // known before a byte of it is written.
    const QByteArray header = conversionHeader(p, r.numCuadros);
    r.bytes = movieBytes(header.size(), r.numCuadros, movie.frameLength());
    if (r.bytes > kMaxMovieBytes) {
        r.state = ConversionState::TooLarge;
        return r;
    }
    bool ok = writer.begin(header);
    // Pictures stored one after another go out in one write, in slices
    // small enough for the progress to move and a cancel to be heard.
    const int perWrite = static_cast<int>(
        std::clamp<qsizetype>((qsizetype(1) << 22) / (movie.frameLength() + 2), 1, kMaxFrames));
    int warned = 0;
    for (int i = 0; ok && i < r.numCuadros;) {
        int count = 0;
        QByteArrayView lines = movie.span(i, count);
        if (count > perWrite) {
            count = perWrite;
            lines = lines.first(qsizetype(count) * (movie.frameLength() + 2));
        }
        ok = writer.writeLines(lines);
        i += count;
        if (!progress || i - warned < 256)
            continue;
        warned = i;
        if (!progress(total + total * i / r.numCuadros, 2 * total)) {
            r.state = ConversionState::Cancelled;
            return r; // the writer, dropped uncommitted, leaves nothing behind
        }
    }
    if (ok)
        ok = writer.commit();
    if (!ok) {
        r.state = ConversionState::WriteError;
        r.codeError = static_cast<int>(writer.error());
        r.errorDescription = writer.errorString();
        return r;
    }
    r.state = ConversionState::Written;
    return r;
}

} // namespace

QString writeErrorMessage(int code, const QString& description)
{
    return QStringLiteral("Se produjo un error al crear la película, el código de error es el ") +
           QString::number(code) + QStringLiteral(" y esto sucede por ") + description;
}

QString writeErrorTitle()
{
    return QStringLiteral("Error en la aplicación");
}

QString noFramesMessage(int failedSources)
{
    // A source that could not be read whole says so: checking the height and
    // the width would not help there.
    if (failedSources > 0)
        return QStringLiteral(
                   "No se creó la película: %1 archivo(s) de origen no se pudieron leer por "
                   "completo (no se pueden abrir, o una línea de control pide un número de "
                   "copias que no está entre 0 y 32767).")
                   .arg(failedSources) +
               kCrLf + kCrLf + QStringLiteral("Revise los archivos de la lista.");
    return QStringLiteral("Ninguno de los archivos de origen contiene una imagen ASCII completa con el "
                          "alto establecido, por eso no se creó la película.")
        + kCrLf + kCrLf
        + QStringLiteral("Revise el alto y el ancho, o añada otros archivos a la lista.");
}

QString noFramesTitle()
{
    return QStringLiteral("Película no creada");
}

QString successMessage()
{
    return QStringLiteral("El archivo fué creado satisfactoriamente.");
}

QString successTitle()
{
    return QStringLiteral("Proceso exitoso");
}

} // namespace orv
