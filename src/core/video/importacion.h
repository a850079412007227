#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace orv::video {

// Turning a clip into a movie: frames sampled at a steady rate, each scaled
// to the movie's width in characters (two pixel rows to a character row, as
// the Creator samples pictures), made grey, cut to 16 levels and drawn with
// the Creator's ramp, one fixed character per level for the whole movie.

enum class Tramado { Ninguno, Ordenado };

struct OpcionesVideo
{
    int columnas = 160;
    double fps = 0;      // 0: the clip's own rate, at most kFpsMaximo
    double desde = 0;    // seconds
    double hasta = -1;   // seconds; below 0, the clip's end
    bool invertir = false; // light text on dark: white is '#', black the space
    Tramado tramado = Tramado::Ninguno;
    QString pausa;       // empty: 1000 / fps
    QString creador;
};

constexpr double kFpsMaximo = 30;
constexpr int kCuadrosMaximos = 32766;
constexpr int kLadoMinimo = 12, kLadoMaximo = 400;

// The grid a clip shown at `visible` pixels becomes at `columnas` characters
// wide: rows keep the picture's shape with two pixel rows to each. A clip
// too tall for 400 rows is narrowed to fit. Nothing when it cannot fit in 12
// to 400 columns and rows.
std::optional<QSize> rejilla(int columnas, QSize visible);

// The frames of the clip a movie shows: for each sample time desde + k / fps
// before `hasta`, the index of the last frame shown at that time (the first
// one when none is shown yet). `tiempos` are the frames' times in order;
// `fin` is when the last frame stops showing.
std::vector<int> plan(const std::vector<double>& tiempos, double fin, double desde, double hasta, double fps);

// A frame line from grey pixels, one per cell, row after row: 16 levels,
// white the space and black '#' (or the other way round), with a 4 × 4
// ordered dither when asked.
QByteArray lineaDeGris(const QByteArray& gris, QSize celdas, bool invertir, Tramado tramado);

// The pause written for `fps` frames a second: milliseconds, up to three
// decimals.
QString pausaPara(double fps);

// A moment of the clip as people write it: seconds ("75", "2.5") or minutes
// and seconds ("1:15", "01:02:03.5"); nothing when it is neither.
std::optional<double> leeTiempo(const QString& texto);

enum class EstadoVideo {
    Creada,
    NoEsVideo,      // no clip the libraries read
    SinVideo,       // no video stream
    AnchoInvalido,  // columns outside 12..400, or a grid that cannot fit
    FpsInvalido,
    RangoInvalido,  // the range is empty or starts past the clip's end
    SinCuadros,     // no frame falls in the range
    DatosInvalidos, // the pause or the author
    ErrorEscritura,
    Cancelada,
};

struct ResultadoVideo
{
    EstadoVideo estado = EstadoVideo::Creada;
    int cuadros = 0;
    bool recortada = false; // more than kCuadrosMaximos: cut there
    QSize celdas;
    QString detalle; // the write error's text, the invalid datum's message
};

// Follows the work: (frames done, total); false cancels.
using AvanceVideo = std::function<bool(int, int)>;

// Writes the movie at `ruta` (the final name) through the safe writer:
// decoding runs on a helper thread while the frame before is drawn and
// written. Any end but Creada leaves no file and an existing one untouched.
ResultadoVideo importaVideo(const QString& clip, const QString& ruta, const OpcionesVideo& opciones,
                            const AvanceVideo& avance = {});

// The first frame the movie would show, as its rows joined by LF, for a
// preview; `celdas` receives the grid. Nothing (with `estado` set) when the
// movie could not be made.
std::optional<QByteArray> primerCuadro(const QString& clip, const OpcionesVideo& opciones, QSize& celdas,
                                       EstadoVideo& estado);

// The Spanish message for a failed import; `ruta` is the clip.
QString mensajeVideo(const ResultadoVideo& r, const QString& ruta);

} // namespace orv::video
