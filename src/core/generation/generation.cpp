#include "generation.h"

#include "cp1252.h"
#include "movie.h"
#include "moviewriter.h"
#include "filename.h"
#include "numeric.h"
#include "tonetable.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace orv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoContinua = QStringLiteral("El proceso no puede continuar.");

std::int16_t a16(int v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

// The colours of the sampled pixels, row after row: every column of every
// even pixel row. Odd rows are never read.
std::vector<std::uint32_t> samples(const Image& image)
{
    const int width = image.width();
    const int rows = (image.height() + 1) / 2;
    std::vector<std::uint32_t> m(std::size_t(width) * std::size_t(rows));
    for (int r = 0; r < rows; ++r)
        image.row(2 * r, m.data() + std::size_t(r) * std::size_t(width));
    return m;
}

// Adds the sampled colours to the table. Black sampled while a slot was free
// was let through by the table; if the same image then fills the 16th slot,
// black has no slot left and its pixels would vanish from the frame, so it
// counts as the 17th tone.
bool gatherTones(const std::vector<std::uint32_t>& colours, ToneTable& table)
{
    bool hasBlack = false;
    bool hasLast = false;
    std::uint32_t last = 0;
    for (const std::uint32_t c : colours) {
        if (hasLast && c == last)
            continue;
        if (!table.add(c))
            return false;
        hasBlack = hasBlack || c == 0;
        last = c;
        hasLast = true;
    }
    return !(hasBlack && table.numTonos() == 16);
}

QByteArray characters(const std::vector<std::uint32_t>& colours, const ToneTable& table)
{
    QByteArray line(qsizetype(colours.size()), Qt::Uninitialized);
    char* d = line.data();
    std::uint32_t last = 0;
    char character = table.character(0);
    for (const std::uint32_t c : colours) {
        if (c != last) {
            last = c;
            character = table.character(c);
        }
        if (character != '\0')
            *d++ = character;
    }
    line.truncate(d - line.constData());
    return line;
}

QString withPath(const QString& start, const FileNames& paths, int index)
{
    return start + paths.value(index).display();
}

} // namespace

bool tamanoValido(std::int16_t columns, std::int16_t rows)
{
    return !(rows <= 10 || columns <= 10 || rows >= 400 || columns >= 400);
}

bool validImageSize(int width, int height)
{
    return tamanoValido(a16(width - 1), a16(int((qint64(height) + 1) / 2) - 1));
}

QString creatorInfo()
{
    return QStringLiteral("Película creada con Orvane ASCII Creator");
}

QByteArray frameLine(const Image& image, const ToneTable& table)
{
    return characters(samples(image), table);
}

std::optional<QString> validateData(const QString& pausa, const QString& creador)
{
    // The reader takes the pause as a plain decimal number; anything it would
    // refuse, or a pause of zero or less, would make an unplayable movie.
    if (!readablePause(pausa)) {
        return QStringLiteral("La pausa debe ser un número positivo de milisegundos: ") + pausa +
               kCrLf + kCrLf + kNoContinua;
    }
    // An author that would not read back as typed shifts or loses fields.
    if (const std::optional<QString> problem = authorProblem(creador)) {
        return QStringLiteral("El nombre del creador no puede contener %1: ").arg(*problem) +
               creador + kCrLf + kCrLf + kNoContinua;
    }
    return std::nullopt;
}

GenerationResult generaPelicula(const FileName& path, const GenerationData& data,
                                const ImageLoad& load, const GenerationProgress& progress)
{
    MovieWriter writer(path);
    return generaPelicula(writer, data, load, progress);
}

namespace {

GenerationResult generateInto(MovieWriter& writer, const GenerationData& data,
                              const ImageLoad& load, const GenerationProgress& progress)
{
    using enum Result;
    const int n = data.imageCount;
    if (n <= 0)
        return {EmptyList};
    // The header's frame count is a 16-bit field.
    if (n > 32767)
        return {WriteError};

    // Image 0 is decoded once and serves both the size test and frame 0.
    std::unique_ptr<Image> image = load(0);
    if (!image)
        return {InvalidImage, 0};
    const int width = image->width();
    const int height = image->height();
    const int rows = (height + 1) / 2;
    if (!validImageSize(width, height))
        return {InvalidSize, 0};

    const QByteArray header =
        headerLine(QByteArray::number(width), QByteArray::number(rows), n,
                   toCp1252(data.pausa.trimmed()), toCp1252(data.creador), toCp1252(creatorInfo()));
    // Every frame is as large as the first: the size is known before any
    // of them is made.
    if (const qint64 bytes = movieBytes(header.size(), n, qint64(width) * rows); bytes > kMaxMovieBytes)
        return {TooLarge, -1, {}, bytes};
    const auto failedWrite = [&writer] { return GenerationResult{WriteError, -1, writer.errorString()}; };
    if (!writer.begin(header))
        return failedWrite();

    ToneTable table;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            image = load(i);
            if (!image)
                return {InvalidImage, i};
        }
        if (image->width() != width || image->height() != height)
            return {SizesDiffer, i};
        const std::vector<std::uint32_t> colours = samples(*image);
        if (!gatherTones(colours, table))
            return {TooManyTones, i};
        table.sort();
        if (!writer.writeFrame(characters(colours, table)))
            return failedWrite();
        if (progress && !progress(i + 1))
            return {Cancelled};
    }
    if (!writer.commit())
        return failedWrite();
    return {Created};
}

} // namespace

// A movie built in memory (a preview) may need more than the system has:
// that fails as a write does, with nothing kept, instead of ending the
// program.
GenerationResult generaPelicula(MovieWriter& writer, const GenerationData& data,
                                const ImageLoad& load, const GenerationProgress& progress)
{
    try {
        return generateInto(writer, data, load, progress);
    } catch (const std::bad_alloc&) {
        return {Result::WriteError};
    }
}

QString generationErrorTitle()
{
    return QStringLiteral("Error al crear la película");
}

QString generationMessage(const GenerationResult& r, const FileNames& paths)
{
    switch (r.type) {
    case Result::Created:
    case Result::EmptyList:
    case Result::Cancelled:
        return {};
    case Result::InvalidSize:
        return QStringLiteral(
                   "No se pueden utilizar imágenes que tengan un ancho o alto menor a 10 "
                   "píxeles, ni más de 400 píxeles de ancho.") +
               kCrLf + kCrLf + kNoContinua;
    case Result::InvalidImage:
        return withPath(QStringLiteral("La siguiente imágen no es una imágen válida: ") + kCrLf,
                        paths, r.index) +
               kCrLf + kCrLf + kNoContinua;
    case Result::SizesDiffer:
        return QStringLiteral(
                   "Las imágenes de la lista no tienen el mismo ancho o alto, para crear "
                   "una película ASCII debe tener todas las imágenes del mismo tamaño.") +
               kCrLf + kCrLf + kNoContinua;
    case Result::TooManyTones:
        return withPath(QStringLiteral("La siguiente imágen contiene más de 16 tonalidades: ") +
                            kCrLf,
                        paths, r.index) +
               kCrLf + kCrLf +
               QStringLiteral("Para hacer el video debe colocar imágenes de 16 (8 bits) o menos "
                              "tonalidades,") +
               kCrLf +
               QStringLiteral("disminuya el número de tonalidades de la imágen o elimínela para "
                              "continuar") +
               kCrLf + kCrLf + kNoContinua;
    case Result::WriteError:
        return r.reason.isEmpty() ? genericErrorMessage() : genericErrorMessage() + kCrLf + kCrLf + r.reason;
    case Result::TooLarge:
        return tooLargeMessage(r.bytes);
    }
    return genericErrorMessage();
}

QString createdMessage()
{
    return QStringLiteral("El archivo fué creado satisfactoriamente.");
}
QString createdTitle()
{
    return QStringLiteral("Proceso exitoso");
}

QString genericErrorMessage()
{
    return QStringLiteral("Se produjo un problema al generar la película ASCII.");
}

} // namespace orv
