#pragma once

#include "image.h"

#include <QString>
#include "filename.h"

#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace orv {

// Turning an ordered list of images of one size into a movie: every image a
// frame, every even pixel row a row of characters, every pixel a character
// chosen by its tone from a table of at most 16 tones shared by the whole
// movie. The Creator's window and `orv create` both run it; neither holds a
// rule of its own.

// The first frame's size test, given columns − 1 and rows − 1: the accepted
// frames are 12 to 400 columns and 12 to 400 rows.
bool tamanoValido(std::int16_t columns, std::int16_t rows);

// The same test for image 0 of `width` × `height` pixels (a frame row is every
// other pixel row). A decoder may apply it to the size a file declares
// before decoding it.
bool validImageSize(int width, int height);

// What the header's `masInfo` says about the writer.
QString creatorInfo();

// Hands out image i, decoded, or nullptr when it cannot be read. Called with
// 0, 1, 2, ... in order, each index once, so a caller may decode ahead. Sizes
// are tested before any pixel is read, so an image refused by its size alone
// may come without pixels.
using ImageLoad = std::function<std::unique_ptr<Image>(int index)>;

// Told after each frame is written (frames done so far); false cancels.
using GenerationProgress = std::function<bool(int done)>;

struct GenerationData
{
    int imageCount = 0;
    QString pausa;   // written as given (after validateData accepted it)
    QString creador; // written as given
};

enum class Result {
    Created,
    EmptyList,    // nothing to do; nothing is said
    InvalidSize,  // image 0 outside the accepted sizes
    InvalidImage, // `index` could not be decoded
    SizesDiffer,  // `index` differs in size from image 0
    TooManyTones, // `index` brought a 17th tone
    WriteError,   // the movie file could not be written
    TooLarge,     // the movie would be larger than the programs open
    Cancelled,
};

struct GenerationResult
{
    Result type = Result::Created;
    int index = -1;  // the image the failure names, when it names one
    QString reason = {}; // WriteError: the system's reason, when it gave one
    qint64 bytes = 0; // TooLarge: what the movie would take
};

// A pause that is not a positive number or an author that would not read
// back as written: the message to show (title "Error al crear la película"),
// or nothing when both are fine.
std::optional<QString> validateData(const QString& pausa, const QString& creador);

// Builds the movie at `path` (the final name, see movieName). It is
// written to a temporary file renamed into place only when every frame is
// written: any other end leaves no new file and an existing file of that name
// untouched.
GenerationResult generaPelicula(const FileName& path, const GenerationData& data,
                                const ImageLoad& load, const GenerationProgress& progress = {});
// The same run into a writer of the caller's (one writing into memory for a
// preview, say); the writer is committed only when every frame is written.
GenerationResult generaPelicula(class MovieWriter& writer, const GenerationData& data,
                                const ImageLoad& load, const GenerationProgress& progress = {});

// One frame line from an image whose tones are all in the table, after its
// sort. Exposed for the tests of the tone rules.
QByteArray frameLine(const Image& image, const class ToneTable& table);

// The title of every failure message of the generation.
QString generationErrorTitle();

// The message of a failed run, the image's path put in where the message
// names one; empty for Created, EmptyList and Cancelled.
QString generationMessage(const GenerationResult& r, const FileNames& paths);

// "El archivo fué creado satisfactoriamente." and its title "Proceso exitoso".
QString createdMessage();
QString createdTitle();

// "Se produjo un problema al generar la película ASCII.": a cancelled save
// dialog and any failure without a message of its own.
QString genericErrorMessage();

} // namespace orv
