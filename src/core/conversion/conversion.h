#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

// What the Converter's window (or `orv convert`) hands to a conversion: the
// texts of its boxes as typed and the state of its options.
struct ParametrosConversion
{
    QString ancho;     // frame width in characters
    QString alto;      // picture rows after each picture's first line
    QString velocidad; // pause per frame in milliseconds
    QString creador;   // author
    bool leeinicio = true; // each picture's first line is a control line
    bool repetir = true;   // with leeinicio: the control line is a repeat count (else skipped)
};

// Why the parameters cannot make a movie, in the order they are checked.
enum class FalloParametros {
    Ninguno,
    AnchoAlto,   // width or height below 2
    Demasiado,   // width above 32767 or height above 32766: the header could not hold them
    Pausa,       // the pause is not a positive number
    Creador,     // the author holds a comma or a line end
};

FalloParametros compruebaParametros(const ParametrosConversion& p);

// The message and title for a failed check (the first one is the
// conversion's long-standing message 1).
QString mensajeFalloParametros(FalloParametros fallo, const QString& creador = {});
QString tituloFalloParametros();

// The width and height the conversion actually uses: the leading number of
// each text rounded half to even.
std::int64_t anchoUsado(const ParametrosConversion& p);
std::int64_t altoUsado(const ParametrosConversion& p);

// Whether the file can be opened for reading (and is closed again at once);
// a folder cannot.
bool puedeabrir(const QString& ruta);

// The highest frame count a movie holds.
constexpr int kMaxCuadros = 32766;

// The whole movie being assembled. Every distinct picture is held once, in
// large blocks, followed by its CR LF, so that pictures stored one after
// another are also the movie's lines one after another; a frame is only the
// number of its picture, so a picture repeated a thousand times costs a
// thousand integers.
class PeliculaConvertida
{
public:
    explicit PeliculaConvertida(qsizetype largoCuadro);

    // Room for the next picture's `largoCuadro` bytes, valid until the next
    // call; what is written there counts only once confirma() stores it.
    char* reserva();

    // Stores the reserved picture `copias` times (at least once), up to the
    // frame limit. Answers false when the limit cut the copies short or left
    // the picture out.
    bool confirma(std::int64_t copias);

    // Copies the picture in and stores it, as above.
    bool anade(QByteArrayView cuadro, std::int64_t copias);

    int numCuadros() const { return static_cast<int>(m_cuadros.size()); }
    int numImagenes() const { return static_cast<int>(m_imagenes.size()); }
    qsizetype largoCuadro() const { return m_largo; }
    QByteArrayView cuadro(int i) const;
    // Frame i and as many following frames as lie right after it in memory,
    // each with its CR LF; `cuantos` receives how many.
    QByteArrayView tramo(int i, int& cuantos) const;
    bool lleno() const { return m_cuadros.size() >= kMaxCuadros; }
    // Whether some copies were left out for the limit.
    bool recortada() const { return m_recortada; }

private:
    qsizetype m_largo;
    qsizetype m_tamanoBloque;
    struct Libera
    {
        void operator()(char* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<char, Libera>> m_bloques;
    qsizetype m_usadoEnBloque = 0;
    std::vector<const char*> m_imagenes;
    std::vector<std::int32_t> m_cuadros;
    bool m_recortada = false;
};

// Reads one source into the movie. With leeinicio each picture is a control
// line and `alto` rows; without it, `alto` + 1 rows. Rows are fitted to
// `ancho` bytes (padded with spaces or cut). A picture cut short by the end
// of the file is dropped. A repeat count that does not fit 16 bits is a
// failure of the file: the frames before it stay, the rest is skipped.
// `progreso`, when set, is called now and then with the bytes consumed so
// far and answers false to stop. Answers false when the file could not be
// opened or read to its end (or reading was stopped).
bool leeFuente(const QString& ruta, const ParametrosConversion& p, PeliculaConvertida& pelicula,
               const std::function<bool(qint64)>& progreso = {});

// The header line the conversion writes for `numCuadros` frames.
QByteArray cabeceraConversion(const ParametrosConversion& p, int numCuadros);

enum class EstadoConversion {
    Escrita,        // the movie is on disk
    SinCuadros,     // no source gave a frame: nothing was written
    Cancelada,      // stopped by the caller: nothing was written
    ErrorEscritura, // the output could not be created or written: nothing was written
};

struct ResultadoConversion
{
    EstadoConversion estado = EstadoConversion::SinCuadros;
    int numCuadros = 0;
    int fuentesFallidas = 0;      // sources unreadable or stopped by a bad count
    bool limiteAlcanzado = false; // frames beyond the limit were left out
    int codigoError = 0;          // ErrorEscritura: the file error's number
    QString descripcionError;     // ErrorEscritura: its description
};

// Called with work done and total work (bytes of sources, then frames
// written counted as bytes); answers false to cancel.
using ProgresoConversion = std::function<bool(qint64 hecho, qint64 total)>;

// The whole conversion: reads every source in order, then writes the movie
// to `salida` (already under the ".ovt" rule) through a temporary file that
// replaces it only when complete. The parameters must pass
// compruebaParametros.
ResultadoConversion convierte(const QStringList& fuentes, const ParametrosConversion& p,
                              const QString& salida, const ProgresoConversion& progreso = {});
// The same conversion into a writer of the caller's (one writing into
// memory for a preview, say), committed only when complete.
ResultadoConversion convierte(const QStringList& fuentes, const ParametrosConversion& p,
                              class MovieWriter& escritor, const ProgresoConversion& progreso = {});

// The message for a failed write, with its title.
QString mensajeErrorEscritura(int codigo, const QString& descripcion);
QString tituloErrorEscritura();

// The message when no source gave a frame, with its title.
// Why no movie was made; `fuentesFallidas` as the result counts them.
QString mensajeSinCuadros(int fuentesFallidas = 0);
QString tituloSinCuadros();

// The success message and its title.
QString mensajeExito();
QString tituloExito();

} // namespace orv
