#pragma once

#include "imagen.h"

#include <QString>
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
bool tamanoValido(std::int16_t columnas, std::int16_t filas);

// The same test for image 0 of `ancho` × `alto` pixels (a frame row is every
// other pixel row). A decoder may apply it to the size a file declares
// before decoding it.
bool tamanoImagenValido(int ancho, int alto);

// What the header's `masInfo` says about the writer.
QString masInfoCreator();

// Hands out image i, decoded, or nullptr when it cannot be read. Called with
// 0, 1, 2, ... in order, each index once, so a caller may decode ahead. Sizes
// are tested before any pixel is read, so an image refused by its size alone
// may come without pixels.
using CargaImagen = std::function<std::unique_ptr<Imagen>(int indice)>;

// Told after each frame is written (frames done so far); false cancels.
using AvanceGeneracion = std::function<bool(int hechos)>;

struct DatosGeneracion
{
    int numImagenes = 0;
    QString pausa;   // written as given (after validaDatos accepted it)
    QString creador; // written as given
};

enum class Resultado {
    Creada,
    ListaVacia,       // nothing to do; nothing is said
    TamanoInvalido,   // image 0 outside the accepted sizes
    ImagenInvalida,   // `indice` could not be decoded
    TamanosDistintos, // `indice` differs in size from image 0
    DemasiadosTonos,  // `indice` brought a 17th tone
    ErrorEscritura,   // the movie file could not be written
    Cancelada,
};

struct ResultadoGeneracion
{
    Resultado tipo = Resultado::Creada;
    int indice = -1; // the image the failure names, when it names one
};

// A pause that is not a positive number or an author that would not read
// back as written: the message to show (title "Error al crear la película"),
// or nothing when both are fine.
std::optional<QString> validaDatos(const QString& pausa, const QString& creador);

// Builds the movie at `ruta` (the final name, see nombrePelicula). It is
// written to a temporary file renamed into place only when every frame is
// written: any other end leaves no new file and an existing file of that name
// untouched.
ResultadoGeneracion generaPelicula(const QString& ruta, const DatosGeneracion& datos,
                                   const CargaImagen& carga, const AvanceGeneracion& avance = {});
// The same run into a writer of the caller's (one writing into memory for a
// preview, say); the writer is committed only when every frame is written.
ResultadoGeneracion generaPelicula(class MovieWriter& escritor, const DatosGeneracion& datos,
                                   const CargaImagen& carga, const AvanceGeneracion& avance = {});

// One frame line from an image whose tones are all in the table, after its
// sort. Exposed for the tests of the tone rules.
QByteArray lineaCuadro(const Imagen& imagen, const class TablaTonos& tabla);

// The title of every failure message of the generation.
QString tituloErrorGeneracion();

// The message of a failed run, the image's path put in where the message
// names one; empty for Creada, ListaVacia and Cancelada.
QString mensajeGeneracion(const ResultadoGeneracion& r, const QStringList& rutas);

// "El archivo fué creado satisfactoriamente." and its title "Proceso exitoso".
QString mensajeCreada();
QString tituloCreada();

// "Se produjo un problema al generar la película ASCII.": a cancelled save
// dialog and any failure without a message of its own.
QString mensajeErrorGenerico();

} // namespace orv
